// --help and --version need no display: a program that is asked only for them
// answers before it asks the window system for anything, so both work on a
// machine without X.
#pragma once

// The version every program says, from the project's.
inline constexpr char camdeckVersion[] = CAMDECK_VERSION;

bool asksForHelpOrVersion(int argc, char *argv[]);
