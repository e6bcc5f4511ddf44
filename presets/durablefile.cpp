#include "durablefile.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace camdeck {

namespace {

FileSystemCalls &calls()
{
    static FileSystemCalls current = systemFileCalls();
    return current;
}

QString errorText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

template<class Call> auto retryOnSignal(Call call)
{
    decltype(call()) result;
    do
        result = call();
    while (result < 0 && errno == EINTR);
    return result;
}

// Where the text goes: the end of a chain of links, made absolute.
QString finalTarget(const QString &path)
{
    QString target = QFileInfo(path).absoluteFilePath();
    for (int hop = 0; hop < 40 && QFileInfo(target).isSymLink(); ++hop)
        target = QFileInfo(target).symLinkTarget();
    return target;
}

// The new file's mode: the old file's, else what the umask leaves of 0666.
mode_t modeFor(const QByteArray &target)
{
    struct stat old {};
    return ::stat(target.constData(), &old) == 0 ? (old.st_mode & 07777) : 0666;
}

} // namespace

FileSystemCalls systemFileCalls()
{
    return {[](const char *path, int flags, mode_t mode) { return ::open(path, flags, mode); },
            [](int fd, const void *data, size_t size) { return ::write(fd, data, size); },
            [](int fd) { return ::fsync(fd); },
            [](int fd) { return ::close(fd); },
            [](const char *from, const char *to) { return ::rename(from, to); },
            [](const char *path) { return ::unlink(path); }};
}

void setFileSystemCalls(FileSystemCalls replacement)
{
    calls() = std::move(replacement);
}

QString replaceFile(const QString &path, std::string_view text)
{
    const FileSystemCalls &sys = calls();
    const QByteArray target = QFile::encodeName(finalTarget(path));
    const QByteArray folder = QFile::encodeName(QFileInfo(QFile::decodeName(target)).absolutePath());
    QByteArray fresh;
    int fd = -1;
    for (int attempt = 0; attempt < 16 && fd < 0; ++attempt) {
        fresh = target + '.' + QByteArray::number(QRandomGenerator::global()->generate(), 36);
        fd = retryOnSignal([&] {
            return sys.open(fresh.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                            modeFor(target));
        });
        if (fd < 0 && errno != EEXIST)
            return errorText(errno);
    }
    if (fd < 0)
        return errorText(EEXIST);

    // A full disk may take part of the text and refuse the rest.
    int error = 0;
    for (std::size_t done = 0; done < text.size() && !error;) {
        const ssize_t n
            = retryOnSignal([&] { return sys.write(fd, text.data() + done, text.size() - done); });
        if (n < 0)
            error = errno;
        else
            done += std::size_t(n);
    }
    if (!error && sys.fsync(fd) != 0)
        error = errno;
    if (sys.close(fd) != 0 && !error)
        error = errno;
    if (!error && sys.rename(fresh.constData(), target.constData()) != 0)
        error = errno;
    if (error) {
        sys.unlink(fresh.constData());
        return errorText(error);
    }
    // The rename is on the disk once the folder is.
    const int dir = retryOnSignal(
        [&] { return sys.open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0); });
    if (dir < 0 || sys.fsync(dir) != 0)
        error = errno;
    if (dir >= 0)
        sys.close(dir);
    return error ? QStringLiteral("in place, but its folder was not synced to the disk (%1)")
                       .arg(errorText(error))
                 : QString();
}

} // namespace camdeck
