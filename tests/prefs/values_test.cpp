// The comma-list token parsers: how tokens come off a list (the cursor moves), what -1 means for
// empty and missing tokens, the atoi/atof conversions, blanks in strings, and tokens that
// are longer than their buffers (cut, never written past the end).
#include "prefs/values.h"
#include <climits>
#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <vector>

// --- integers and floats ---
TEST(Values, TokensComeOffTheListInOrderAnEmptyOneEndsIt)
{
    struct { char list[40]; std::vector<int> values; const char* rest; } cases[] = {
        {"10,20", {10, 20, -1}, ""},
        {"10,,20", {10, -1}, "20"}, // the empty token ends the list but leaves the rest
        {",5", {-1}, "5"},
        {"-1,7", {-1}, "7"}, // -1 in the file looks like a missing value
        {"  42,12px,abc,+3,-8", {42, 12, 0, 3, -8}, ""},          // atoi rules
        {"99999999999,-99999999999", {INT_MAX, INT_MIN}, ""}, // saturate, no overflow
    };
    for (auto& c : cases) {
        const char* at = c.list;
        for (int v : c.values) EXPECT_EQ(getValue(&at), v) << c.rest;
        EXPECT_STREQ(at, c.rest);
    }
    const char* list = "1;2::3";
    EXPECT_EQ(getValueDiv(&list, ";"), 1);
    EXPECT_EQ(getValueDiv(&list, "::"), 2);
    EXPECT_STREQ(list, "3");
}

TEST(Values, FloatsFollowAtof)
{
    const char* list = "0.5,1,abc, 2.25e1";
    for (double v : {0.5, 1.0, 0.0, 22.5, -1.0}) EXPECT_DOUBLE_EQ(getValuef(&list), v);
    const char* empty = ",0.8";
    EXPECT_DOUBLE_EQ(getValuef(&empty), -1.0);
    EXPECT_DOUBLE_EQ(getValuef(&empty), 0.8);
}

// --- strings ---
TEST(Values, StringTokensKeepTheirBlanks)
{
    const char* list = "a=x, b=y";
    char token[40];
    EXPECT_EQ(getString(token, sizeof token, &list), 3);
    EXPECT_STREQ(token, "a=x");
    EXPECT_EQ(getString(token, sizeof token, &list), 4);
    EXPECT_STREQ(token, " b=y");
    EXPECT_EQ(getString(token, sizeof token, &list), -1);
    EXPECT_STREQ(token, " b=y"); // an exhausted list leaves the destination alone
    const char* emptyFirst = ",next";
    EXPECT_EQ(getString(token, sizeof token, &emptyFirst), -1);
    EXPECT_STREQ(token, ""); // an empty token empties the destination
    EXPECT_STREQ(emptyFirst, "next");
}

// --- tokens longer than their buffers ---
TEST(Values, LongTokensAreCut)
{
    std::string text = std::string(100, 'x') + ",after";
    const char* list = text.c_str();
    char token[41];
    memset(token, '#', sizeof token);
    EXPECT_EQ(getString(token, 40, &list), 39);
    EXPECT_EQ(std::string(token), std::string(39, 'x'));
    EXPECT_EQ(token[40], '#'); // nothing written past the 40 bytes
    EXPECT_EQ(getString(token, 40, &list), 5);
    EXPECT_STREQ(token, "after");
    // Numeric tokens are cut to 1023 characters: 1020 blanks and "123"; the "4" is dropped.
    text = std::string(1020, ' ') + "1234," + std::string(1020, ' ') + "2.57,6";
    list = text.c_str();
    EXPECT_EQ(getValue(&list), 123);
    EXPECT_DOUBLE_EQ(getValuef(&list), 2.5);
    EXPECT_EQ(getValue(&list), 6); // the list goes on behind a cut token
}
