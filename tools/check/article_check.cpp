// Checks every loaded article with the viewer's own tag reader and row layout: link and tune
// targets, tags, rows and pages as the viewer makes them, and characters the font can't show.
#include "checks.h"
#include "text/title.h"
#include "content/catalogue.h"
#include "content/directories.h"
#include "findings.h"
#include "input/mouse.h"
#include "input/selections.h"
#include "music/link.h"
#include "platform/report.h"
#include "prefs/prefs.h"
#include "text/layout.h"
#include "text/markup.h"
#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>

struct rowSpan {
    int start, next, page, row;
    bool heading, ended;
};

struct openTag {
    int kind;   // TAG_NONE when no item is open
    long at;    // offset of the opening tag
    int length;
    int line, column;
};

// One byte kind the font can't show: where it first stands, how often it does.
struct byteFinding {
    int count = 0, line = 0, column = 0;
    std::string message;
};

struct articleScan {
    std::string path;
    const char* text;
    const pictureFacts* pictures;
    std::vector<rowSpan> rows;
    openTag item = {TAG_NONE, 0, 0, 0, 0};
    bool colour = false;
    std::map<std::string, byteFinding> bytes; // by check name
    const std::vector<std::string>* targets;
    const std::vector<std::string>* songs;
};

static void collectRow(const rowLayout* row, int page, int rowOnPage, void* context)
{
    articleScan* s = (articleScan*)context;
    s->rows.push_back({row->start, row->next, page, rowOnPage, row->scale == 2.0f, row->ended != 0});
}

// The row that holds offset, by the viewer's own rows (the last one starting at or before it).
static int rowOf(const articleScan& s, long offset)
{
    auto it = std::upper_bound(s.rows.begin(), s.rows.end(), offset,
                               [](long o, const rowSpan& r) { return o < r.start; });
    return it == s.rows.begin() ? 0 : (int)(it - s.rows.begin()) - 1;
}

// A row begins a paragraph when the row before it ended with a line feed, or when the next
// slot consumed the line feed right behind it.
static bool beginsParagraph(const articleScan& s, size_t r)
{
    if (r == 0) return true;
    const rowSpan& before = s.rows[r - 1];
    return s.text[before.next - 1] == '\n' || s.text[before.next] == '\n';
}

static void checkHeadings(articleScan& s)
{
    for (size_t r = 0; r + 1 < s.rows.size(); r++) {
        if (!s.rows[r].heading || s.rows[r].ended || beginsParagraph(s, r + 1)) continue;
        int line, column;
        lineAndColumn(s.text, s.rows[r].start, &line, &column);
        addFindingf(s.path, line, column, SEVERITY_WARNING, "heading-too-long",
                    "the heading is longer than the %d characters a heading row holds; the rest goes on "
                    "at normal size", (int)((float)MAX_CHARACTERS_ROW / 2.0f));
    }
}

static bool hasInk(const char* text, long from, long to)
{
    for (long i = from; i < to && text[i]; i++) {
        int length = 0;
        if (text[i] == '[' && isTag(text + i, &length, nullptr, 0)) {
            i += length - 1;
            continue;
        }
        if (!strchr(" \n\r\t", text[i])) return true;
    }
    return false;
}

static void checkPages(articleScan& s)
{
    if (!hasInk(s.text, 0, (long)strlen(s.text))) {
        addFinding(s.path, 0, 0, SEVERITY_WARNING, "empty-article", "the article shows nothing");
        return;
    }
    int last = s.rows.empty() ? 1 : s.rows.back().page;
    if (last < 2) return;
    size_t first = s.rows.size();
    while (first > 0 && s.rows[first - 1].page == last) first--;
    for (size_t r = first; r < s.rows.size(); r++)
        if (hasInk(s.text, s.rows[r].start, s.rows[r].next)) return;
    int line, column;
    lineAndColumn(s.text, s.rows[first].start, &line, &column);
    addFindingf(s.path, line, 0, SEVERITY_WARNING, "empty-last-page",
                "the last page (%d) is empty: the reader turns to a blank page", last);
}

