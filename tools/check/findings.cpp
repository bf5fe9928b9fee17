// Owns the list of findings, the sink that turns the viewer's own diagnostics into findings,
// and both output forms. Only printFindings writes to the checker's standard output.
#include "findings.h"
#include "platform/report.h"
#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <set>
#include <unistd.h>

static std::vector<finding> findings;
static struct {
    bool set;
    std::string file;
    int line, column;
    bool discard;
} position = {false, "", 0, 0, false};

void addFinding(const std::string& file, int line, int column, severity level, const char* check,
                const std::string& message)
{
    findings.push_back({file, line, column, level, check, message, false});
}

void addFindingf(const std::string& file, int line, int column, severity level, const char* check,
                 const char* fmt, ...)
{
    char message[2048];
    va_list ap;
    va_start(ap, fmt);
    vsnprintf(message, sizeof message, fmt, ap);
    va_end(ap);
    addFinding(file, line, column, level, check, message);
}

size_t findingCount() { return findings.size(); }

// The viewer tells these as warnings because it carries on; to a magazine's maker they mean a
// page shows something other than was meant (a tag shown as text, a link that does not work,
// the system pointer instead of the sheet's), so the checker counts them as errors.
static bool meansError(const std::string& check)
{
    static const char* const checks[] = {"menu-item-no-bracket", "menu-item-no-end-tag", "music-no-bracket",
                                         "music-no-end-tag", "colour-no-bracket", "background-no-bracket",
                                         "tag-too-long", "pointer-sheet"};
    for (const char* c : checks)
        if (check == c) return true;
    return false;
}

static void collect(const reportFinding& f)
{
    if (position.discard) return;
    finding g = {f.file ? f.file : "", f.line, f.column, SEVERITY_ERROR, f.check ? f.check : "",
                 f.message ? f.message : "", true};
    if (f.level == REPORT_WARNING) g.level = SEVERITY_WARNING;
    if (f.level == REPORT_NOTE) g.level = SEVERITY_NOTE;
    if (meansError(g.check)) g.level = SEVERITY_ERROR;
    // A line end the viewer's text still carries (raw, or as report()'s escape) is no part of it.
    while (!g.message.empty() && g.message.back() == '\n') g.message.pop_back();
    if (g.message.size() >= 2 && g.message.compare(g.message.size() - 2, 2, "\\n") == 0)
        g.message.resize(g.message.size() - 2);
    if (position.set && g.line == 0 && (g.file.empty() || g.file == position.file)) {
        g.file = position.file;
        g.line = position.line;
        g.column = position.column;
    }
    findings.push_back(g);
}

void installViewerSink() { setReportSink(collect); }

void setSinkPosition(const char* file, int line, int column)
{
    position.set = true;
    position.file = file;
    position.line = line;
    position.column = column;
}

void clearSinkPosition() { position.set = false; }
void setSinkDiscarding(bool discard) { position.discard = discard; }

static bool before(const finding& a, const finding& b)
{
    if (a.file != b.file) return a.file < b.file;
    int la = a.line > 0 ? a.line : 1, lb = b.line > 0 ? b.line : 1;
    if (la != lb) return la < lb;
    if (a.column != b.column) return a.column < b.column;
    if (a.check != b.check) return a.check < b.check;
    return a.message < b.message;
}

static bool same(const finding& a, const finding& b)
{
    return a.file == b.file && a.line == b.line && a.column == b.column && a.check == b.check &&
           a.message == b.message;
}

void dropViewerFindings(const std::string& file, const char* check)
{
    findings.erase(std::remove_if(findings.begin(), findings.end(),
                                  [&](const finding& f) {
                                      return f.fromViewer && f.file == file && (!check || f.check == check);
                                  }),
                   findings.end());
}

// A viewer finding without a line is a repeat when the checker's own pass placed the same
// one: the same file and check, or, for one that names no file, the same check and message.
static bool placedElsewhere(const finding& f, const std::set<std::pair<std::string, std::string>>& byFile,
                            const std::set<std::pair<std::string, std::string>>& byMessage)
{
    if (!f.fromViewer || f.line != 0) return false;
    return f.file.empty() ? byMessage.count({f.check, f.message}) > 0 : byFile.count({f.file, f.check}) > 0;
}

std::vector<finding> finishedFindings()
{
    std::set<std::pair<std::string, std::string>> byFile, byMessage;
    for (const finding& f : findings)
        if (f.line > 0) {
            byFile.insert({f.file, f.check});
            byMessage.insert({f.check, f.message});
        }
    std::vector<finding> out;
    for (const finding& f : findings)
        if (!placedElsewhere(f, byFile, byMessage)) out.push_back(f);
    std::stable_sort(out.begin(), out.end(), before);
    out.erase(std::unique(out.begin(), out.end(), same), out.end());
    return out;
}

