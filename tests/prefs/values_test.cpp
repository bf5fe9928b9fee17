// The comma-list token parsers: how tokens come off a list in place, what -1 means for
// empty and missing tokens, the atoi/atof conversions, blanks in strings, and tokens that
// are longer than their buffers (cut, never written past the end).
#include "prefs/values.h"
#include <climits>
#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <vector>

// --- integers ---
TEST(Values, TokensComeOffTheListInOrder)
{
    char list[] = "10,20";
    EXPECT_EQ(getValue(list), 10);
    EXPECT_STREQ(list, "20");
    EXPECT_EQ(getValue(list), 20);
    EXPECT_STREQ(list, "");
    EXPECT_EQ(getValue(list), -1);
}

TEST(Values, AnEmptyTokenEndsTheListButLeavesTheRest)
{
    char twoCommas[] = "10,,20";
    EXPECT_EQ(getValue(twoCommas), 10);
    EXPECT_EQ(getValue(twoCommas), -1);
    EXPECT_STREQ(twoCommas, "20");

    char commaFirst[] = ",5";
    EXPECT_EQ(getValue(commaFirst), -1);
    EXPECT_STREQ(commaFirst, "5");
}

TEST(Values, MinusOneInTheFileLooksLikeAMissingValue)
{
    char list[] = "-1,7";
    EXPECT_EQ(getValue(list), -1);
    EXPECT_STREQ(list, "7");
}

TEST(Values, AtoiRules)
{
    char list[] = "  42,12px,abc,+3,-8";
    EXPECT_EQ(getValue(list), 42); // blanks in front are skipped
    EXPECT_EQ(getValue(list), 12); // anything behind the digits is ignored
    EXPECT_EQ(getValue(list), 0);  // no digits at all
    EXPECT_EQ(getValue(list), 3);
    EXPECT_EQ(getValue(list), -8);
}

TEST(Values, NumbersOutOfRangeSaturateInsteadOfOverflowing)
{
    char list[] = "99999999999,-99999999999";
    EXPECT_EQ(getValue(list), INT_MAX);
    EXPECT_EQ(getValue(list), INT_MIN);
}

TEST(Values, OtherDividers)
{
    char list[] = "1;2::3";
    EXPECT_EQ(getValueDiv(list, ";"), 1);
    EXPECT_EQ(getValueDiv(list, "::"), 2);
    EXPECT_STREQ(list, "3");
}

// --- floats ---
TEST(Values, FloatsFollowAtof)
{
    char list[] = "0.5,1,abc, 2.25e1";
    EXPECT_DOUBLE_EQ(getValuef(list), 0.5);
    EXPECT_DOUBLE_EQ(getValuef(list), 1.0);
    EXPECT_DOUBLE_EQ(getValuef(list), 0.0);
    EXPECT_DOUBLE_EQ(getValuef(list), 22.5);
    EXPECT_DOUBLE_EQ(getValuef(list), -1.0);
}

TEST(Values, EmptyFloatTokenIsMinusOne)
{
    char list[] = ",0.8";
    EXPECT_DOUBLE_EQ(getValuef(list), -1.0);
    EXPECT_DOUBLE_EQ(getValuef(list), 0.8);
}

// --- strings ---
TEST(Values, StringTokensKeepTheirBlanks)
{
    char list[] = "a=x, b=y";
    char token[40];
    EXPECT_EQ(getString(token, sizeof token, list), 3);
    EXPECT_STREQ(token, "a=x");
    EXPECT_EQ(getString(token, sizeof token, list), 4);
    EXPECT_STREQ(token, " b=y");
    EXPECT_EQ(getString(token, sizeof token, list), -1);
    EXPECT_STREQ(token, " b=y"); // an exhausted list leaves the destination alone
}

TEST(Values, AnEmptyStringTokenEmptiesTheDestination)
{
    char list[] = ",next";
    char token[40] = "old";
    EXPECT_EQ(getString(token, sizeof token, list), -1);
    EXPECT_STREQ(token, "");
    EXPECT_STREQ(list, "next");
}

// --- tokens longer than their buffers ---
TEST(Values, LongStringTokensAreCutToTheDestination)
{
    std::string text = std::string(100, 'x') + ",after";
    std::vector<char> list(text.begin(), text.end());
    list.push_back('\0');
    char token[41];
    memset(token, '#', sizeof token);
    EXPECT_EQ(getString(token, 40, list.data()), 39);
    EXPECT_EQ(std::string(token), std::string(39, 'x'));
    EXPECT_EQ(token[40], '#'); // nothing written past the 40 bytes
    EXPECT_EQ(getString(token, 40, list.data()), 5);
    EXPECT_STREQ(token, "after");
}

TEST(Values, LongNumericTokensAreCutTo1023Characters)
{
    // Blanks in front of a number are allowed, so a padded token shows where the cut falls:
    // 1020 blanks and "123" make 1023 characters; the "4" behind them is dropped.
    std::string text = std::string(1020, ' ') + "1234," + std::string(1020, ' ') + "2.57,6";
    std::vector<char> list(text.begin(), text.end());
    list.push_back('\0');
    EXPECT_EQ(getValue(list.data()), 123);
    EXPECT_DOUBLE_EQ(getValuef(list.data()), 2.5);
    EXPECT_EQ(getValue(list.data()), 6); // the list goes on behind a cut token
}
