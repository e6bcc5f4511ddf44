#include "serialline.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <thread>
#include <unistd.h>

namespace camdeck {

namespace {

constexpr std::chrono::milliseconds writeTimeout{1000};

termios rawPortSettings()
{
    termios portSettings{};
    portSettings.c_cflag = CS8 | CREAD | CLOCAL;
    cfsetispeed(&portSettings, B9600);
    cfsetospeed(&portSettings, B9600);
    return portSettings;
}

// What matters of the settings read back: a driver that quietly kept parity,
// flow control, canonical mode or another speed would garble every frame.
bool tookRawSettings(const termios &t)
{
    return (t.c_cflag & (CSIZE | CSTOPB | PARENB | CREAD | CLOCAL | CRTSCTS))
        == (CS8 | CREAD | CLOCAL)
        && (t.c_lflag & (ICANON | ECHO | ISIG)) == 0 && (t.c_oflag & OPOST) == 0
        && (t.c_iflag & (IXON | IXOFF | ICRNL | INLCR | ISTRIP)) == 0 && t.c_cc[VMIN] == 0
        && t.c_cc[VTIME] == 0 && cfgetispeed(&t) == B9600 && cfgetospeed(&t) == B9600;
}

// Errors after which the device is gone rather than busy or silent.
bool meansDeviceGone(int error)
{
    return error == EIO || error == ENXIO || error == ENODEV || error == EPIPE;
}

template<typename Call> auto retryOnSignal(Call call)
{
    decltype(call()) result;
    do {
        result = call();
    } while (result < 0 && errno == EINTR);
    return result;
}

} // namespace

SerialLine::SerialLine() = default;

SerialLine::~SerialLine()
{
    close();
}

void SerialLine::pause(std::chrono::milliseconds d)
{
    if (m_pause) {
        m_pause(d);
        return;
    }
    // Asked for no events, poll reports only a hang-up or an error. The device
    // needs the whole pause: what is left is rounded up to poll's milliseconds,
    // and the clock read again after every wake-up.
    const auto deadline = std::chrono::steady_clock::now() + d;
    while (m_fd >= 0) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return;
        pollfd p{m_fd, 0, 0};
        const int ready = m_sys.poll(&p, 1, static_cast<int>(left.count()));
        if (ready > 0 && (p.revents & (POLLERR | POLLHUP | POLLNVAL)))
            markLost(EIO);
        else if (ready < 0 && errno != EINTR)
            std::this_thread::sleep_until(deadline);
    }
}

OpenResult SerialLine::open(const std::string &path)
{
    close();
    const int fd
        = retryOnSignal([&] { return m_sys.open(path.c_str(), O_RDWR | O_NONBLOCK | O_NOCTTY); });
    if (fd < 0)
        return {OpenResult::OpenFailed, errno};

    auto refuse = [&](OpenResult::Reason reason, int error, const termios *restore) {
        if (restore)
            retryOnSignal([&] { return m_sys.tcsetattr(fd, TCSANOW, restore); });
        m_sys.close(fd);
        return OpenResult{reason, error};
    };

    // Another program on the same port would interleave its bytes with ours.
    if (m_sys.flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK)
        return refuse(OpenResult::InUse, EBUSY, nullptr);

    termios saved{};
    if (retryOnSignal([&] { return m_sys.tcgetattr(fd, &saved); }) != 0) {
        const int error = errno;
        return refuse(error == ENOTTY ? OpenResult::NotATerminal : OpenResult::SettingsFailed,
                      error, nullptr);
    }
    const termios portSettings = rawPortSettings();
    if (retryOnSignal([&] { return m_sys.tcsetattr(fd, TCSAFLUSH, &portSettings); }) != 0)
        return refuse(OpenResult::SettingsFailed, errno, &saved);
    termios applied{};
    if (retryOnSignal([&] { return m_sys.tcgetattr(fd, &applied); }) != 0
        || !tookRawSettings(applied))
        return refuse(OpenResult::SettingsNotTaken, EINVAL, &saved);
    m_sys.ioctl(fd, TIOCEXCL);

    m_fd = fd;
    m_path = path;
    m_savedPortSettings = saved;
    return {};
}

