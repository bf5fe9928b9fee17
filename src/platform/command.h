// Background commands: the line "run <>NIL: <program> <argument>" starts <program> directly
// (no shell) with its input and output on the null device (its standard error stays ours);
// this service reaps its children and tells their owner when one has ended.
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

// Called on the child's watcher thread once the child has ended and was reaped.
typedef void (*commandEnded)(int pid);
// Starts program with one argument (none if null) in the background and returns at once:
// its pid, or 0 with one line on standard error (or "Can't create subtask" on standard
// output when no watcher could be made; the child is then ended at once).
int runProgram(const char* program, const char* argument, commandEnded onEnd);
// The same for a command line: 1 if it started, else 0.
int runCommand(const char* line);
// Sends sig to a running child of ours (never to a pid that may have been reused): 1 if sent.
int signalCommand(int pid, int sig);
// Children started by runCommand that have not ended yet.
int runningCommands();
// Asks every running child to end (SIGTERM), waits up to timeoutMs, then kills what is left.
// Returns when all are reaped.
void stopCommands(int timeoutMs);
