// Replacing a small file whole and for good. The text goes to a new file
// beside the old one, which is synced to the disk and only then renamed over
// it; the folder is synced after the rename, so a power cut once "saved" was
// said finds the new file, and one before finds the old. A failure at any
// step leaves the old file as it was and no new one behind. A link is
// followed: the file it leads to is replaced, where it is, and a dangling
// link gets its file made. POSIX calls, through a seam tests can fail.
#pragma once

#include <QString>

#include <sys/types.h>

#include <functional>
#include <string_view>

namespace camdeck {

struct FileSystemCalls {
    std::function<int(const char *, int, mode_t)> open;
    std::function<ssize_t(int, const void *, size_t)> write;
    std::function<int(int)> fsync;
    std::function<int(int)> close;
    std::function<int(const char *, const char *)> rename;
    std::function<int(const char *)> unlink;
};

// The system's own calls.
FileSystemCalls systemFileCalls();

// What replaceFile calls from now on (systemFileCalls() puts them back).
void setFileSystemCalls(FileSystemCalls calls);

// "" once the text is in path and on the disk, else why not ("No space left
// on device").
QString replaceFile(const QString &path, std::string_view text);

} // namespace camdeck
