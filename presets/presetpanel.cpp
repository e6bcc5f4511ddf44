#include "presetpanel.h"
#include "panel/camerapanel.h"
#include "presetfile.h"
#include "presetstore.h"
#include "ui_windowcontroller.h"

#include <QKeySequence>

using namespace camdeck;

namespace {

bool isSlot(int slot)
{
    return slot >= 0 && slot < presetSlotCount;
}

QString presetName(int slot)
{
    return QStringLiteral("preset %1").arg(slot + 1);
}

} // namespace

PresetPanel::PresetPanel(Ui::WindowController &ui, SendQueue &line, ExposureState &exposureState,
                         CameraPanel &camera, QObject *parent)
    : QObject(parent)
    , m_line(line)
    , m_state(exposureState)
    , m_camera(camera)
{
    const std::array saveButtons
        = {ui.save1Button, ui.save2Button, ui.save3Button, ui.save4Button, ui.save5Button};
    const std::array presetButtons = {ui.preset1Button, ui.preset2Button, ui.preset3Button,
                                      ui.preset4Button, ui.preset5Button};
    for (int slot = 0; slot < presetSlotCount; ++slot) {
        const QString fileName = QString::fromLatin1(presetFileNames[slot]);
        connect(saveButtons[slot], &QPushButton::clicked, this,
                [this, fileName, slot] { SaveFile(fileName, slot); });
        connect(presetButtons[slot], &QPushButton::clicked, this, [this, slot] { LoadSlot(slot); });
        // Alt+1 to Alt+5 recall preset 1 to 5 from anywhere in the window.
        presetButtons[slot]->setShortcut(QKeySequence(Qt::ALT | Qt::Key(Qt::Key_1 + slot)));
    }
}

void PresetPanel::LoadSlot(int slot)
{
    if (!isSlot(slot))
        return;
    // Sixteen paced commands: about 1.6 s on the line, none of it in the window.
    const SendQueue::Job job(m_line, "Applying preset " + std::to_string(slot + 1));
    m_camera.LoadSlot(m_presetSlots[slot]);
}

void PresetPanel::InitialiseSlots()
{
    for (int slot = 0; slot < presetSlotCount; ++slot)
        LoadFile(QString::fromLatin1(presetFileNames[slot]), slot);
    LoadSlot(0);
}

void PresetPanel::LoadFile(const QString &fileName, int slot)
{
    if (isSlot(slot))
        loadFile(fileName, slot, true);
}

void PresetPanel::loadFile(const QString &fileName, int slot, bool mayCreate)
{
    PresetSlot &preset = m_presetSlots[slot];
    if (FileExists(fileName)) {
        const PresetFileResult read = readPresetText(fileName);
        if (!read.ok()) {
            // Fifteen zeros would reach the camera at the next recall: use the
            // built-in values and leave the file for its owner to look at.
            qCWarning(lcPresets).noquote()
                << QStringLiteral("Cannot read %1 (%2): %3 uses its built-in values")
                       .arg(fileName, read.error, presetName(slot));
            DefaultSlot(m_presetSlots, slot);
            m_state = preset;
            return;
        }
        logContent(fileName, read.text);
        preset = parsePresetFile(read.text);
        m_state = preset;
        return;
    }
    if (!mayCreate) {
        qCWarning(lcPresets).noquote()
            << QStringLiteral("%1 could not be created: %2 keeps its built-in values")
                   .arg(fileName, presetName(slot));
        return;
    }
    DefaultSlot(m_presetSlots, slot);
    const SendQueue::Job job(
        m_line, "Creating preset " + std::to_string(slot + 1) + " from its built-in values");
    LoadSlot(slot);
    SaveFile(fileName, slot);
    loadFile(fileName, slot, false);
}

void PresetPanel::SaveFile(const QString &fileName, int slot)
{
    if (!isSlot(slot))
        return;
    m_presetSlots[slot] = m_state;
    const PresetFileResult saved = writePresetFile(fileName, m_state);
    if (!saved.ok()) {
        qCWarning(lcPresets).noquote()
            << QStringLiteral("Cannot save %1 (%2): %3 is kept only until the program ends")
                   .arg(fileName, saved.error, presetName(slot));
        emit saveFailed(slot, saved.error);
    }
}

void PresetPanel::logContent(const QString &fileName, const std::string &text) const
{
    qCInfo(lcPresets).noquote()
        << QStringLiteral("Content of '%1':\n%2").arg(fileName, QString::fromUtf8(text));
    // Two characters at every second position, as this log has always shown them.
    for (std::size_t k = 0; k < presetFieldCount; ++k) {
        const std::string piece = text.substr(std::min(2 * k, text.size()), 2);
        qCInfo(lcPresets).noquote()
            << QStringLiteral("Content of '%1':\n").arg(QString::fromUtf8(piece));
    }
}