// A link's text should sit on one row: the viewer makes one rectangle from its first drawn
// character to where its closing tag stands.
static void checkLinkRows(articleScan& s, const openTag& open, long close)
{
    long first = -1, last = -1;
    for (long i = open.at + open.length; i < close; i++) {
        int length = 0;
        if (s.text[i] == '[' && isTag(s.text + i, &length, nullptr, 0)) {
            i += length - 1;
            continue;
        }
        if (strchr(" \n", s.text[i])) continue;
        if (first < 0) first = i;
        last = i;
    }
    if (first < 0) {
        addFinding(s.path, open.line, open.column, SEVERITY_ERROR, "empty-link",
                   "the link has no text, so there is nothing to click");
        return;
    }
    const rowSpan& a = s.rows[rowOf(s, first)];
    const rowSpan& b = s.rows[rowOf(s, last)];
    if (&a == &b) return;
    addFindingf(s.path, open.line, open.column, SEVERITY_ERROR, "link-wraps",
                "the link text wraps from page %d row %d to page %d row %d: the viewer makes one rectangle "
                "from its first to its last character, so it can't be clicked where it is drawn",
                a.page, a.row, b.page, b.row);
}

static bool colourValid(const std::string& v)
{
    if (!v.empty() && v[0] == '#') {
        if (v.size() != 7) return false;
        for (size_t i = 1; i < 7; i++)
            if (!isxdigit((unsigned char)v[i])) return false;
        return true;
    }
    const char* p = v.c_str();
    int numbers = 0;
    while (*p) {
        while (*p == ' ') p++;
        if (!*p) break;
        char* end;
        double d = strtod(p, &end);
        if (end == p || d < 0.0 || d > 1.0 || (*end && *end != ' ')) return false;
        numbers++;
        p = end;
    }
    return numbers == 4;
}

static void checkItemTarget(articleScan& s, int kind, const std::string& value, int line, int column)
{
    const int keeps = (int)sizeof menuSelections[0].link - 1;
    if ((int)value.size() > keeps)
        addFindingf(s.path, line, column, SEVERITY_ERROR, "link-too-long",
                    "'%s' is longer than the %d characters the viewer keeps of a link", value.c_str(), keeps);
    else if (kind == TAG_MUSIC && findSong(value.c_str()) < 0)
        addFindingf(s.path, line, column, SEVERITY_ERROR, "music-target", "'%s' names no tune in Songs/%s",
                    value.c_str(), suggestion(value, *s.songs).c_str());
    else if (kind == TAG_MI && linkWordIndex(value.c_str()) < 0 && findArticle(value.c_str()) < 0 &&
             findSong(value.c_str()) < 0)
        addFindingf(s.path, line, column, SEVERITY_ERROR, "link-target",
                    "'%s' names no article, link word or tune%s", value.c_str(),
                    suggestion(value, *s.targets).c_str());
}

static void checkBackground(articleScan& s, long at, const std::string& value, int line, int column)
{
    if (at != 0) {
        if (value.empty()) return; // "[[bkg=]h1]": the way to write a tag as text
        addFinding(s.path, line, column, SEVERITY_WARNING, "background-ignored",
                   "'[bkg=' selects the background only at the very start of an article; here it does nothing");
        return;
    }
    int k = findBackgroundIndex(s.text);
    if (k < 0)
        addFindingf(s.path, line, column, SEVERITY_ERROR, "background-missing",
                    "the background '%s' is no picture in Images/%s", value.c_str(),
                    suggestion(value, s.pictures->images).c_str());
    else if (backgroundArray[k].tiles == 0)
        addFindingf(s.path, line, column, SEVERITY_ERROR, "background-unusable",
                    "the background 'Images/%s' can't be read, so the article is drawn on black", value.c_str());
}

static void closeItem(articleScan& s, int kind, long at, int line, int column)
{
    const char* name = kind == TAG_MI_END ? "[/mi]" : "[/music]";
    if (s.item.kind == TAG_NONE) {
        addFindingf(s.path, line, column, SEVERITY_WARNING, "stray-closing-tag", "'%s' closes no link", name);
        return;
    }
    if ((s.item.kind == TAG_MI) != (kind == TAG_MI_END))
        addFindingf(s.path, line, column, SEVERITY_WARNING, "stray-closing-tag", "'%s' closes a '%s' item",
                    name, s.item.kind == TAG_MI ? "[mi=" : "[music=");
    checkLinkRows(s, s.item, at);
    s.item.kind = TAG_NONE;
}

