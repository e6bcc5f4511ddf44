// camdeck-ctl: the camera and the motor drive from a shell script. Everything
// but the system's ports, preset files and signals lives in camdeck_ctl_core.
#include "ctl.h"
#include "system.h"

#include <csignal>
#include <fcntl.h>
#include <iostream>
#include <unistd.h>

namespace {

int signalPipe[2] = {-1, -1};

void noteSignal(int signal)
{
    const auto number = static_cast<unsigned char>(signal);
    [[maybe_unused]] const ssize_t n = ::write(signalPipe[1], &number, 1);
}

// Ctrl+C or SIGTERM lets what is queued go out and the port be restored; a
// second one ends the program at once.
void catchTerminationSignals()
{
    if (::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    struct sigaction action = {};
    action.sa_handler = noteSignal;
    action.sa_flags = SA_RESETHAND | SA_RESTART;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    // A reader that goes away (| head -1) must not end us before the farewell.
    std::signal(SIGPIPE, SIG_IGN);
}

} // namespace

int main(int argc, char *argv[])
{
    catchTerminationSignals();
    camdeck::ctl::Host host{
        std::cout, std::cerr,    std::cin, camdeck::ctl::systemPorts, camdeck::ctl::readPresetFile,
        {},        signalPipe[0]};
    return camdeck::ctl::run(std::vector<std::string>(argv + 1, argv + argc), host);
}
