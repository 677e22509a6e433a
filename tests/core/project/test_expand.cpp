// SPDX-License-Identifier: MIT
#include "project/ExpandEnvVars.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

using physprops::core::CCoreServices;

namespace
{
const char* g_pszRoot = nullptr;

char* FakeInstallRoot()
{
    return g_pszRoot ? strdup(g_pszRoot) : nullptr;
}

class ExpandEnvVarsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        setenv("PP_HOME", "C:\\Tools\\lib\\", 1);
        setenv("PP_ROOT", "/", 1);
        setenv("PP_EMPTY", "", 1);
        setenv("PP_PLAIN", "abc", 1);
        setenv("zorv_inst_dir", "/from/env", 1);
        setenv("ZORV_INST_DIR", "/env/never/used", 1);
        unsetenv("PP_UNSET");
        g_pszRoot = "/opt/zorv/";
        m_services.m_fnInstallRoot = &FakeInstallRoot;
    }

    CCoreServices m_services = CCoreServices::Default();
};

struct Case
{
    const char* pszText;
    bool bOk;
    const char* pszExpected; // the result, or the message on failure
};

const Case kCases[] = {
    {"${PP_HOME}lib", true, "C:\\Tools\\liblib"},
    {"$PP_HOME/lib", true, "C:\\Tools\\lib/lib"},
    {"$(PP_HOME)", true, "C:\\Tools\\lib"},
    {"$PP_ROOT", true, ""},
    {"x/${PP_EMPTY}y", true, "xy"},
    {"${PP_HOME}${PP_HOME}", true, "C:\\Tools\\libC:\\Tools\\lib"},
    {"$PP_HOME$PP_HOME", true, "C:\\Tools\\lib$PP_HOME"},
    {"a$PP_PLAIN", true, "aabc"},
    {"$PP_PLAIN-x", true, "abc-x"},
    {"no references at all", true, "no references at all"},
    {"", true, ""},
    {"${ZORV_INST_DIR}/x", true, "/opt/zorv/x"},
    {"$ZORV_INST_DIR", true, "/opt/zorv"},
    {"${zorv_inst_dir}/x", true, "/from/env/x"},
    {"abc$", false, "Invalid character "},
    {"$$", false, "Invalid character $ found after '${'"},
    {"$ x", false, "Invalid character   found after '${'"},
    {"$/x", false, "Invalid character / found after '${'"},
    {"${A-B}", false, "Invalid character - found in environment variable name"},
    {"$(A.B)", false, "Invalid character . found in environment variable name"},
    {"${\xC3\xA9}", false, "Invalid character \xC3\xA9 found in environment variable name"},
    {"${PP_HOME", false, "Closing '}' not found."},
    {"$(PP_HOME", false, ""},
    {"${}", false, "Environment Variable  not set"},
    {"$()", false, "Environment Variable  not set."},
    {"${PP_UNSET}", false, "Environment Variable PP_UNSET not set"},
    {"$(PP_UNSET)", false, "Environment Variable PP_UNSET not set."},
    {"$PP_UNSET/x", false, "Environment variable PP_UNSET not set."},
    // Only the first error counts.
    {"$PP_UNSET ${", false, "Environment variable PP_UNSET not set."},
};

TEST_F(ExpandEnvVarsTest, expandsEveryFormAndReportsTheFirstError)
{
    for (const Case& c : kCases)
    {
        SCOPED_TRACE(c.pszText);
        const char* pszResult = "untouched";
        const char* pszMessage = "untouched";
        const int n = ExpandEnvVars(c.pszText, &pszResult, &pszMessage, m_services);
        EXPECT_EQ(n, c.bOk ? 1 : 0);
        if (c.bOk)
        {
            EXPECT_STREQ(pszResult, c.pszExpected);
            EXPECT_STREQ(pszMessage, "untouched");
        }
        else
        {
            EXPECT_STREQ(pszMessage, c.pszExpected);
            EXPECT_STREQ(pszResult, "untouched");
        }

        QString strResult = QStringLiteral("untouched");
        QString strMessage = QStringLiteral("untouched");
        EXPECT_EQ(ExpandEnvVars(QString::fromUtf8(c.pszText), strResult, strMessage, m_services),
                  c.bOk);
        EXPECT_EQ(c.bOk ? strResult : strMessage, QString::fromUtf8(c.pszExpected));
        EXPECT_EQ(c.bOk ? strMessage : strResult, QStringLiteral("untouched"));
    }
}

