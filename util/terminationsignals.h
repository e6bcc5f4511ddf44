// SIGINT and SIGTERM as bytes on a descriptor, so a program can end the
// ordinary way: the panel and camdeck-ctl say farewell, the simulator closes
// its pty. The first signal is noted; a second one ends the program at once,
// as if nothing had caught the first.
#pragma once

#include <functional>

class QObject;

// Installs the handlers once; readable once a signal came, each byte the
// signal's number. -1 if the descriptor could not be made.
int terminationSignalFd();

// The same through the event loop: onSignal runs on it, owned by context.
void onTerminationSignals(QObject *context, std::function<void()> onSignal);
