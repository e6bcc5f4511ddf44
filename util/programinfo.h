// What every program says of itself: its version, the application's id (its
// desktop file, its AppStream data and its name on the session bus), and
// --help and --version without a display: a program asked only for them
// answers before it asks the window system for anything.
#pragma once

// The version every program says, from the project's.
inline constexpr char camdeckVersion[] = CAMDECK_VERSION;
// Reverse DNS, as desktop files, AppStream and D-Bus want it.
inline constexpr char camdeckAppId[] = "org.example.camdeck";

bool asksForHelpOrVersion(int argc, char *argv[]);
