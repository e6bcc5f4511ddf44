// Setup files: where they are kept (~/.local/share/camdeck/setups, as the
// desktop wants), reading one without trusting it (a directory, a device, a
// file too big for a setup or not UTF-8 text is refused before it is read as
// one) and writing one whole. Qt Core.
#pragma once

#include <QString>

#include <string>

namespace camdeck {

// A setup is a few kB: anything past this is not one.
inline constexpr qint64 setupSizeLimit = 256 * 1024;

QString setupDirectory();

struct SetupText {
    std::string text; // UTF-8
    QString error; // why it was refused, naming the file
    bool ok() const { return error.isEmpty(); }
};
SetupText readSetupText(const QString &path);

// Replaces the file whole and for good (see durablefile.h); the error, or "".
QString writeSetupText(const QString &path, const std::string &text);

} // namespace camdeck
