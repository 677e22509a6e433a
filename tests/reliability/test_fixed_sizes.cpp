// SPDX-License-Identifier: MIT
// Texts past the sizes where fixed buffers would cut them (23-character
// symbol names, 511-character names, 1,023-character lists and command lines,
// 2,047-character expansions, 255-character notes) are handled whole.
#include "ReliabilitySupport.h"
#include "TestSupport.h"
#include "WaitUntil.h"
#include "footprints/BackEndDlg2.h"
#include "ipqc/IpqChannel.h"
#include "ipqc/IpqListener.h"
#include "ipqc/ipqc.h"
#include "physprops/PhysPropsDlg.h"
#include "project/ExpandEnvVars.h"
#include "project/Session.h"
#include "project/SpiProject.h"
#include "properties/Value.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

using physprops::core::CCoreServices;
using physprops::core::ProcessOptions;

namespace
{
// Lengths on both sides of every old limit.
const int kLengths[] = {22, 23, 24, 255, 256, 511, 512, 1023, 1024, 2047, 2048, 9000};

// A name of exactly n characters that shows where it was cut, if it were.
QString Name(int n, char16_t cFill = u'N')
{
    QString str(n, QChar(cFill));
    for (int i = 0; i < n; i += 10)
        str[i] = QChar(u'0' + (i / 10) % 10);
    return str;
}

std::vector<std::string> SplitWords(const QByteArray& line)
{
    int nArgc = 0;
    char** ppArgv = nullptr;
    SplitCommandLine(line, &nArgc, &ppArgv);
    std::vector<std::string> words(ppArgv, ppArgv + nArgc);
    delete[] ppArgv;
    return words;
}
} // namespace

TEST(FixedSizes, alternateSymbolsComposedAndSplitBackKeepEveryName)
{
    for (const int n : kLengths)
    {
        SCOPED_TRACE(n);
        // Enough names of this length that each side list passes 1,023 characters too.
        const int nCount = std::max(2, 2100 / n);
        std::vector<std::unique_ptr<CPair>> owned;
        QList<CPair*> records;
        QStringList expected;
        const char16_t* sides[] = {u"Top", u"Bottom", u"Both"};
        for (int s = 0; s < 3; ++s)
            for (int i = 0; i < nCount; ++i)
            {
                const QString strName =
                    Name(n, u'A' + char16_t(s * 8 + i % 8)) + QString::number(i);
                owned.push_back(std::make_unique<CPair>(strName, QString::fromUtf16(sides[s])));
                records.append(owned.back().get());
                expected.append(strName);
            }
        const QString strValue = CBackEndDlg2::ComposeSelection(records);
        EXPECT_GT(strValue.size(), 3 * 1023);

        testsupport::MessageRecorder messages;
        QList<CValue*> names;
        ASSERT_EQ(CPhysPropsDlg::SplitAltSymbols(strValue, &names), 1);
        QStringList got;
        for (const CValue* p : names)
            got.append(p->GetValue());
        qDeleteAll(names);
        EXPECT_EQ(got, expected);
        EXPECT_TRUE(messages.texts.isEmpty());
    }
}

TEST(FixedSizes, commandLineWordsAndLinesAreSplitWhole)
{
    for (const int n : kLengths)
    {
        SCOPED_TRACE(n);
        const QByteArray word = Name(n).toLatin1();
        const QByteArray spaced = Name(n, u' ').toLatin1();
        // Many short words after a long one: past 1,023 characters in all.
        QByteArray many;
        std::vector<std::string> manyWords{word.toStdString()};
        for (int i = 0; i < 300; ++i)
        {
            many += " w" + QByteArray::number(i);
            manyWords.push_back('w' + std::to_string(i));
        }
        EXPECT_EQ(SplitWords("app " + word + " -x"),
                  (std::vector<std::string>{"app", word.toStdString(), "-x"}));
        EXPECT_EQ(SplitWords("app \"" + spaced + "\" -x"),
                  (std::vector<std::string>{"app", spaced.toStdString(), "-x"}));
        EXPECT_EQ(SplitWords(word + many), manyWords);
    }
}

TEST(FixedSizes, expansionsAreKeptWholeAtEveryLength)
{
    for (const int n : kLengths)
    {
        SCOPED_TRACE(n);
        // The name, the value and the text around them each of this length.
        const std::string strName = "PP" + Name(n, u'V').toStdString();
        const std::string strValue = Name(n, u'v').toStdString();
        const std::string strText = Name(n, u't').toStdString();
        ASSERT_EQ(::setenv(strName.c_str(), strValue.c_str(), 1), 0);
        const char* pszResult = nullptr;
        const char* pszMessage = nullptr;
        ASSERT_EQ(ExpandEnvVars((strText + "${" + strName + "}" + strText).c_str(), &pszResult,
                                &pszMessage),
                  1)
            << pszMessage;
        EXPECT_EQ(std::string(pszResult), strText + strValue + strText);

        QString strOut;
        QString strMessage;
        ASSERT_TRUE(
            ExpandEnvVars(QString::fromStdString("$(" + strName + ")"), strOut, strMessage));
        EXPECT_EQ(strOut.toStdString(), strValue);
        ::unsetenv(strName.c_str());

        // A name that is not set is named whole in the message.
        EXPECT_FALSE(
            ExpandEnvVars(QString::fromStdString("${" + strName + "}"), strOut, strMessage));
        EXPECT_EQ(strMessage.toStdString(), "Environment Variable " + strName + " not set");
    }
}

