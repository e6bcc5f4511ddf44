// The system calls the serial line makes, in one place, so a test can put a
// failing adapter (EINTR, EIO, settings half applied) under the real code.
#pragma once

#include <fcntl.h>
#include <functional>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/types.h>
#include <termios.h>
#include <unistd.h>

namespace camdeck {

struct SystemCalls {
    std::function<int(const char *, int)> open
        = [](const char *path, int flags) { return ::open(path, flags); };
    std::function<int(int)> close = [](int fd) { return ::close(fd); };
    std::function<ssize_t(int, const void *, size_t)> write
        = [](int fd, const void *data, size_t size) { return ::write(fd, data, size); };
    std::function<ssize_t(int, void *, size_t)> read
        = [](int fd, void *data, size_t size) { return ::read(fd, data, size); };
    std::function<int(pollfd *, nfds_t, int)> poll
        = [](pollfd *fds, nfds_t n, int timeout) { return ::poll(fds, n, timeout); };
    std::function<int(int, termios *)> tcgetattr
        = [](int fd, termios *t) { return ::tcgetattr(fd, t); };
    std::function<int(int, int, const termios *)> tcsetattr
        = [](int fd, int when, const termios *t) { return ::tcsetattr(fd, when, t); };
    std::function<int(int)> tcdrain = [](int fd) { return ::tcdrain(fd); };
    std::function<int(int, int)> tcflush = [](int fd, int queue) { return ::tcflush(fd, queue); };
    std::function<int(int, int)> flock
        = [](int fd, int operation) { return ::flock(fd, operation); };
    std::function<int(int, unsigned long)> ioctl
        = [](int fd, unsigned long request) { return ::ioctl(fd, request); };
};

} // namespace camdeck
