// SPDX-License-Identifier: MIT
#include "pellium/OLRegExp.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace
{
struct Case
{
    const char* pszPattern;
    const char* pszName;
    int nExpected;
};

const Case kCases[] = {
    {"*", "", 1},
    {"*", "SOIC8", 1},
    {"**", "SOIC8", 1},
    {"", "", 1},
    {"", "A", 0},
    {"SOIC8", "SOIC8", 1},
    {"SOIC8", "SOIC80", 0},
    {"SOIC8", "soic8", 0},
    {"AB*", "AB", 1},
    {"AB*", "ABC", 1},
    {"AB*", "XAB", 0},
    {"AB*", "A", 0},
    {"AB**", "ABX", 1},
    {"*QFP*", "LQFP48", 1},
    {"*QFP*", "QFP", 1},
    {"*QFP*", "QF", 0},
    {"*8", "SOIC8", 1},
    {"*8", "SOIC80", 0},
    {"S?IC8*", "SOIC8", 1},
    {"S?IC8*", "SIC8", 0},
    {"?", "", 0},
    {"?", "\xC3\x96", 1}, // one character, two bytes
    {"??", "\xC3\x96", 0},
    {"*?", "\xC3\x96", 1},
    {"A*?B",
     "A\xC3\x96"
     "B",
     1},
    {"*A*B", "AXBXAB", 1},
    {"*A*B", "AXBXA", 0},
    {"A*B*C", "ABC", 1},
    {"A*B*C", "ACB", 0},
    {"[A]*", "[A]X", 1}, // brackets are ordinary characters
    {"\\*", "\\X", 1},   // so is the backslash
    {".*", "AB", 0},
    {"+(", "+(", 1},
    {"*QFP", "LQFP", 1},
    {"*QFP", "QFP", 1},
    {"*QFP", "QFPX", 0},
    {"*QFP", "FP", 0},
    {"**QFP*", "TQFP-44", 1},
    {"*QFP*", "Q-F-P", 0},
    {"*\xC3\x96*",
     "A\xC3\x96"
     "B",
     1},
    {"*\xC3\x96", "A\xC3\x96", 1},
    {"*\xC3", "A\xC3\x96", 0},
};

TEST(OLRegExp, matchesWholeNamesAgainstTheTable)
{
    for (const Case& c : kCases)
    {
        SCOPED_TRACE(std::string(c.pszPattern) + " vs " + c.pszName);
        const OLRegExp re(c.pszPattern);
        EXPECT_EQ(re.match(c.pszName), c.nExpected);
        EXPECT_EQ(re.match(c.pszName, std::char_traits<char>::length(c.pszName)), c.nExpected);
    }
}

TEST(OLRegExp, nullPatternIsEmptyAndNullNameNeverMatches)
{
    EXPECT_EQ(OLRegExp(nullptr).match(""), 1);
    EXPECT_EQ(OLRegExp("*").match(nullptr), 0);
    EXPECT_EQ(OLRegExp("*").match(nullptr, 0), 0);
}

TEST(OLRegExp, lengthFormReadsOnlyTheGivenBytes)
{
    EXPECT_EQ(OLRegExp("AB").match("ABC", 2), 1);
    EXPECT_EQ(OLRegExp("AB*").match("AXB", 1), 0);
    EXPECT_EQ(OLRegExp("*C").match("ABC", 2), 0);
}

// A plain dynamic-programming matcher over bytes, for patterns without '?'
// on non-ASCII text.
bool Reference(const std::string& p, const std::string& s)
{
    std::vector<std::vector<char>> dp(p.size() + 1, std::vector<char>(s.size() + 1, 0));
    dp[0][0] = 1;
    for (std::size_t i = 1; i <= p.size(); ++i)
    {
        dp[i][0] = dp[i - 1][0] && p[i - 1] == '*';
        for (std::size_t j = 1; j <= s.size(); ++j)
        {
            if (p[i - 1] == '*')
                dp[i][j] = dp[i - 1][j] || dp[i][j - 1];
            else
                dp[i][j] = dp[i - 1][j - 1] && (p[i - 1] == '?' || p[i - 1] == s[j - 1]);
        }
    }
    return dp[p.size()][s.size()];
}

TEST(OLRegExp, agreesWithAReferenceMatcherOnRandomPatterns)
{
    std::mt19937 rng(12345);
    const std::string patternChars = "AB*?";
    const std::string nameChars = "AB";
    for (int n = 0; n < 20000; ++n)
    {
        std::string p(rng() % 8, ' ');
        for (char& c : p)
            c = patternChars[rng() % patternChars.size()];
        std::string s(rng() % 10, ' ');
        for (char& c : s)
            c = nameChars[rng() % nameChars.size()];
        ASSERT_EQ(OLRegExp(p.c_str()).match(s.c_str()), Reference(p, s) ? 1 : 0)
            << "pattern " << p << " name " << s;
    }
}

// The shapes the name filter produces ("AB*", "*AB*", "*AB", "AB", stars
// only) take shortcuts; they must answer as the whole-pattern walk would,
// also when the literal part repeats, overlaps itself or sits at either end.
TEST(OLRegExp, literalShapesAgreeWithTheReference)
{
    std::mt19937 rng(777);
    const std::string literalChars[] = {"A", "B", "\xC3\x96", "\xC3"};
    const std::string nameChars[] = {"A", "B", "\xC3\x96", "\x96"};
    for (int n = 0; n < 20000; ++n)
    {
        std::string strLiteral;
        for (std::size_t k = rng() % 4; k > 0; --k)
            strLiteral += literalChars[rng() % std::size(literalChars)];
        const std::string p =
            std::string(rng() % 3, '*') + strLiteral + std::string(rng() % 3, '*');
        std::string s;
        for (std::size_t k = rng() % 9; k > 0; --k)
            s += nameChars[rng() % std::size(nameChars)];
        ASSERT_EQ(OLRegExp(p.c_str()).match(s.c_str(), s.size()), Reference(p, s) ? 1 : 0)
            << "pattern " << p << " name " << s;
    }
}

TEST(OLRegExp, pathologicalPatternsFinish)
{
    // Many stars against a long name that almost matches: a backtracking
    // matcher would not come back from these.
    const std::string strName(20000, 'A');
    std::string strStars;
    for (int i = 0; i < 30; ++i)
        strStars += "*A";
    EXPECT_EQ(OLRegExp((strStars + "*B").c_str()).match(strName.c_str()), 0);
    EXPECT_EQ(OLRegExp((strStars + "*").c_str()).match(strName.c_str()), 1);
    EXPECT_EQ(OLRegExp(std::string(5000, '*').append("B").c_str()).match(strName.c_str()), 0);
    EXPECT_EQ(OLRegExp(std::string(5000, '?').c_str()).match(strName.c_str()), 0);
}
} // namespace
