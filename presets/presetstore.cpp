#include "presetstore.h"
#include "presetfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <cstring>

Q_LOGGING_CATEGORY(lcPresets, "camdeck.presets")

namespace camdeck {

namespace {

const QString noHome = QStringLiteral("no home directory (HOME is not set)");

QString presetPath(const QString &fileName)
{
    const QString home = presetDirectory();
    return home.isEmpty() ? QString() : home + QLatin1Char('/') + fileName;
}

} // namespace

QString presetDirectory()
{
    // Qt falls back to "/" without HOME; presets do not belong there.
    if (qEnvironmentVariableIsEmpty("HOME"))
        return {};
    return QDir::homePath();
}

bool FileExists(const QString &fileName)
{
    const QString path = presetPath(fileName);
    const bool exists = !path.isEmpty() && QFileInfo::exists(path);
    qCInfo(lcPresets).noquote() << fileName
            + (exists ? QStringLiteral(" exists") : QStringLiteral(" does NOT exist"));
    return exists;
}

PresetFileResult readPresetText(const QString &fileName)
{
    const QString path = presetPath(fileName);
    if (path.isEmpty())
        return {noHome, {}};
    // Opening a pipe or a device in its place could block the window for good.
    const QFileInfo info(path);
    if (info.isDir())
        return {QStringLiteral("it is a directory"), {}};
    if (!info.isFile())
        return {QStringLiteral("it is not a regular file"), {}};

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {file.errorString(), {}};
    const QByteArray text = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return {file.errorString(), {}};
    return {{}, text.toStdString()};
}

PresetFileResult writePresetFile(const QString &fileName, const PresetSlot &values)
{
    const QString path = presetPath(fileName);
    if (path.isEmpty())
        return {noHome, {}};
    const std::string text = formatPresetFile(values);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return {file.errorString(), {}};
    // A full disk can take part of the text and then refuse the rest without
    // QSaveFile noticing: a short write must not be committed over the old file.
    const auto size = static_cast<qint64>(text.size());
    if (file.write(text.data(), size) != size) {
        const QString error = file.error() != QFileDevice::NoError
            ? file.errorString()
            : QString::fromLocal8Bit(std::strerror(errno));
        file.cancelWriting();
        return {error, {}};
    }
    if (!file.commit())
        return {file.errorString(), {}};
    return {{}, text};
}

} // namespace camdeck
