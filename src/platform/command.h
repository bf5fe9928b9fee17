// Background commands: the line "run <>NIL: <program> <argument>" starts <program> directly
// (no shell) with its standard streams on the null device; this service reaps its children.
#pragma once

struct commandLine {
    char program[1024];
    char argument[1024];
    int hasArgument; // 0: the line ends after the program name
};

// Splits a command line. The optional leading "run" word and "<>NIL:" redirection are
// dropped; the program name runs to the next blank; the argument is the rest of the line
// after that blank with one pair of enclosing double quotes removed, byte for byte.
// Returns 1, or 0 when there is no program name or a part does not fit.
int parseCommandLine(const char* line, commandLine* out);

// Starts the command in the background and returns at once: 1 if it started, else 0 with
// one line on standard error.
int runCommand(const char* line);
// Children started by runCommand that have not ended yet.
int runningCommands();
// Asks every running child to end (SIGTERM), waits up to timeoutMs, then kills what is left.
// Returns when all are reaped.
void stopCommands(int timeoutMs);