static void actOnTag(articleScan& s, int kind, long at, int length, int line, int column)
{
    const char* tag = s.text + at;
    const char* eq = (const char*)memchr(tag, '=', (size_t)length);
    std::string value = eq ? std::string(eq + 1, tag + length - 1) : "";
    switch (kind) {
    case TAG_MI:
    case TAG_MUSIC:
        if (s.item.kind != TAG_NONE)
            addFinding(s.path, s.item.line, s.item.column, SEVERITY_ERROR, "link-not-closed",
                       "the link is not closed before the next one opens, so it can't be clicked");
        s.item = {kind, at, length, line, column};
        checkItemTarget(s, kind, value, line, column);
        break;
    case TAG_MI_END:
    case TAG_MUSIC_END: closeItem(s, kind, at, line, column); break;
    case TAG_COL:
        if (!colourValid(value))
            addFindingf(s.path, line, column, SEVERITY_ERROR, "colour-value",
                        "colour '%s' is neither four numbers from 0.0 to 1.0 separated by blanks nor #RRGGBB",
                        value.c_str());
        s.colour = true;
        break;
    case TAG_COL_END:
        if (!s.colour)
            addFinding(s.path, line, column, SEVERITY_WARNING, "stray-closing-tag", "'[/col]' closes no colour");
        s.colour = false;
        break;
    case TAG_BKG: checkBackground(s, at, value, line, column); break;
    }
}

static bool startsWith(const char* text, const char* prefix) { return strncmp(text, prefix, strlen(prefix)) == 0; }

// A paragraph marker acts when a row of the viewer's layout begins right behind it.
static bool markerActs(const articleScan& s, long at, bool heading)
{
    for (size_t r = 0; r < s.rows.size(); r++)
        if (s.rows[r].start == at + 4) return heading ? s.rows[r].heading : beginsParagraph(s, r);
    return false;
}

// An opening the viewer's tag reader refused without telling (it tells through the report
// service once the text engine routes its tag messages there): named with its words.
static void tellRefusedOpening(articleScan& s, const char* p, int line, int column)
{
    static const struct {
        const char *opening, *closing, *noBracket, *noClosing;
    } tags[] = {{"[mi=", "[/mi]", "menu-item", "Start menu item found, but no end tag '[/mi]'!"},
                {"[music=", "[/music]", "music", "Start music found, but no end tag '[/music]'!"},
                {"[col=", nullptr, "colour", nullptr},
                {"[bkg=", nullptr, "background", nullptr}};
    static const char* const what[] = {"menu item", "music", "text color", "background"};
    for (size_t k = 0; k < 4; k++) {
        if (!startsWith(p, tags[k].opening)) continue;
        const char* bracket = strchr(p + strlen(tags[k].opening), ']');
        std::string check = tags[k].noBracket;
        if (!bracket)
            addFindingf(s.path, line, column, SEVERITY_ERROR, (check + "-no-bracket").c_str(),
                        "Start %s found, but no end ']'!", what[k]);
        else if (tags[k].closing && !strstr(bracket + 1, tags[k].closing))
            addFinding(s.path, line, column, SEVERITY_ERROR, (check + "-no-end-tag").c_str(), tags[k].noClosing);
    }
}

// A '[' that starts no tag: a marker out of place, or a misspelt tag, is shown as text.
static void checkNotATag(articleScan& s, long at, int line, int column, bool told)
{
    const char* p = s.text + at;
    static const char* const openings[] = {"[mi=", "[music=", "[col=", "[bkg="};
    for (const char* o : openings)
        if (startsWith(p, o)) {
            if (!told) tellRefusedOpening(s, p, line, column);
            return;
        }
    if (startsWith(p, "[h1]") || startsWith(p, "[ni]")) {
        if (!markerActs(s, at, p[1] == 'h'))
            addFindingf(s.path, line, column, SEVERITY_WARNING, "marker-as-text",
                        "'%.4s' acts only at the start of a paragraph; here it is shown as text", p);
        return;
    }
    const char* q = p + 1;
    if (*q == '/') q++;
    while (*q == ' ') q++;
    std::string word;
    while (isalnum((unsigned char)*q) && word.size() < 8) word += (char)tolower((unsigned char)*q++);
    while (*q == ' ') q++;
    static const char* const names[] = {"mi", "music", "col", "bkg", "h1", "ni"};
    bool named = std::find_if(std::begin(names), std::end(names), [&](const char* n) { return word == n; }) !=
                 std::end(names);
    if (named && (*q == '=' || *q == ']'))
        addFindingf(s.path, line, column, SEVERITY_WARNING, "unknown-tag",
                    "'%s' is not a tag (tags are lower case, without blanks); it is shown as text",
                    printable(std::string(p, q + 1)).c_str());
}

static void countByte(articleScan& s, const char* check, int line, int column, const std::string& message)
{
    byteFinding& b = s.bytes[check];
    if (b.count++ == 0) b = {1, line, column, message};
}

