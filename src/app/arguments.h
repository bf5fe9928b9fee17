// The viewer's command line: an optional magazine folder, --help and --version. Read before
// anything is shown, so that a wrong command line never opens a window.
#pragma once

// Returns -1 when the viewer should go on: in the current directory, or in DIR after
// changing into it. Otherwise the exit status: 0 after --help or --version (printed on
// standard output), 2 after one line on standard error for an unknown option, a second
// folder, or a DIR that is no folder or has no prefs.txt.
int handleArguments(int argc, char** argv);