int utf8Length(const unsigned char* p)
{
    int n = p[0] >= 0xF0 && p[0] <= 0xF4 ? 4 : p[0] >= 0xE0 ? 3 : p[0] >= 0xC2 ? 2 : 0;
    if (p[0] >= 0xF5) n = 0;
    for (int i = 1; i < n; i++)
        if ((p[i] & 0xC0) != 0x80) return 0;
    return n;
}

std::string printable(const std::string& text)
{
    std::string out;
    const unsigned char* p = (const unsigned char*)text.c_str();
    while (*p) {
        int n = *p >= 0x80 ? utf8Length(p) : 1;
        if (*p < 32 || *p == 127 || n == 0) {
            char piece[8];
            if (*p == '\r') snprintf(piece, sizeof piece, "\\r");
            else if (*p == '\t') snprintf(piece, sizeof piece, "\\t");
            else if (*p == '\n') snprintf(piece, sizeof piece, "\\n");
            else snprintf(piece, sizeof piece, "\\x%02x", *p);
            out += piece;
            p++;
            continue;
        }
        out.append((const char*)p, (size_t)n);
        p += n;
    }
    return out;
}

static std::string jsonString(const std::string& text)
{
    std::string out = "\"";
    for (char c : printable(text)) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    return out + "\"";
}

static const char* severityName(severity s)
{
    return s == SEVERITY_ERROR ? "error" : s == SEVERITY_WARNING ? "warning" : "note";
}

static void writeAll(int out, const std::string& text)
{
    size_t done = 0;
    while (done < text.size()) {
        ssize_t n = write(out, text.data() + done, text.size() - done);
        if (n <= 0) return;
        done += (size_t)n;
    }
}

static std::string textLine(const finding& f)
{
    char place[64];
    if (f.column > 0) snprintf(place, sizeof place, ":%d:%d", f.line > 0 ? f.line : 1, f.column);
    else snprintf(place, sizeof place, ":%d", f.line > 0 ? f.line : 1);
    return printable(f.file) + place + ": " + severityName(f.level) + ": " + printable(f.message) + " [" +
           f.check + "]\n";
}

static std::string jsonObject(const finding& f)
{
    char numbers[64];
    snprintf(numbers, sizeof numbers, "\"line\": %d, \"column\": ", f.line > 0 ? f.line : 1);
    std::string column = f.column > 0 ? std::to_string(f.column) : "null";
    return "{\"file\": " + jsonString(f.file) + ", " + numbers + column + ", \"severity\": \"" +
           severityName(f.level) + "\", \"check\": " + jsonString(f.check) +
           ", \"message\": " + jsonString(f.message) + "}";
}

int printFindings(const std::vector<finding>& all, bool json, bool strict, int out)
{
    int errors = 0, warnings = 0;
    std::string text = json ? "[" : "";
    for (size_t i = 0; i < all.size(); i++) {
        if (all[i].level == SEVERITY_ERROR) errors++;
        if (all[i].level == SEVERITY_WARNING) warnings++;
        if (json) text += (i ? ",\n " : "\n ") + jsonObject(all[i]);
        else text += textLine(all[i]);
    }
    if (json) {
        text += all.empty() ? "]\n" : "\n]\n";
    } else if (errors || warnings) {
        char summary[96];
        snprintf(summary, sizeof summary, "%d error%s, %d warning%s\n", errors, errors == 1 ? "" : "s",
                 warnings, warnings == 1 ? "" : "s");
        text += summary;
    }
    writeAll(out, text);
    return errors || (strict && warnings) ? 1 : 0;
}

void lineAndColumn(const char* text, long offset, int* line, int* column)
{
    int l = 1;
    long start = 0;
    for (long i = 0; i < offset && text[i]; i++)
        if (text[i] == '\n') {
            l++;
            start = i + 1;
        }
    *line = l;
    *column = (int)(offset - start) + 1;
}

int editDistance(const std::string& a, const std::string& b, int cap)
{
    if ((int)a.size() - (int)b.size() > cap || (int)b.size() - (int)a.size() > cap) return cap + 1;
    std::vector<int> row(b.size() + 1);
    for (size_t j = 0; j <= b.size(); j++) row[j] = (int)j;
    for (size_t i = 1; i <= a.size(); i++) {
        int diagonal = row[0];
        row[0] = (int)i;
        int best = row[0];
        for (size_t j = 1; j <= b.size(); j++) {
            int up = row[j];
            int cost = a[i - 1] == b[j - 1] ? 0 : 1;
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + cost});
            diagonal = up;
            best = std::min(best, row[j]);
        }
        if (best > cap) return cap + 1;
    }
    return row[b.size()];
}
