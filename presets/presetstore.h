// The preset files in the user's home directory: reading one (the built-in
// values stand in for a file that is missing or cannot be read) and replacing
// one with a slot's values. The home directory is asked for afresh every
// time, so a changed HOME takes effect at once. Qt Core.
#pragma once

#include "presetfile.h"

#include <QLoggingCategory>
#include <QString>

Q_DECLARE_LOGGING_CATEGORY(lcPresets)

namespace camdeck {

// The home directory, or an empty string when HOME is not set: the presets are
// then kept nowhere rather than in a guessed place such as the root directory.
QString presetDirectory();

struct PresetRead {
    enum Outcome { Read, Missing, Unreadable };
    Outcome outcome = Read;
    ExposureSettings values{}; // the file's, else the slot's built-in values
    QString path; // "~/preset2.txt" when there is no home
    QString error; // why it could not be read
};

// A directory, a pipe or a device in the file's place cannot be read as one;
// without a home directory every file is missing.
PresetRead readPreset(int slot);

struct PresetSave {
    QString path;
    QString error;
    bool ok() const { return error.isEmpty(); }
};

// Replaces the slot's file whole and for good (see durablefile.h): an
// interrupted save leaves the old file.
PresetSave writePreset(int slot, const ExposureSettings &values);

} // namespace camdeck
