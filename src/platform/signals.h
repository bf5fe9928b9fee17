// The requests to end that arrive as signals (SIGTERM, SIGINT, SIGHUP). The handler only
// notes the signal; the main loop asks for it and ends the program in its own time.
#pragma once

void catchQuitSignals();
// The number of the first quit signal received, 0 while none came.
int quitSignalReceived();
