#include "presetpanel.h"
#include "panel/controls.h"
#include "panel/exposurepanel.h"
#include "panel/gaincolourpanel.h"
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
                         ExposurePanel &exposure, GainColourPanel &gainColour, QObject *parent)
    : QObject(parent)
    , ui(ui)
    , m_line(line)
    , m_state(exposureState)
    , m_exposure(exposure)
    , m_gainColour(gainColour)
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
    m_state = m_presetSlots[slot];
    const ExposureState &s = m_state; // live: the steps below change it

    setChecked(ui.alcSelect, s.alc_flg != 0);
    setSliderValue(ui.alcsliderSelect, s.alc_val);
    setChecked(ui.fixedshutterSelect, s.fsh_flg != 0);
    setSliderValue(ui.fixedshuttersliderSelect, s.fsh_val);
    setChecked(ui.aesSelect, s.aes_flg != 0);
    setSliderValue(ui.aessliderSelect, s.aes_val);
    setChecked(ui.slowshutterSelect, s.ssh_flg != 0);
    setSliderValue(ui.slowshuttersliderSelect, s.ssh_val);
    setChecked(ui.autogainSelect, s.agc_flg != 0);
    setSliderValue(ui.autogainsliderSelect, s.agc_val);
    setChecked(ui.manualSelect, s.mgc_flg != 0);
    setSliderValue(ui.manualsliderSelect, s.mgc_val);
    setChecked(ui.peakcontrolSelect, s.peakcontrol_flg != 0);
    setSliderValue(ui.peakcontrolsliderSelect, s.peakcontrol_val);
    setChecked(ui.priorityagcSelect, s.priority_flg == 0);
    setChecked(ui.priorityslowshutterSelect, s.priority_flg != 0);

    // Each flag step takes its flag as the steps before it left it: switching ALC
    // on has already put the fixed shutter on and AES off.
    m_exposure.alc_flg_process(s.alc_flg);
    m_exposure.alc_val_process(0);
    m_exposure.fsh_flg_process(s.fsh_flg);
    m_exposure.fsh_val_process(0);
    m_exposure.aes_flg_process(s.aes_flg);
    m_exposure.aes_val_process(0);
    m_exposure.ssh_flg_process(s.ssh_flg);
    m_exposure.ssh_val_process(0);
    m_gainColour.agc_flg_process(s.agc_flg);
    m_gainColour.agc_val_process(0);
    m_gainColour.mgc_flg_process(s.mgc_flg);
    m_gainColour.mgc_val_process(0);
    m_gainColour.peakcontrol_flg_process(s.peakcontrol_flg);
    m_gainColour.peakcontrol_val_process(0);
    m_exposure.priority_agc_process(s.priority_flg == 0 ? 1 : 0);
    m_exposure.priority_slowshutter_process(s.priority_flg);
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
