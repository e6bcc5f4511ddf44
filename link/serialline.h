// The serial line to the camera and the motor drive: open, raw 9600 8N1, the
// greeting and farewell, whole writes, non-blocking reads and the pause the
// devices need after a write. POSIX only; errors come back as values and the
// window decides how to tell the user.
#pragma once

#include "protocol/frame.h"
#include "systemcalls.h"

#include <cerrno>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <termios.h>

namespace camdeck {

// What one I/O call achieved: error is 0 or the errno that stopped it; count is
// how many bytes went out or came in before that.
struct IoResult {
    int error = 0;
    std::size_t count = 0;
    bool ok() const { return error == 0; }
};

struct ReadResult {
    int error = 0;
    Bytes data;
    bool ok() const { return error == 0; }
};

// Why a port could not be opened. error is the errno behind it.
struct OpenResult {
    enum Reason { Opened, OpenFailed, InUse, NotATerminal, SettingsFailed, SettingsNotTaken };
    Reason reason = Opened;
    int error = 0;
    bool ok() const { return reason == Opened; }
};

class SerialLine {
public:
    using Pause = std::function<void(std::chrono::milliseconds)>;
    using LostHandler = std::function<void(const std::string &path, int error)>;
    enum class Direction { Written, Read };
    using Tap = std::function<void(Direction, const std::uint8_t *data, std::size_t size)>;

    SerialLine();
    ~SerialLine();
    SerialLine(const SerialLine &) = delete;
    SerialLine &operator=(const SerialLine &) = delete;

    // Opens path read-write, non-blocking and without making it our controlling
    // terminal, takes it for ourselves (flock and TIOCEXCL: a port another
    // program holds is refused untouched), keeps the settings it had and
    // applies raw 9600 8N1 with TCSAFLUSH, reading them back to be sure. A line
    // already open is closed first, farewell and all. On failure nothing stays open.
    [[nodiscard]] OpenResult open(const std::string &path);
    bool isOpen() const { return m_fd >= 0; }
    int descriptor() const { return m_fd; }
    const std::string &path() const { return m_path; }

    // Called once when the device goes away under us (adapter unplugged: EIO,
    // hang-up). The dead descriptor is closed at once; nothing more is written.
    void setLostHandler(LostHandler handler) { m_lostHandler = std::move(handler); }

    // Sees every byte that went out (after each successful write) and every
    // byte that came in (after each read that brought some). Called on the
    // sender's thread in the middle of a paced send: keep it quick.
    void setTap(Tap tap) { m_tap = std::move(tap); }

    // Tests put failing system calls under the line with this.
    void setSystemCalls(const SystemCalls &calls) { m_sys = calls; }

    // Blocks until every byte is out: partial writes, EINTR and EAGAIN are
    // continued for at most about a second. With no line open: EBADF.
    [[nodiscard]] IoResult writeAll(const std::uint8_t *data, std::size_t size);
    [[nodiscard]] IoResult writeAll(const Bytes &bytes)
    {
        return writeAll(bytes.data(), bytes.size());
    }
    [[nodiscard]] IoResult writePacket(const Packet &packet)
    {
        return writeAll(packet.data(), packet.size());
    }

    // Does not block: returns at most maxBytes of what has arrived. Nothing
    // arrived is an empty, successful result ("no reply"); a device that is
    // gone is an error and the line is lost.
    [[nodiscard]] ReadResult readAvailable(std::size_t maxBytes);

    // Drops whatever is waiting to be read, so a late reply is not taken for
    // the answer to the next request.
    void discardInput();

    // Blocks the caller for d, through the pause function (tests shorten it).
    // The real pause watches the line meanwhile: a device that hangs up ends
    // it at once, and the line is lost. With no line open there is nothing to
    // pace and it returns at once.
    void pause(std::chrono::milliseconds d);
    void setPause(Pause pause) { m_pause = std::move(pause); }

    // The descriptor reported a hang-up: the device is gone.
    void noticeHangUp() { markLost(EIO); }
    // The device node or the link to it is gone: so is the device.
    void noticeGone() { markLost(ENODEV); }

    // Writes the greeting, waits 0.25 s and returns what the device answered,
    // at most 256 bytes; the rest stays queued for the next read.
    [[nodiscard]] ReadResult greet();

    // Farewell, drained at the line's own speed, then the settings found at
    // opening are restored and the descriptor closed. Does nothing when closed.
    void close();

private:
    void markLost(int error);
    void release(bool restore);

    int m_fd = -1;
    std::string m_path;
    termios m_savedPortSettings{};
    bool m_closing = false;
    Pause m_pause;
    LostHandler m_lostHandler;
    Tap m_tap;
    SystemCalls m_sys;
};

} // namespace camdeck