// Bytes drawn from the font: those with no cell, and UTF-8 read as single bytes.
static int checkByte(articleScan& s, long at, int line, int column)
{
    const unsigned char* p = (const unsigned char*)s.text + at;
    char text[160];
    if (*p == '\r') countByte(s, "cr-line-end", line, column, "a CR: the font has no cell for it, so it shows as a blank");
    else if (*p == '\t') countByte(s, "tab", line, column, "a tab: the font has no cell for it, so it shows as one blank");
    else if (*p < 32 && *p != '\n') {
        snprintf(text, sizeof text, "byte 0x%02x has no cell in the font atlas", *p);
        countByte(s, "no-font-cell", line, column, text);
    } else if (*p >= 0x80 && utf8Length(p)) {
        int n = utf8Length(p);
        snprintf(text, sizeof text, "UTF-8 '%.*s' is shown as %s characters", n, (const char*)p,
                 n == 2 ? "two" : n == 3 ? "three" : "four");
        countByte(s, "utf8", line, column, text);
        return n;
    } else if (*p > 32 && s.pictures->atlas && (!s.pictures->hasCell[0][*p] || !s.pictures->hasCell[1][*p])) {
        snprintf(text, sizeof text, "byte 0x%02x has no glyph in the font atlas at %s", *p,
                 s.pictures->hasCell[0][*p] ? "640x480" : s.pictures->hasCell[1][*p] ? "1280x960" : "either size");
        countByte(s, "no-font-cell", line, column, text);
    }
    return 1;
}

static void advance(const char* text, long from, long to, int* line, int* column)
{
    for (long i = from; i < to; i++) {
        if (text[i] == '\n') {
            (*line)++;
            *column = 1;
        } else {
            (*column)++;
        }
    }
}

static void walkText(articleScan& s)
{
    int line = 1, column = 1;
    for (long i = 0; s.text[i];) {
        int step = 1;
        if (s.text[i] == '[') {
            int length = 0;
            size_t before = findingCount();
            setSinkPosition(s.path.c_str(), line, column);
            int kind = isTag(s.text + i, &length, nullptr, 0);
            clearSinkPosition();
            if (kind != TAG_NONE) {
                actOnTag(s, kind, i, length, line, column);
                step = length;
            } else {
                checkNotATag(s, i, line, column, findingCount() != before);
            }
        } else {
            step = checkByte(s, i, line, column);
        }
        advance(s.text, i, i + step, &line, &column);
        i += step;
    }
    for (const auto& [check, b] : s.bytes)
        addFindingf(s.path, b.line, b.column, SEVERITY_WARNING, check.c_str(), "%s%s", b.message.c_str(),
                    b.count > 1 ? (" (" + std::to_string(b.count - 1) + " more in this article)").c_str() : "");
}

// The title row holds half a row, the page label of the last page included.
static void checkTitle(const articleEntry& a, const std::string& path)
{
    if (!articleShowTitle) return;
    char line[1024];
    buildTitleLine(line, sizeof line, a.name, a.numberOfPages, a.numberOfPages - 1, MAX_CHARACTERS_ROW);
    const char* underscore = strchr(a.name, '_');
    std::string title = underscore ? underscore + 1 : a.name;
    const char* shown = line + 4;
    bool whole = strncmp(shown, title.c_str(), title.size()) == 0 &&
                 (strlen(shown) == title.size() || shown[title.size()] == ' ');
    if (!whole)
        addFindingf(path, 0, 0, SEVERITY_WARNING, "title-too-long",
                    "the title '%s' is cut: the title row shows '%s' (half a row, page label included)",
                    title.c_str(), shown);
}

void checkArticles(const pictureFacts& pictures)
{
    std::vector<std::string> targets = linkCandidates(true, true), songs;
    for (int i = 0; i < numberOfSongs; i++) {
        songs.push_back(songFileName(songNames[i]));
    }
    for (int i = 0; articleArray && i < articles; i++) {
        articleEntry& a = articleArray[i];
        articleScan s;
        s.path = std::string("Articles/") + a.name;
        s.text = a.text;
        s.pictures = &pictures;
        s.targets = &targets;
        s.songs = &songs;
        setReportFile(s.path.c_str()); // the viewer's tag messages name the article
        paginate(a.text, nullptr, collectRow, &s);
        walkText(s);
        checkHeadings(s);
        checkPages(s);
        setReportFile(nullptr);
        checkTitle(a, s.path);
    }
}
