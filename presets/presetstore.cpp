#include "presetstore.h"
#include "durablefile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>


Q_LOGGING_CATEGORY(lcPresets, "camdeck.presets", QtInfoMsg)

namespace camdeck {

namespace {

QString fileName(int slot)
{
    return QString::fromStdString(presetFileName(slot));
}

// Where the slot's file is, or "" without a home.
QString pathOf(int slot)
{
    const QString home = presetDirectory();
    return home.isEmpty() ? QString() : home + QLatin1Char('/') + fileName(slot);
}

QString shownPath(int slot)
{
    const QString path = pathOf(slot);
    return path.isEmpty() ? QStringLiteral("~/") + fileName(slot) : path;
}

// What the file holds, as the log has always shown it: the whole text, then
// two characters at every second position.
void logContent(int slot, const std::string &text)
{
    if (!lcPresets().isDebugEnabled())
        return;
    qCDebug(lcPresets).noquote()
        << QStringLiteral("Content of '%1':\n%2").arg(fileName(slot), QString::fromUtf8(text));
    for (std::size_t k = 0; k < protocol::exposureFieldCount; ++k) {
        const std::string piece = text.substr(std::min(2 * k, text.size()), 2);
        qCDebug(lcPresets).noquote()
            << QStringLiteral("Content of '%1':\n").arg(QString::fromUtf8(piece));
    }
}

} // namespace

QString presetDirectory()
{
    // Qt falls back to "/" without HOME; presets do not belong there.
    if (qEnvironmentVariableIsEmpty("HOME"))
        return {};
    return QDir::homePath();
}

PresetRead readPreset(int slot)
{
    PresetRead read{PresetRead::Read, builtInPreset(slot), shownPath(slot), {}};
    const QString path = pathOf(slot);
    const bool exists = !path.isEmpty() && QFileInfo::exists(path);
    qCDebug(lcPresets).noquote() << fileName(slot)
            + (exists ? QStringLiteral(" exists") : QStringLiteral(" does NOT exist"));
    if (!exists) {
        read.outcome = PresetRead::Missing;
        return read;
    }
    // Opening a pipe or a device in its place could block for good.
    const QFileInfo info(path);
    QFile file(path);
    if (info.isDir())
        read.error = QStringLiteral("it is a directory");
    else if (!info.isFile())
        read.error = QStringLiteral("it is not a regular file");
    else if (!file.open(QIODevice::ReadOnly))
        read.error = file.errorString();
    const QByteArray text = read.error.isEmpty() ? file.readAll() : QByteArray();
    if (read.error.isEmpty() && file.error() != QFileDevice::NoError)
        read.error = file.errorString();
    if (!read.error.isEmpty()) {
        read.outcome = PresetRead::Unreadable;
        return read;
    }
    logContent(slot, text.toStdString());
    read.values = parsePresetFile(text.toStdString());
    return read;
}

PresetSave writePreset(int slot, const ExposureSettings &values)
{
    const QString path = pathOf(slot);
    if (path.isEmpty())
        return {shownPath(slot), QStringLiteral("no home directory (HOME is not set)")};
    return {path, replaceFile(path, formatPresetFile(values))};
}

} // namespace camdeck
