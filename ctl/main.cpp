// camdeck-ctl: the camera and the motor drive from a shell script. Everything
// but the real streams, pauses and signals lives in camdeck_ctl_core.
#include "ctl.h"

#include "util/terminationsignals.h"

#include <QCoreApplication>

#include <csignal>
#include <iostream>

int main(int argc, char *argv[])
{
    // For the session bus, where an open panel may take the commands.
    QCoreApplication application(argc, argv);
    // Ctrl+C or SIGTERM lets what is queued go out and the port be restored; a
    // second one ends the program at once.
    const int interrupted = terminationSignalFd();
    // A reader that goes away (| head -1) must not end us before the farewell.
    std::signal(SIGPIPE, SIG_IGN);
    camdeck::ctl::Host host{std::cout, std::cerr, std::cin, {}, interrupted};
    return camdeck::ctl::run(std::vector<std::string>(argv + 1, argv + argc), host);
}