TEST_F(ExpandEnvVarsTest, nullTextOrResultAddressFailsWithoutTouchingOutputs)
{
    const char* pszResult = "r";
    const char* pszMessage = "m";
    EXPECT_EQ(ExpandEnvVars(nullptr, &pszResult, &pszMessage, m_services), 0);
    EXPECT_EQ(ExpandEnvVars("x", nullptr, &pszMessage, m_services), 0);
    EXPECT_STREQ(pszResult, "r");
    EXPECT_STREQ(pszMessage, "m");
    // A failure without a message address is still just a failure.
    EXPECT_EQ(ExpandEnvVars("$", &pszResult, nullptr, m_services), 0);
}

TEST_F(ExpandEnvVarsTest, unknownInstallRootCountsAsNotSetAndIgnoresTheEnvironment)
{
    g_pszRoot = nullptr;
    const char* pszResult = nullptr;
    const char* pszMessage = nullptr;
    EXPECT_EQ(ExpandEnvVars("${ZORV_INST_DIR}/x", &pszResult, &pszMessage, m_services), 0);
    EXPECT_STREQ(pszMessage, "Environment Variable ZORV_INST_DIR not set");
    std::string buffer;
    EXPECT_EQ(LookupInstallRoot("ZORV_INST_DIR", buffer, m_services), nullptr);
}

TEST_F(ExpandEnvVarsTest, lookupInstallRootAnswersOnlyTheExactName)
{
    std::string buffer;
    EXPECT_STREQ(LookupInstallRoot("ZORV_INST_DIR", buffer, m_services), "/opt/zorv/");
    EXPECT_EQ(LookupInstallRoot("ZORV_INST_DIRX", buffer, m_services), nullptr);
    EXPECT_EQ(LookupInstallRoot("ZORV_INST_DI", buffer, m_services), nullptr);
    EXPECT_EQ(LookupInstallRoot("zorv_inst_dir", buffer, m_services), nullptr);
    EXPECT_EQ(LookupInstallRoot(nullptr, buffer, m_services), nullptr);
}

TEST_F(ExpandEnvVarsTest, longNamesValuesResultsAndRootsAreKeptWhole)
{
    const std::string strLongName(600, 'N');
    const std::string strLongValue(3000, 'v');
    setenv(strLongName.c_str(), strLongValue.c_str(), 1);
    const std::string strLongRoot = "/" + std::string(1500, 'r');
    g_pszRoot = strLongRoot.c_str();

    const std::string strText = "${" + strLongName + "}/$ZORV_INST_DIR/" + std::string(2100, 't');
    const char* pszResult = nullptr;
    const char* pszMessage = nullptr;
    ASSERT_EQ(ExpandEnvVars(strText.c_str(), &pszResult, &pszMessage, m_services), 1) << pszMessage;
    EXPECT_EQ(std::string(pszResult),
              strLongValue + "/" + strLongRoot + "/" + std::string(2100, 't'));

    const std::string strMissing(700, 'M');
    ASSERT_EQ(ExpandEnvVars(("$" + strMissing).c_str(), &pszResult, &pszMessage, m_services), 0);
    EXPECT_EQ(std::string(pszMessage), "Environment variable " + strMissing + " not set.");
    unsetenv(strLongName.c_str());
}

TEST_F(ExpandEnvVarsTest, resultStaysValidUntilTheNextCallAndMayBeFedBack)
{
    const char* pszFirst = nullptr;
    const char* pszMessage = nullptr;
    ASSERT_EQ(ExpandEnvVars("$PP_PLAIN/$PP_PLAIN", &pszFirst, &pszMessage, m_services), 1);
    EXPECT_STREQ(pszFirst, "abc/abc");
    // The previous result as the next text is read whole before it is replaced.
    setenv("PP_REF", "$PP_PLAIN", 1);
    const char* pszRef = nullptr;
    ASSERT_EQ(ExpandEnvVars("${PP_REF}x", &pszRef, &pszMessage, m_services), 1);
    ASSERT_STREQ(pszRef, "$PP_PLAINx");
    const char* pszSecond = nullptr;
    ASSERT_EQ(ExpandEnvVars(pszRef, &pszSecond, &pszMessage, m_services), 0);
    EXPECT_STREQ(pszMessage, "Environment variable PP_PLAINx not set.");
    ASSERT_EQ(ExpandEnvVars("${PP_REF}", &pszRef, &pszMessage, m_services), 1);
    ASSERT_EQ(ExpandEnvVars(pszRef, &pszSecond, &pszMessage, m_services), 1);
    EXPECT_STREQ(pszSecond, "abc");
}
} // namespace
