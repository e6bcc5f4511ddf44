#include "setupstore.h"
#include "durablefile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStringDecoder>

namespace camdeck {

QString setupDirectory()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
        + QStringLiteral("/camdeck/setups");
}

SetupText readSetupText(const QString &path)
{
    const QFileInfo info(path);
    if (info.isDir())
        return {{}, QStringLiteral("%1 is a directory, not a setup").arg(path)};
    if (!info.exists())
        return {{}, QStringLiteral("%1 is not there").arg(path)};
    // Opening a pipe or a device could block for good.
    if (!info.isFile())
        return {{}, QStringLiteral("%1 is not a regular file").arg(path)};
    if (info.size() > setupSizeLimit)
        return {{},
                QStringLiteral("%1 is %2 kB, more than a setup's %3 kB")
                    .arg(path)
                    .arg(info.size() / 1024)
                    .arg(setupSizeLimit / 1024)};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {{}, QStringLiteral("%1: %2").arg(path, file.errorString())};
    const QByteArray bytes = file.read(setupSizeLimit + 1);
    if (bytes.size() > setupSizeLimit)
        return {
            {},
            QStringLiteral("%1 is more than a setup's %2 kB").arg(path).arg(setupSizeLimit / 1024)};
    QStringDecoder utf8(QStringDecoder::Utf8);
    [[maybe_unused]] const QString text = utf8(bytes);
    if (utf8.hasError())
        return {{}, QStringLiteral("%1 is not UTF-8 text").arg(path)};
    return {bytes.toStdString(), {}};
}

QString writeSetupText(const QString &path, const std::string &text)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    return replaceFile(path, text);
}

} // namespace camdeck
