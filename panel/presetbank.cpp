#include "presetbank.h"

namespace camdeck {

namespace {

QString presetName(int slot)
{
    return QStringLiteral("preset %1").arg(slot + 1);
}

} // namespace

PresetBank::PresetBank(CameraPanel &camera, SendQueue &line)
    : m_camera(camera)
    , m_line(line)
{
    for (int slot = 0; slot < presetCount; ++slot)
        m_slots[static_cast<std::size_t>(slot)] = builtInPreset(slot);
}

void PresetBank::loadFromFiles()
{
    for (int slot = 0; slot < presetCount; ++slot)
        load(slot);
    recall(0);
}

void PresetBank::load(int slot)
{
    ExposureSettings &preset = m_slots[static_cast<std::size_t>(slot)];
    PresetRead read = readPreset(slot);
    if (read.outcome == PresetRead::Missing) {
        preset = builtInPreset(slot);
        {
            const SendQueue::Job job(m_line,
                                     "Creating preset " + std::to_string(slot + 1)
                                         + " from its built-in values");
            recall(slot);
        }
        save(slot);
        read = readPreset(slot);
        if (read.outcome == PresetRead::Missing) {
            qCWarning(lcPresets).noquote()
                << QStringLiteral("%1 could not be created: %2 keeps its built-in values")
                       .arg(read.path, presetName(slot));
            return;
        }
    }
    // Fifteen zeros would reach the camera at the next recall: an unreadable
    // file leaves the built-in values, and the file for its owner to look at.
    if (read.outcome == PresetRead::Unreadable)
        qCWarning(lcPresets).noquote()
            << QStringLiteral("Cannot read %1 (%2): %3 uses its built-in values")
                   .arg(read.path, read.error, presetName(slot));
    preset = read.values;
}

void PresetBank::recall(int slot)
{
    if (!isPresetSlot(slot))
        return;
    const SendQueue::Job job(m_line, "Applying preset " + std::to_string(slot + 1),
                             [this, slot](bool written, const std::vector<Bytes> &) {
                                 if (written && m_applied)
                                     m_applied(slot);
                             });
    m_camera.recall(m_slots[static_cast<std::size_t>(slot)]);
}

PresetSave PresetBank::save(int slot)
{
    if (!isPresetSlot(slot))
        return {{}, QStringLiteral("there is no preset %1").arg(slot + 1)};
    m_slots[static_cast<std::size_t>(slot)] = m_camera.exposure();
    const PresetSave saved = writePreset(slot, m_camera.exposure());
    if (!saved.ok())
        qCWarning(lcPresets).noquote()
            << QStringLiteral("Cannot save %1 (%2): %3 is kept only until the program ends")
                   .arg(saved.path, saved.error, presetName(slot));
    return saved;
}

} // namespace camdeck
