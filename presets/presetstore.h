// The preset files in the user's home directory: whether one is there, reading
// its text, and replacing it with a slot's values. The home directory is asked
// for afresh every time, so a changed HOME takes effect at once.
#pragma once

#include "presetslot.h"

#include <QLoggingCategory>
#include <QString>
#include <string>

Q_DECLARE_LOGGING_CATEGORY(lcPresets)

namespace camdeck {

// What a read or a save came to: error is empty when it worked.
struct PresetFileResult {
    QString error;
    std::string text;
    bool ok() const { return error.isEmpty(); }
};

// The home directory, or an empty string when HOME is not set: the presets are
// then kept nowhere rather than in a guessed place such as the root directory.
QString presetDirectory();

// Whether home + fileName exists; logs "<fileName> exists" or "<fileName> does NOT exist".
bool FileExists(const QString &fileName);

// The whole text of the file. Fails for what cannot be read as a preset file:
// no permission, a directory or other non-regular file in its place.
PresetFileResult readPresetText(const QString &fileName);

// Replaces the file with the values' text through a temporary file in the same
// directory, so an interrupted save leaves the old file whole.
PresetFileResult writePresetFile(const QString &fileName, const PresetSlot &values);

} // namespace camdeck
