#include "openfailure.h"

#include <cstring>

namespace camdeck::ctl {

bool isInUse(const OpenResult &result)
{
    return result.reason == OpenResult::InUse
        || (result.reason == OpenResult::OpenFailed && result.error == EBUSY);
}

std::string describeOpenFailure(const std::string &path, const OpenResult &result)
{
    const std::string system = std::strerror(result.error);
    const std::string cannot = "cannot open " + path + ": ";
    if (isInUse(result))
        return cannot + "in use by another program (" + system + "); its settings were not touched";
    switch (result.reason) {
    case OpenResult::Opened:
        return {};
    case OpenResult::InUse:
    case OpenResult::OpenFailed:
        if (result.error == EACCES)
            return cannot + system
                + "; a serial port belongs to a group, usually dialout: add yourself with "
                  "'sudo usermod -aG dialout $USER' and log in again";
        return cannot + system;
    case OpenResult::NotATerminal:
        return cannot + system + "; it is not a serial device, nothing was written to it";
    case OpenResult::SettingsFailed:
        return cannot + "it refused its settings (" + system + "); it was left as it was";
    case OpenResult::SettingsNotTaken:
        return cannot
            + "it did not take the settings the camera needs (raw 9600 baud, 8 data bits, no "
              "parity, 1 stop bit, no flow control); it was left as it was";
    }
    return cannot + system;
}

} // namespace camdeck::ctl
