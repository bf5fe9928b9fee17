// The comma-list token parsers: how tokens come off a list (the cursor moves), what -1 means
// for empty and missing tokens, the atoi/atof conversions, blanks in strings, and tokens
// longer than their buffers (cut, never written past the end).
#include "prefs/values.h"
#include <climits>
#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <vector>

TEST(Values, NumbersComeOffTheListInOrderAnEmptyTokenEndsIt)
{
    // Numeric tokens are cut to 1023 characters: 1020 blanks and "123", the "4" dropped.
    std::string cut = std::string(1020, ' ') + "1234," + std::string(1020, ' ') + "2.57,6";
    struct { std::string list; std::vector<double> values; const char* rest; bool floats; } cases[] = {
        {"10,20", {10, 20, -1}, "", false},
        {"10,,20", {10, -1}, "20", false}, // the empty token ends the list but leaves the rest
        {",5", {-1}, "5", false},
        {"-1,7", {-1}, "7", false}, // -1 in the file looks like a missing value
        {"  42,12px,abc,+3,-8", {42, 12, 0, 3, -8}, "", false},        // atoi rules
        {"99999999999,-99999999999", {INT_MAX, INT_MIN}, "", false}, // saturate, no overflow
        {"0.5,1,abc, 2.25e1", {0.5, 1, 0, 22.5, -1}, "", true},
        {",0.8", {-1}, "0.8", true},
        {cut, {123}, cut.c_str() + 1025, false},
    };
    for (auto& c : cases) {
        const char* at = c.list.c_str();
        for (double v : c.values) EXPECT_DOUBLE_EQ(c.floats ? getValuef(&at) : getValue(&at), v) << c.list;
        EXPECT_STREQ(at, c.rest);
    }
    const char* rest = cut.c_str() + 1025;
    EXPECT_DOUBLE_EQ(getValuef(&rest), 2.5);
    EXPECT_EQ(getValue(&rest), 6); // the list goes on behind a cut token
    const char* list = "1;2::3";
    EXPECT_EQ(getValueDiv(&list, ";"), 1);
    EXPECT_EQ(getValueDiv(&list, "::"), 2);
    EXPECT_STREQ(list, "3");
}

TEST(Values, StringTokensKeepTheirBlanksAndAreCutToTheirBuffer)
{
    std::string text = "a=x, b=y," + std::string(100, 'x') + ",after";
    const char* list = text.c_str();
    char token[41];
    memset(token, '#', sizeof token);
    struct { int length; std::string token; } want[] = {{3, "a=x"}, {4, " b=y"}, {39, std::string(39, 'x')}, {5, "after"}};
    for (auto& w : want) {
        EXPECT_EQ(getString(token, 40, &list), w.length);
        EXPECT_EQ(token, w.token);
    }
    EXPECT_EQ(token[40], '#'); // nothing written past the 40 bytes
    EXPECT_EQ(getString(token, sizeof token, &list), -1);
    EXPECT_STREQ(token, "after"); // an exhausted list leaves the destination alone
    const char* emptyFirst = ",next";
    EXPECT_EQ(getString(token, sizeof token, &emptyFirst), -1);
    EXPECT_STREQ(token, ""); // an empty token empties the destination
    EXPECT_STREQ(emptyFirst, "next");
}
