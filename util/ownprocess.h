// What the benchmark and the soak ask of their own process: its memory as
// the kernel counts it, and a session bus to run on.
#pragma once

// A figure of /proc/self/status in kB, or -1: "VmRSS:" (resident now),
// "VmHWM:" (its peak), "RssAnon:" (the heap and stacks, where a leak shows),
// "RssFile:" (pages of the program and its libraries, read in as code first runs).
long long statusKilobytes(const char *key);

// True when there is a session bus. Without one, runs this program again,
// with the same arguments, under dbus-run-session (a bus of its own, gone
// when it ends) and does not return; false when that could not be started.
bool onASessionBus(int argc, char *argv[]);
