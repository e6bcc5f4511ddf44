#include "openfailure.h"

#include <cstring>

namespace camdeck {

bool isInUse(const OpenResult &result)
{
    return result.reason == OpenResult::InUse
        || (result.reason == OpenResult::OpenFailed && result.error == EBUSY);
}

OpenFailureWords describeOpenFailure(const OpenResult &result)
{
    const std::string system = std::strerror(result.error);
    const std::string untouched = "it was left as it was";
    if (isInUse(result))
        return {"the port is in use by another program (" + system + ")",
                "close that program (a terminal, a logger, another camdeck) and try again; the "
                "port's settings were not touched"};
    switch (result.reason) {
    case OpenResult::Opened:
        return {};
    case OpenResult::InUse:
    case OpenResult::OpenFailed:
        if (result.error == EACCES)
            return {system,
                    "a serial port belongs to a group, usually dialout: add yourself "
                    "with 'sudo usermod -aG dialout $USER' and log in again"};
        return {system, {}};
    case OpenResult::NotATerminal:
        return {system, "it is not a serial device; nothing was written to it"};
    case OpenResult::SettingsFailed:
        return {"it refused its settings (" + system + ")", untouched};
    case OpenResult::SettingsNotTaken:
        return {"it did not take the settings the camera needs (raw 9600 baud, 8 data bits, no "
                "parity, 1 stop bit, no flow control)",
                untouched};
    }
    return {system, {}};
}

} // namespace camdeck
