// SPDX-License-Identifier: MIT
#include "project/Session.h"
#include "ipqc/IpqChannel.h"
#include "project/SpiProject.h"

#include <QCoreApplication>

#include <chrono>
#include <climits>
#include <cstdlib>
#include <memory>
#include <random>
#include <vector>

using physprops::core::CCoreServices;
using physprops::core::LocalHostName;
using physprops::core::LoginName;
using physprops::core::ProcessOptions;
using physprops::core::QuoteCommandWord;

namespace
{
struct CProcessOptionList
{
    QStringList list;
    bool bStarted = false;
};

CProcessOptionList& OptionList()
{
    static CProcessOptionList s_options;
    return s_options;
}

// The words of the latest split; the message client may keep pointers into them.
std::unique_ptr<char[]> g_pSplitBlock;

int RandomNumber()
{
    // Seeded from the system's entropy and the clock, so that two host
    // processes started in the same second still pick different sessions.
    std::random_device device;
    const auto nNow = std::chrono::system_clock::now().time_since_epoch().count();
    std::seed_seq seed{device(), device(), unsigned(nNow), unsigned(nNow >> 32)};
    std::mt19937 engine(seed);
    return std::uniform_int_distribution<int>(0, INT_MAX)(engine);
}
} // namespace

namespace physprops::core
{
QStringList& ProcessOptions()
{
    CProcessOptionList& options = OptionList();
    // Started from the process's arguments as soon as the application exists;
    // anything added before that stays behind them.
    if (!options.bStarted && QCoreApplication::instance())
    {
        options.list = QCoreApplication::arguments() + options.list;
        options.bStarted = true;
    }
    return options.list;
}
} // namespace physprops::core

int FindCommandOption(const QString& strOption, QString& strValue)
{
    const QStringList& options = ProcessOptions();
    const qsizetype i = ipqc::FindOptionWord(options, strOption, true);
    if (i < 0)
        return -1;
    strValue = i + 1 < options.size() ? options[i + 1] : QString();
    return 0;
}

void AddSessionOption(QString strSession)
{
    QStringList& options = ProcessOptions();
    options.append(QStringLiteral("-ipqsession"));
    options.append(strSession);
}

int ProtectQuotedSpaces(QByteArray& dest, const QByteArray& src)
{
    dest.clear();
    dest.reserve(src.size());
    bool bQuoted = false;
    int nQuotes = 0;
    for (const char c : src)
    {
        if (c == '"')
        {
            bQuoted = !bQuoted;
            ++nQuotes;
            dest.append(' ');
        }
        else if (c == ' ' && bQuoted)
            dest.append('!');
        else
            dest.append(c);
    }
    return nQuotes;
}

void SplitCommandLine(const QByteArray& cmdLine, int* pArgc, char*** pArgv)
{
    // Words are separated by blanks outside quotes; a quote also ends a word
    // and is dropped. Inside quotes \" and \\ stand for " and \. Every
    // other character, '!' included, is kept as it is.
    // A NUL cannot stand inside a C string word, so it separates like a blank.
    g_pSplitBlock.reset();
    auto pBlock = std::make_unique<char[]>(std::size_t(cmdLine.size()) + 1);
    std::vector<qsizetype> starts;
    qsizetype nOut = 0;
    bool bQuoted = false;
    bool bInWord = false;
    const auto endWord = [&]
    {
        if (bInWord)
            pBlock[std::size_t(nOut++)] = '\0';
        bInWord = false;
    };
    for (qsizetype i = 0; i < cmdLine.size(); ++i)
    {
        char c = cmdLine[i];
        // Inside quotes a backslash keeps the quote or backslash after it,
        // so any text can be carried as one word (QuoteCommandWord).
        if (c == '\\' && bQuoted && i + 1 < cmdLine.size() &&
            (cmdLine[i + 1] == '"' || cmdLine[i + 1] == '\\'))
            c = cmdLine[++i];
        else if (c == '"')
        {
            endWord();
            bQuoted = !bQuoted;
            continue;
        }
        if (c == '\0' || (c == ' ' && !bQuoted))
        {
            endWord();
            continue;
        }
        if (!bInWord)
        {
            starts.push_back(nOut);
            bInWord = true;
        }
        pBlock[std::size_t(nOut++)] = c;
    }
    endWord();

    const std::size_t nCount = starts.size();
    auto** argv = new char*[nCount + 1];
    for (std::size_t i = 0; i < nCount; ++i)
        argv[i] = pBlock.get() + starts[i];
    argv[nCount] = nullptr;
    g_pSplitBlock = std::move(pBlock);
    *pArgc = int(nCount);
    *pArgv = argv;
}

namespace physprops::core
{
QString LoginName(const CCoreServices& services)
{
    return services.m_fnLoginName ? services.m_fnLoginName() : QString();
}

QString LocalHostName(const CCoreServices& services)
{
    return services.m_fnHostName ? services.m_fnHostName() : QString();
}
} // namespace physprops::core

int CProjectSession::GetSessionName(QString& strSession)
{
    QString strOption;
    if (FindCommandOption(QStringLiteral("ipqsession"), strOption) == 0)
    {
        strSession = strOption;
        return 0;
    }
    if (m_project.SelectProgram(QStringLiteral("Global")) != 0)
        return -1;
    if (m_project.ReadDirective(QStringLiteral("session_name"), strSession) != 0)
        strSession += QString::number(RandomNumber());

    QString strLogin = LoginName(m_services);
    if (!strLogin.isEmpty())
        strSession = strLogin.replace(u' ', u'_') + u'_' + strSession;

    AddSessionOption(strSession);
    return 0;
}

namespace physprops::core
{
QString QuoteCommandWord(const QString& strWord)
{
    if (!strWord.contains(u' ') && !strWord.contains(u'"'))
        return strWord;
    QString strQuoted(u'"');
    for (const QChar c : strWord)
    {
        if (c == u'"' || c == u'\\')
            strQuoted.append(u'\\');
        strQuoted.append(c);
    }
    return strQuoted + u'"';
}
} // namespace physprops::core

int CProjectSession::InitMessageSession(const char* pszAppName, int* pArgc, char*** pArgv)
{
    if (!pArgc || !pArgv)
        return -1;
    const QString strApp = QString::fromUtf8(pszAppName ? pszAppName : "");
    QString strSession = strApp;
    if (GetSessionName(strSession) != 0)
        return -1;

    // Each name stays one word of the split, exactly as it is written, so
    // "my board" and "my cable" are two sessions, not both "my".
    QString strCommand =
        QuoteCommandWord(strApp) + QStringLiteral(" -ipqsession ") + QuoteCommandWord(strSession);
    QString strHost;
    if (FindCommandOption(QStringLiteral("ipqhost"), strHost) != 0)
        strHost = LocalHostName(m_services);
    if (!strHost.isEmpty())
        strCommand += QStringLiteral(" -ipqhost ") + QuoteCommandWord(strHost);

    SplitCommandLine(strCommand.toUtf8(), pArgc, pArgv);
    return 0;
}
