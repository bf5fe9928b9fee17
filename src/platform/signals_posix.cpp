// Quit signals on POSIX: the handler stores the signal number and nothing else, since it may
// interrupt any code; the idle callback carries out the shutdown.
#include "platform/signals.h"
#include <csignal>

static volatile sig_atomic_t quitSignal = 0;

static void noteQuitSignal(int signo)
{
    if (quitSignal == 0) quitSignal = signo;
}

void catchQuitSignals()
{
    struct sigaction action = {};
    action.sa_handler = noteQuitSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART; // reads and waits elsewhere go on as if nothing happened
    const int signals[] = {SIGTERM, SIGINT, SIGHUP};
    for (int signo : signals) sigaction(signo, &action, nullptr);
}

int quitSignalReceived() { return quitSignal; }
