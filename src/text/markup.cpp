// Owns tag recognition and its diagnostics. isTag never changes the text. While a text is
// laid out (a tag-text scope), it remembers where the next ']' and the next closing tag of
// each kind lie, so that a tag left open does not send every row on a search to the end of
// the text: rows walk forward, and each remembered answer holds for every later lookup up
// to the place it found. Outside a scope every lookup searches afresh, with the same result.
#include "text/markup.h"
#include "platform/report.h"
#include <cstring>

// One remembered search: from `from` on, the first match is `found` (null: none to the end).
struct searchMemo {
    const char* from;
    const char* found;
};

static const char* const checkNames[] = {"menu-item-no-bracket", "menu-item-no-end-tag", "music-no-bracket",
                                         "music-no-end-tag",     "colour-no-bracket",    "",
                                         "background-no-bracket", "",                    "tag-too-long"};
enum { CHECK_TAG_TOO_LONG = 8, CHECKS = 9 };

enum { MEMO_BRACKET, MEMO_MI_END, MEMO_MUSIC_END, MEMOS };

static struct {
    int depth;                // nesting of tagTextBegin calls
    const char* text;         // the text of the outermost scope
    int tell;                 // 0: malformed tags were told when the text was paginated
    searchMemo memo[MEMOS];
    const char* reported[CHECKS]; // per check: the furthest tag already counted in this scope
    const char* message[CHECKS];  // per check: its message, told once when the scope ends
    int count[CHECKS];            // per check: how many malformed tags it found
} scope;

void tagTextBegin(const char* text, int tell)
{
    if (scope.depth++ > 0) return;
    memset(&scope, 0, sizeof scope);
    scope.depth = 1;
    scope.text = text;
    scope.tell = tell;
}

// Each kind of malformed tag is told once per laid-out text, with how often it occurs:
// reporting every occurrence would cost more than laying the text out.
void tagTextEnd()
{
    if (scope.depth == 0 || --scope.depth > 0 || !scope.tell) return;
    // Loading counts an article's pages, then records them: the second walk over the same
    // text finds the same tags and tells nothing new.
    static const char* lastText = nullptr;
    static int lastCount[CHECKS];
    if (scope.text == lastText && memcmp(lastCount, scope.count, sizeof lastCount) == 0) return;
    lastText = scope.text;
    memcpy(lastCount, scope.count, sizeof lastCount);
    for (int check = 0; check < CHECKS; check++) {
        if (scope.count[check] == 1)
            report(nullptr, 0, REPORT_WARNING, checkNames[check], "%s", scope.message[check]);
        else if (scope.count[check] > 1)
            report(nullptr, 0, REPORT_WARNING, checkNames[check], "%s (%d times)", scope.message[check],
                   scope.count[check]);
    }
}

static const char* search(int which, const char* from)
{
    if (which == MEMO_BRACKET) return strchr(from, ']');
    return strstr(from, which == MEMO_MI_END ? "[/mi]" : "[/music]");
}

static const char* find(int which, const char* from)
{
    if (scope.depth == 0 || from < scope.text) return search(which, from);
    searchMemo& m = scope.memo[which];
    if (m.from && from >= m.from && (!m.found || from <= m.found)) return m.found;
    m.from = from;
    m.found = search(which, from);
    return m.found;
}


struct openingTag {
    const char* opening;
    int closing;             // memo of the end tag that must follow later, or -1
    int result;
    int checks;              // index of its two checks in checkNames
    const char* noBracket;   // diagnostics
    const char* noClosing;
};


static const openingTag menuItemTag = {"[mi=", MEMO_MI_END, TAG_MI, 0, "Start menu item found, but no end ']'!",
                                       "Start menu item found, but no end tag '[/mi]'!"};
static const openingTag musicTag = {"[music=", MEMO_MUSIC_END, TAG_MUSIC, 2, "Start music found, but no end ']'!",
                                    "Start music found, but no end tag '[/music]'!"};
static const openingTag colourTag = {"[col=", -1, TAG_COL, 4, "Start text color found, but no end ']'!", nullptr};
static const openingTag backgroundTag = {"[bkg=", -1, TAG_BKG, 6, "Start background found, but no end ']'!",
                                         nullptr};

// Inside a scope a malformed tag is counted once however often rows look at it, and told
// when the scope ends; outside one it is told at once.
static void tell(int check, const char* tag, const char* message)
{
    if (scope.depth == 0 || tag < scope.text) {
        report(nullptr, 0, REPORT_WARNING, checkNames[check], "%s", message);
        return;
    }
    if (scope.reported[check] && tag <= scope.reported[check]) return;
    scope.reported[check] = tag;
    scope.message[check] = message;
    scope.count[check]++;
}

static int startsWith(const char* text, const char* prefix)
{
    return strncmp(text, prefix, strlen(prefix)) == 0;
}

static int openTag(const openingTag& tag, const char* text, int* length, char* value, int size)
{
    int valueStart = (int)strlen(tag.opening);
    const char* bracket = find(MEMO_BRACKET, text + valueStart);
    if (!bracket) {
        tell(tag.checks, text, tag.noBracket);
        return TAG_NONE;
    }
    if (tag.closing >= 0 && !find(tag.closing, bracket + 1)) {
        tell(tag.checks + 1, text, tag.noClosing);
        return TAG_NONE;
    }
    int valueEnd = (int)(bracket - text);
    if (value && !copyTagText(value, text, valueStart, valueEnd, size)) return TAG_NONE;
    if (length) *length = valueEnd + 1;
    return tag.result;
}

static int closeTag(const char* closing, int result, int* length)
{
    if (length) *length = (int)strlen(closing);
    return result;
}

int isTag(const char* text, int* length, char* value, int size)
{
    if (text[0] != '[') return TAG_NONE;
    if (startsWith(text, menuItemTag.opening)) return openTag(menuItemTag, text, length, value, size);
    if (startsWith(text, "[/mi]")) return closeTag("[/mi]", TAG_MI_END, length);
    if (startsWith(text, musicTag.opening)) return openTag(musicTag, text, length, value, size);
    if (startsWith(text, "[/music]")) return closeTag("[/music]", TAG_MUSIC_END, length);
    if (startsWith(text, colourTag.opening)) return openTag(colourTag, text, length, value, size);
    if (startsWith(text, "[/col]")) return closeTag("[/col]", TAG_COL_END, length);
    if (startsWith(text, backgroundTag.opening)) return openTag(backgroundTag, text, length, value, size);
    return TAG_NONE;
}

bool leadingBackground(const char* text, leadingTag* tag)
{
    *tag = leadingTag{nullptr, 0, nullptr};
    if (!startsWith(text, backgroundTag.opening)) return false;
    int valueStart = (int)strlen(backgroundTag.opening);
    const char* bracket = find(MEMO_BRACKET, text + valueStart);
    if (!bracket) return true;
    tag->name = text + valueStart;
    tag->length = (int)(bracket - tag->name);
    tag->rest = bracket + 1;
    return true;
}

int copyTagText(char* destination, const char* source, int start, int end, int size)
{
    if (end - start > size - 1) {
        // The rest of the text, right-aligned in a field as wide as the buffer; the message
        // holds a line, so a long text is not measured to its end.
        int field = size > 0 ? size : 0;
        report(nullptr, 0, REPORT_WARNING, checkNames[CHECK_TAG_TOO_LONG], "Tag to long! (%*.*s)", field,
               field > 1000 ? field : 1000, source + start);
        return 0;
    }
    memcpy(destination, source + start, (size_t)(end - start));
    destination[end - start] = '\0';
    return 1;
}
