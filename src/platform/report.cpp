// Diagnostics: the one place that formats, escapes, deduplicates and emits findings about a
// magazine's files. A plain table of (file, check) pairs seen since the last flush keeps a
// flood of one message (100,000 unclosed tags) down to two lines.
#include "platform/report.h"
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <mutex>

namespace {
struct seenPair {
    char file[1024];
    char check[48];
    char message[1024];
    long count;
};
enum { MAX_PAIRS = 512 };
seenPair pairs[MAX_PAIRS];
int numberOfPairs = 0;
char currentFile[1024] = "";
reportSink sink = nullptr;
std::mutex lock;  // the music handler reports too
}

void escapeForReport(const char* text, char* out, int size)
{
    int o = 0;
    if (size <= 0) return;
    for (const unsigned char* p = (const unsigned char*)text; *p && o < size - 1; p++) {
        char piece[8];
        if (*p == '\r') snprintf(piece, sizeof piece, "\\r");
        else if (*p == '\n') snprintf(piece, sizeof piece, "\\n");
        else if (*p == '\t') snprintf(piece, sizeof piece, "\\t");
        else if (*p < 32 || *p == 127) snprintf(piece, sizeof piece, "\\x%02x", *p);
        else { piece[0] = (char)*p; piece[1] = 0; }
        int n = (int)strlen(piece);
        if (o + n > size - 1) break;
        memcpy(out + o, piece, n);
        o += n;
    }
    out[o] = 0;
}

static void printFinding(const reportFinding& f)
{
    char file[1024];
    escapeForReport(f.file, file, sizeof file);
    if (!file[0]) fprintf(stderr, "%s\n", f.message);
    else if (f.line > 0) fprintf(stderr, "%s:%d: %s\n", file, f.line, f.message);
    else fprintf(stderr, "%s: %s\n", file, f.message);
}

// Returns the pair's slot after counting this finding; -1 when the table is full.
static int countPair(const char* file, const char* check, const char* message)
{
    for (int i = 0; i < numberOfPairs; i++)
        if (strcmp(pairs[i].file, file) == 0 && strcmp(pairs[i].check, check) == 0) {
            pairs[i].count++;
            return i;
        }
    if (numberOfPairs == MAX_PAIRS) return -1;
    seenPair& p = pairs[numberOfPairs];
    snprintf(p.file, sizeof p.file, "%s", file);
    snprintf(p.check, sizeof p.check, "%s", check);
    snprintf(p.message, sizeof p.message, "%s", message);
    p.count = 1;
    return numberOfPairs++;
}

void report(const char* file, int line, reportLevel level, const char* check, const char* fmt, ...)
{
    char raw[1024], message[1024];
    va_list ap;
    va_start(ap, fmt);
    vsnprintf(raw, sizeof raw, fmt, ap);
    va_end(ap);
    escapeForReport(raw, message, sizeof message);
    std::lock_guard<std::mutex> hold(lock);
    reportFinding f = {file ? file : currentFile, line, 0, level, check ? check : "", message};
    if (sink) {
        sink(f);
        return;
    }
    int slot = countPair(f.file, f.check, message);
    if (slot < 0 || pairs[slot].count == 1) printFinding(f);
}

void setReportFile(const char* file)
{
    std::lock_guard<std::mutex> hold(lock);
    snprintf(currentFile, sizeof currentFile, "%s", file ? file : "");
}

void reportFlush()
{
    std::lock_guard<std::mutex> hold(lock);
    for (int i = 0; i < numberOfPairs; i++) {
        if (pairs[i].count < 2) continue;
        char file[1024];
        escapeForReport(pairs[i].file, file, sizeof file);
        fprintf(stderr, "%s%s%ld more like: %s\n", file, file[0] ? ": " : "", pairs[i].count - 1,
                pairs[i].message);
    }
    numberOfPairs = 0;
}

void setReportSink(reportSink s)
{
    std::lock_guard<std::mutex> hold(lock);
    sink = s;
}
