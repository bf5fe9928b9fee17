// A scripted stand-in for the player, for the music tests: it speaks the real protocol over
// the real ports, one step at a time, and logs what it got. Its one argument is the script,
// blank-separated steps:
//   log:PATH      append a line per event to PATH
//   own           publish "musicplayerport" (exit 3 if that fails)
//   report:N      send N to "demoport", wait for the answer; logs "report N -> ANSWER"
//   serve:K       answer K requests at the owned port (command unchanged); logs "got C"
//   late:MS       take one request, report 2 to "demoport" first, answer MS ms later
//   hold:MS       take one request, keep it MS ms unanswered, then hang up
//   sleep:MS
#include "music/protocol.h"
#include "platform/ports.h"
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

static FILE* logFile;
static namedPort port;

static void logLine(const char* fmt, int a, int b = 0)
{
    if (!logFile) return;
    fprintf(logFile, fmt, a, b);
    fputc('\n', logFile);
    fflush(logFile);
}

static int report(int code)
{
    musicMessage msg = newMusicMessage(code);
    int c = portPut(HANDLER_PORT, &msg, sizeof msg, 2000);
    int answer = (c >= 0 && portAwaitReply(c, &msg, sizeof msg, 2000)) ? msg.command : -1;
    logLine("report %d -> %d", code, answer);
    return answer;
}

// Waits up to ten seconds for one request.
static int take(musicMessage* msg)
{
    for (int i = 0; i < 100; i++) {
        if (portWait(&port, 100) > 0) {
            int c = portTake(&port, msg, sizeof *msg);
            if (c >= 0) {
                logLine("got %d", msg->command);
                return c;
            }
        }
    }
    logLine("no request %d", 0);
    return -1;
}

static void step(const char* s)
{
    musicMessage msg;
    int c;
    if (strncmp(s, "log:", 4) == 0) logFile = fopen(s + 4, "a");
    else if (strcmp(s, "own") == 0) {
        if (!portCreate(&port, PLAYER_PORT)) exit(3);
    } else if (strncmp(s, "report:", 7) == 0) report(atoi(s + 7));
    else if (strncmp(s, "serve:", 6) == 0) {
        for (int k = atoi(s + 6); k > 0; k--)
            if ((c = take(&msg)) >= 0) portReply(c, &msg, sizeof msg);
    } else if (strncmp(s, "late:", 5) == 0) {
        if ((c = take(&msg)) < 0) return;
        report(2);
        usleep(atoi(s + 5) * 1000);
        portReply(c, &msg, sizeof msg);
    } else if (strncmp(s, "hold:", 5) == 0) {
        if ((c = take(&msg)) < 0) return;
        usleep(atoi(s + 5) * 1000);
        portRefuse(c);
    } else if (strncmp(s, "sleep:", 6) == 0) usleep(atoi(s + 6) * 1000);
}

int main(int argc, char** argv)
{
    if (argc != 2) return 2;
    char script[1024];
    snprintf(script, sizeof script, "%s", argv[1]);
    char* save = nullptr;
    for (char* s = strtok_r(script, " ", &save); s; s = strtok_r(nullptr, " ", &save)) step(s);
    portDelete(&port);
    logLine("done %d", 0);
    return 0;
}
