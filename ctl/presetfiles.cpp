#include "system.h"

#include "presets/presetfile.h"
#include "presets/presetstore.h"

#include <QFileInfo>

namespace camdeck::ctl {

PresetLookup readPresetFile(int slot)
{
    const QString fileName = QString::fromLatin1(presetFileNames[static_cast<std::size_t>(slot)]);
    const std::string preset = "preset " + std::to_string(slot + 1);
    const std::string builtIn = preset + " uses its built-in values";
    const QString home = presetDirectory();
    const std::string path = (home.isEmpty() ? QStringLiteral("~") : home).toStdString() + "/"
        + fileName.toStdString();
    // The panel makes a missing file; a script does not write into the home directory unasked.
    if (!home.isEmpty() && !QFileInfo::exists(home + QLatin1Char('/') + fileName))
        return {defaultPresetSlot(slot), "no " + path + ": " + builtIn + " (no file is made)"};
    const PresetFileResult read = readPresetText(fileName);
    if (!read.ok())
        return {defaultPresetSlot(slot),
                "cannot read " + path + " (" + read.error.toStdString() + "): " + builtIn};
    return {parsePresetFile(read.text), {}};
}

} // namespace camdeck::ctl