TEST(FixedSizes, longProgramAndDirectiveNamesAreFoundAndNotedWhole)
{
    for (const int n : kLengths)
    {
        SCOPED_TRACE(n);
        const QString strProgram = Name(n, u'P');
        const QString strDirective = Name(n, u'D');
        CSpiProject project;
        CSpiProject::AddValue(project.AddProgram(strProgram), strDirective, Name(n, u'v'));
        // Names that differ only past the old limit are different names.
        CSpiProject::AddValue(project.AddProgram(strProgram + u'x'), strDirective,
                              QStringLiteral("x"));

        ASSERT_EQ(project.SelectProgram(strProgram), 0);
        QString strValue;
        ASSERT_EQ(project.ReadDirective(strDirective, strValue), 0);
        EXPECT_EQ(strValue, Name(n, u'v'));

        EXPECT_EQ(project.SelectDirective(strDirective + u'y'), 1);
        EXPECT_EQ(GetLastSpiNote(),
                  QStringLiteral("SPI_NOTE: Can't find the directive \"") + strDirective + u"y\"");
    }
}

namespace
{
class LongSessionNames : public ::testing::Test
{
protected:
    LongSessionNames() : m_savedOptions(ProcessOptions()), m_savedSession(ipqc::CurrentSession()) {}
    ~LongSessionNames() override
    {
        ProcessOptions() = m_savedOptions;
        ipqc::SetCurrentSession(m_savedSession);
        qunsetenv(ipqc::kSessionVariable);
        qunsetenv(ipqc::kHostVariable);
    }

    QStringList m_savedOptions;
    ipqc::SessionAddress m_savedSession;
};
} // namespace

TEST_F(LongSessionNames, loginSessionAndHostNamesReachTheChannelWhole)
{
    for (const int n : {23, 511, 512, 1024, 3000})
    {
        SCOPED_TRACE(n);
        const QString strLogin = Name(n, u'L');
        const QString strDirective =
            Name(n, u'S') + QString::number(QCoreApplication::applicationPid());
        const QString strHost = Name(n, u'H');
        CCoreServices names = CCoreServices::Default();
        names.m_fnLoginName = [&] { return strLogin; };
        names.m_fnHostName = [&] { return strHost; };
        ProcessOptions() = QStringList{QStringLiteral("physprops")};

        CSpiProject project;
        CSpiProject::AddValue(project.AddProgram(QStringLiteral("Global")),
                              QStringLiteral("session_name"), strDirective);
        int nArgc = 0;
        char** ppArgv = nullptr;
        ASSERT_EQ(CProjectSession(project, names).InitMessageSession("Lib", &nArgc, &ppArgv), 0);
        const QString strSession = strLogin + u'_' + strDirective;
        std::vector<std::string> words(ppArgv, ppArgv + nArgc);
        EXPECT_EQ(words, (std::vector<std::string>{"Lib", "-ipqsession", strSession.toStdString(),
                                                   "-ipqhost", strHost.toStdString()}));

        // The message client takes the same names, and a listener on them is reached.
        ASSERT_EQ(ipqcInit(&nArgc, ppArgv), 0);
        delete[] ppArgv;
        const ipqc::SessionAddress addr = ipqc::CurrentSession();
        EXPECT_EQ(addr.strSession, strSession);
        EXPECT_EQ(addr.strHost, strHost);
        ipqc::CListener listener;
        ASSERT_TRUE(listener.Listen(addr)) << listener.ErrorString().toStdString();
        QList<QByteArray> received;
        QObject::connect(&listener, &ipqc::CListener::MessageReceived,
                         [&](const QByteArray& payload) { received.append(payload); });
        ASSERT_EQ(ipqSend(ipqListN("%s %s", "Input", "new unnamed.dra")), 0);
        EXPECT_TRUE(testsupport::WaitUntil([&] { return !received.isEmpty(); }));
        // Another session whose names differ only at their ends is not reached.
        ipqc::SessionAddress other = addr;
        other.strSession.chop(1);
        QString strError;
        EXPECT_EQ(ipqc::SendPayload(other, "x", ipqc::kSendTimeoutMs, &strError), -1);
    }
}
