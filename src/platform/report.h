// Diagnostics about a magazine's files: one line each, naming the file (and line) it is about,
// control characters escaped, and a repeated message told once per file with a count.
// The viewer prints them on standard error; the authoring checker installs a sink and
// collects the very same findings, so viewer and checker never disagree.
#pragma once

enum reportLevel { REPORT_ERROR, REPORT_WARNING, REPORT_NOTE };

struct reportFinding {
    const char* file;     // path as the viewer opened it (relative to the magazine), or ""
    int line;             // 1-based, 0 when the finding is about the whole file
    int column;           // 1-based, 0 when it means nothing
    reportLevel level;
    const char* check;    // short kebab-case name of the rule, e.g. "ppm-header"
    const char* message;  // the viewer's own wording, without the file name
};

// Reports one finding. The first finding of each (file, check) pair is passed on; later ones
// are only counted until reportFlush. file may be null (then the current file, see below).
void report(const char* file, int line, reportLevel level, const char* check, const char* fmt, ...)
    __attribute__((format(printf, 5, 6)));

// The file that findings without a file name belong to (an article while it is paginated).
// Pass null to clear. The text is copied.
void setReportFile(const char* file);

// Prints "FILE: N more like: MESSAGE" for every pair that was repeated, then forgets all pairs.
void reportFlush();

// Where findings go: the default prints "FILE:LINE: MESSAGE" on standard error. Pass null for
// the default. The sink sees every finding, repeats included, so a checker can count them.
typedef void (*reportSink)(const reportFinding& finding);
void setReportSink(reportSink sink);

// Writes text into out (size bytes) with control characters and bytes above 126 as \r, \t,
// \xNN, so that a name with a CR in it cannot garble the terminal.
void escapeForReport(const char* text, char* out, int size);