IoResult SerialLine::writeAll(const std::uint8_t *data, std::size_t size)
{
    IoResult result;
    if (m_fd < 0) {
        result.error = EBADF;
        return result;
    }
    const auto deadline = std::chrono::steady_clock::now() + writeTimeout;
    while (result.count < size) {
        const ssize_t n = m_sys.write(m_fd, data + result.count, size - result.count);
        if (n > 0) {
            if (m_tap)
                m_tap(Direction::Written, data + result.count, static_cast<std::size_t>(n));
            result.count += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN) {
            result.error = errno;
            if (meansDeviceGone(result.error))
                markLost(result.error);
            return result;
        }
        // The output queue is full: wait until it takes more, but not forever.
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            result.error = ETIMEDOUT;
            return result;
        }
        pollfd p{m_fd, POLLOUT, 0};
        const int ready = m_sys.poll(&p, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno != EINTR) {
            result.error = errno;
            return result;
        }
        if (ready > 0 && (p.revents & (POLLERR | POLLHUP | POLLNVAL))) {
            result.error = EIO;
            markLost(EIO);
            return result;
        }
    }
    return result;
}

ReadResult SerialLine::readAvailable(std::size_t maxBytes)
{
    ReadResult result;
    if (m_fd < 0) {
        result.error = EBADF;
        return result;
    }
    // Ask first: silence is "no reply", a hang-up is a device that is gone.
    pollfd p{m_fd, POLLIN, 0};
    const int ready = retryOnSignal([&] { return m_sys.poll(&p, 1, 0); });
    if (ready > 0 && (p.revents & (POLLERR | POLLHUP | POLLNVAL))) {
        result.error = EIO;
        markLost(EIO);
        return result;
    }
    if (ready <= 0 || !(p.revents & POLLIN))
        return result;

    result.data.resize(maxBytes);
    const ssize_t n = retryOnSignal([&] { return m_sys.read(m_fd, result.data.data(), maxBytes); });
    if (n < 0) {
        result.data.clear();
        if (errno != EAGAIN) {
            result.error = errno;
            if (meansDeviceGone(result.error))
                markLost(result.error);
        }
        return result;
    }
    result.data.resize(static_cast<std::size_t>(n));
    if (m_tap && n > 0)
        m_tap(Direction::Read, result.data.data(), result.data.size());
    return result;
}

void SerialLine::discardInput()
{
    if (m_fd < 0)
        return;
    m_sys.tcflush(m_fd, TCIFLUSH);
    while (isOpen() && !readAvailable(256).data.empty()) { }
}

ReadResult SerialLine::greet()
{
    const IoResult written = writeAll(portGreeting.data(), portGreeting.size());
    pause(greetingPause);
    if (!written.ok())
        return {written.error, {}};
    return readAvailable(256);
}

void SerialLine::close()
{
    if (m_fd < 0)
        return;
    // On a dead port the farewell fails; that is no news to report now.
    m_closing = true;
    [[maybe_unused]] const IoResult farewell = writeAll(&portFarewell, 1);
    m_closing = false;
    if (m_fd < 0)
        return;
    // Let the farewell leave at 9600 baud before the old settings come back.
    retryOnSignal([&] { return m_sys.tcdrain(m_fd); });
    release(true);
}

void SerialLine::release(bool restore)
{
    if (restore)
        retryOnSignal([&] { return m_sys.tcsetattr(m_fd, TCSANOW, &m_savedPortSettings); });
    m_sys.ioctl(m_fd, TIOCNXCL);
    m_sys.close(m_fd);
    m_fd = -1;
    m_path.clear();
}

void SerialLine::markLost(int error)
{
    if (m_fd < 0)
        return;
    const std::string path = m_path;
    release(true);
    if (m_lostHandler && !m_closing)
        m_lostHandler(path, error);
}

} // namespace camdeck
