// SPDX-License-Identifier: MIT
// Command-line splitting, quoted-blank protection and option lookup. The
// split must keep every character that is not a separator, in order; the
// lookup must agree with a plain scan of the option list.
#include "FuzzSupport.h"
#include "project/Session.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QString>
#include <QStringList>

#include <cstring>
#include <string>

using physprops::core::ProcessOptions;
using physprops::core::QuoteCommandWord;

namespace
{
// What the split may drop: quotes, zero bytes, blanks outside quotes and
// the backslash of \" or \\ inside quotes.
std::string Kept(QByteArrayView line)
{
    std::string kept;
    kept.reserve(std::size_t(line.size()));
    bool bQuoted = false;
    for (qsizetype i = 0; i < line.size(); ++i)
    {
        const char c = line[i];
        if (c == '\\' && bQuoted && i + 1 < line.size() &&
            (line[i + 1] == '"' || line[i + 1] == '\\'))
            kept += line[++i];
        else if (c == '"')
            bQuoted = !bQuoted;
        else if (c != '\0' && (c != ' ' || bQuoted))
            kept += c;
    }
    return kept;
}

// Views, not copies: a copy with its prefix removed would cost an
// allocation per entry, and the list has a word per blank of the input.
int PlainFind(const QStringList& options, QStringView option, QString& strValue)
{
    for (qsizetype i = 0; i < options.size(); ++i)
    {
        QStringView entry = options[i];
        if (entry.isNull())
            continue;
        if (entry.startsWith(u'-') || entry.startsWith(u'/'))
            entry = entry.mid(1);
        if (entry.compare(option, Qt::CaseInsensitive) == 0)
        {
            strValue = i + 1 < options.size() ? options[i + 1] : QString();
            return 0;
        }
    }
    return -1;
}
} // namespace

// The option list starts from the application's arguments once one exists,
// as in the module; made once, with arguments of its own.
extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    static int s_nArgc = 2;
    static char s_szName[] = "fuzz_cmdline";
    static char s_szOption[] = "-fuzzoption";
    static char* s_argv[] = {s_szName, s_szOption, nullptr};
    static QCoreApplication s_app(s_nArgc, s_argv);
    FUZZ_CHECK(ProcessOptions().contains(QStringLiteral("-fuzzoption")));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize)
{
    const QByteArray line(reinterpret_cast<const char*>(pData), qsizetype(nSize));

    QByteArray protectedLine;
    const int nQuotes = ProtectQuotedSpaces(protectedLine, line);
    FUZZ_CHECK(protectedLine.size() == line.size());
    FUZZ_CHECK(nQuotes == int(line.count('"')));
    FUZZ_CHECK(!protectedLine.contains('"'));

    int nArgc = -1;
    char** ppArgv = nullptr;
    SplitCommandLine(line, &nArgc, &ppArgv);
    FUZZ_CHECK(nArgc >= 0 && ppArgv != nullptr);
    FUZZ_CHECK(ppArgv[nArgc] == nullptr);
    std::string joined;
    QStringList words;
    words.reserve(nArgc);
    for (int i = 0; i < nArgc; ++i)
    {
        FUZZ_CHECK(ppArgv[i] != nullptr && *ppArgv[i] != '\0');
        joined += ppArgv[i];
        words.append(QString::fromUtf8(ppArgv[i]));
    }
    FUZZ_CHECK(joined == Kept(line));
    delete[] ppArgv;

    // A quoted word comes back whole, whatever it holds.
    const QString strWord = QString::fromUtf8(line);
    if (!strWord.isEmpty() && !strWord.contains(QChar(u'\0')))
    {
        SplitCommandLine(QuoteCommandWord(strWord).toUtf8(), &nArgc, &ppArgv);
        FUZZ_CHECK(nArgc == 1 && QString::fromUtf8(ppArgv[0]) == strWord);
        delete[] ppArgv;
    }

    // The words become the option list; look up each of the first few words
    // as an option name, and one name that is likely absent.
    QStringList& options = ProcessOptions();
    const QStringList saved = options;
    options = words;
    QStringList names;
    for (qsizetype i = 0; i < words.size() && i < 4; ++i)
        names.append(QStringView(words[i]).mid(1).toString());
    names.append(QStringLiteral("ipqsession"));
    for (const QString& strName : names)
    {
        QString strValue = QStringLiteral("untouched");
        QString strExpected = strValue;
        const int nFound = FindCommandOption(strName, strValue);
        FUZZ_CHECK(nFound == PlainFind(words, strName, strExpected));
        FUZZ_CHECK(strValue == strExpected);
    }
    options = saved;
    return 0;
}
