// SIGINT and SIGTERM delivered through the event loop, so a program can end
// the ordinary way (the panel says farewell; the simulator closes its pty).
#pragma once

#include <functional>

class QObject;

// Installs the handlers once; onSignal runs on the event loop, owned by context.
void onTerminationSignals(QObject *context, std::function<void()> onSignal);
