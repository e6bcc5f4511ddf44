// A pseudo-terminal standing in for a USB adapter and the device behind it:
// programs open the slave's path as they open /dev/ttyUSB0, and whoever plays
// the device reads and writes the master. The slave is held open here too, so
// the master sees no hang-up while nobody has the line open. Raw 9600 8N1
// from the start, as a device's line is; the master never blocks.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class PseudoTerminal {
public:
    // raw: 9600 8N1 without echo or line editing from the start, as a device's
    // line is; else as the system makes it, so a test sees what a program changed.
    explicit PseudoTerminal(bool raw = true);
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal &) = delete;
    PseudoTerminal &operator=(const PseudoTerminal &) = delete;

    // 0, or the errno that kept the pair from being made.
    int error() const { return m_error; }
    int master() const { return m_master; }
    int slave() const { return m_slave; }
    const std::string &slavePath() const { return m_slavePath; }

    // Writes all of bytes to the master; false if the master refused them.
    bool send(const std::uint8_t *data, std::size_t size);
    bool send(const std::vector<std::uint8_t> &bytes) { return send(bytes.data(), bytes.size()); }
    // The adapter is pulled: the master closes and the slave hangs up.
    void closeMaster();

private:
    int m_error = 0;
    int m_master = -1;
    int m_slave = -1;
    std::string m_slavePath;
};
