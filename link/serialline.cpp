#include "serialline.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <thread>
#include <unistd.h>

namespace camdeck {

namespace {

constexpr std::chrono::milliseconds writeTimeout{1000};

void realPause(std::chrono::milliseconds d)
{
    std::this_thread::sleep_for(d);
}

termios rawPortSettings()
{
    termios portSettings{};
    portSettings.c_cflag = CS8 | CREAD | CLOCAL;
    cfsetispeed(&portSettings, B9600);
    cfsetospeed(&portSettings, B9600);
    return portSettings;
}

} // namespace

SerialLine::SerialLine()
    : m_pause(realPause)
{
}

SerialLine::~SerialLine()
{
    close();
}

void SerialLine::setPause(Pause pause)
{
    m_pause = pause ? std::move(pause) : Pause(realPause);
}

int SerialLine::open(const std::string &path)
{
    close();
    int fd;
    do {
        fd = ::open(path.c_str(), O_RDWR | O_NONBLOCK | O_NOCTTY);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return errno;

    termios saved{};
    if (tcgetattr(fd, &saved) != 0) {
        const int error = errno;
        ::close(fd);
        return error;
    }
    const termios portSettings = rawPortSettings();
    if (tcsetattr(fd, TCSAFLUSH, &portSettings) != 0) {
        const int error = errno;
        ::close(fd);
        return error;
    }
    m_fd = fd;
    m_path = path;
    m_savedPortSettings = saved;
    return 0;
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
        const ssize_t n = ::write(m_fd, data + result.count, size - result.count);
        if (n > 0) {
            result.count += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN) {
            result.error = errno;
            return result;
        }
        // The output queue is full: wait until it takes more, but not forever.
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            result.error = ETIMEDOUT;
            return result;
        }
        pollfd p{m_fd, POLLOUT, 0};
        if (::poll(&p, 1, static_cast<int>(left.count())) < 0 && errno != EINTR) {
            result.error = errno;
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
    result.data.resize(maxBytes);
    ssize_t n;
    do {
        n = ::read(m_fd, result.data.data(), maxBytes);
    } while (n < 0 && errno == EINTR);
    if (n < 0) {
        result.error = errno == EAGAIN ? 0 : errno;
        n = 0;
    }
    result.data.resize(static_cast<std::size_t>(n));
    return result;
}

ReadResult SerialLine::greet()
{
    const IoResult written = writeAll(portGreeting, sizeof portGreeting);
    pause(greetingPause);
    if (!written.ok())
        return {written.error, {}};
    return readAvailable(256);
}

void SerialLine::close()
{
    if (m_fd < 0)
        return;
    writeAll(portFarewell, sizeof portFarewell);
    // Let the farewell leave at 9600 baud before the old settings come back.
    while (tcdrain(m_fd) != 0 && errno == EINTR) { }
    tcsetattr(m_fd, TCSANOW, &m_savedPortSettings);
    ::close(m_fd);
    m_fd = -1;
    m_path.clear();
}

IoResult sendFrame(SerialLine &line, const Bytes &frame, std::chrono::milliseconds pauseAfter)
{
    const IoResult result = line.writeAll(frame);
    line.pause(pauseAfter);
    return result;
}

IoResult sendCommand8(SerialLine &line, std::uint8_t group, std::uint8_t index, int value)
{
    return sendFrame(line, commandFrame8(group, index, value), framePause);
}

IoResult sendCommand16(SerialLine &line, std::uint8_t group, std::uint8_t index, int value)
{
    return sendFrame(line, commandFrame16(group, index, value), framePause);
}

IoResult sendCommand32(SerialLine &line, std::uint8_t group, std::uint8_t index, int first,
                       int second)
{
    return sendFrame(line, commandFrame32(group, index, first, second), framePause);
}

} // namespace camdeck
