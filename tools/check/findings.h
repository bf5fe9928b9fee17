// The checker's findings: collected from its own checks and from the viewer's diagnostics
// (through the report sink), then sorted and printed GCC style or as JSON.
#pragma once
#include <string>
#include <vector>

enum severity { SEVERITY_ERROR, SEVERITY_WARNING, SEVERITY_NOTE };

struct finding {
    std::string file;   // relative to the magazine
    int line;           // 1-based; 0 = the whole file (printed as 1)
    int column;         // 1-based; 0 = none
    severity level;
    std::string check;
    std::string message;
    bool fromViewer;    // came through the report sink
};

void addFinding(const std::string& file, int line, int column, severity level, const char* check,
                const std::string& message);
__attribute__((format(printf, 6, 7))) void addFindingf(const std::string& file, int line, int column,
                                                       severity level, const char* check, const char* fmt, ...);
// Forgets what the viewer said about a file the checker names better itself (any check, or
// only `check`: a folder's summary where the checker names each file instead).
void dropViewerFindings(const std::string& file, const char* check = nullptr);
// How many findings are held so far: the checker adds its own fallback only where a call
// into the viewer's code told nothing.
size_t findingCount();

// The viewer's diagnostics become findings. While a position is set, a finding about that
// file without a line takes it: the checker's own pass over an article calls isTag at each
// tag and so places the viewer's tag messages. While discarding, the sink drops everything.
void installViewerSink();
void setSinkPosition(const char* file, int line, int column);
void clearSinkPosition();
void setSinkDiscarding(bool discard);

// Sorted by file, line, column; repeats dropped, and a viewer finding without a line dropped
// when the same file and check also came with one.
std::vector<finding> finishedFindings();
// Prints the findings (and the summary line) to out; returns the exit status.
int printFindings(const std::vector<finding>& all, bool json, bool strict, int out);

// Text made printable: control bytes and bytes outside valid UTF-8 as \xNN escapes.
std::string printable(const std::string& text);
// Length of the valid UTF-8 sequence of two to four bytes at p, or 0.
int utf8Length(const unsigned char* p);
// Where a byte offset of a text lies, 1-based.
void lineAndColumn(const char* text, long offset, int* line, int* column);
// Levenshtein distance, capped (counting stops beyond cap).
int editDistance(const std::string& a, const std::string& b, int cap);
