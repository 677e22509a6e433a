// SPDX-License-Identifier: MIT
// No part of the project hands a text to a shell: programs are started with
// their arguments as a list, so no file name can become a command.
#include "ReliabilitySupport.h"
#include "TestSupport.h"

#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>

#include <gtest/gtest.h>

namespace
{
// The source without its comments and with every string literal kept, so
// that a shell named in a literal is still seen.
QString WithoutComments(const QString& strText)
{
    static const QRegularExpression comments(
        QStringLiteral(R"(//[^\n]*|/\*.*?\*/|("(?:\\.|[^"\\\n])*"))"),
        QRegularExpression::DotMatchesEverythingOption);
    QString strOut;
    qsizetype nPos = 0;
    for (auto it = comments.globalMatch(strText); it.hasNext();)
    {
        const QRegularExpressionMatch m = it.next();
        strOut += QStringView(strText).mid(nPos, m.capturedStart() - nPos);
        strOut += m.hasCaptured(1) ? m.captured(1) : QStringLiteral(" ");
        nPos = m.capturedEnd();
    }
    return strOut + QStringView(strText).mid(nPos);
}

// The C library's system(), called plainly, as std::system or as ::system;
// a member or another class's function of that name (QLocale::system) is not it.
const QRegularExpression& SystemCall()
{
    static const QRegularExpression pattern(
        QStringLiteral(R"((?:^|[^\w:.>]|\bstd::|(?:^|[^\w:])::)system\s*\()"),
        QRegularExpression::MultilineOption);
    return pattern;
}
} // namespace

TEST(NoShell, noSourceStartsAShell)
{
    const struct
    {
        const char* pszWhat;
        QRegularExpression pattern;
    } forbidden[] = {
        {"system()", SystemCall()},
        {"popen()", QRegularExpression(QStringLiteral(R"(\bpopen\s*\()"))},
        {"a shell by path", QRegularExpression(QStringLiteral(R"(/bin/(ba|da|z|k|c|tc)?sh\b)"))},
        {"a shell by name", QRegularExpression(QStringLiteral(R"("(ba|da|z|k)?sh")"))},
        {"sh -c", QRegularExpression(QStringLiteral(R"(\bsh\s+-c\b|"-c")"))},
        {"the exec family with a shell",
         QRegularExpression(QStringLiteral(R"(\bexecl[ep]?\s*\(\s*"[^"]*sh")"))},
        {"QProcess::startCommand", QRegularExpression(QStringLiteral(R"(\bstartCommand\s*\()"))},
    };
    // The scan must see the code it guards: a known call site of the safe way.
    bool bSawProcessStart = false;
    int nFiles = 0;
    for (const char* pszFolder : {"backend", "platform", "host", "tools"})
    {
        QDirIterator it(testsupport::SourcePath(QString::fromLatin1(pszFolder)),
                        {QStringLiteral("*.cpp"), QStringLiteral("*.h"), QStringLiteral("*.c")},
                        QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext())
        {
            const QString strPath = it.next();
            QFile file(strPath);
            ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << strPath.toStdString();
            const QString strCode = WithoutComments(QString::fromUtf8(file.readAll()));
            ++nFiles;
            bSawProcessStart = bSawProcessStart || strCode.contains(QStringLiteral("->start("));
            for (const auto& f : forbidden)
            {
                const QRegularExpressionMatch m = f.pattern.match(strCode);
                EXPECT_FALSE(m.hasMatch()) << strPath.toStdString() << " uses " << f.pszWhat << ": "
                                           << m.captured(0).toStdString();
            }
        }
    }
    EXPECT_GT(nFiles, 40);
    EXPECT_TRUE(bSawProcessStart) << "the scan no longer sees where programs are started";
}

TEST(NoShell, theScanSeesWhatItLooksFor)
{
    // Each of these must be caught, and the comment and the plain word must not.
    const QString strSample =
        QStringLiteral("// system(\"rm\") in a comment\n/* popen(x) */ int file_system = 0;\n");
    EXPECT_EQ(WithoutComments(strSample).contains(QStringLiteral("system(")), false);
    EXPECT_TRUE(WithoutComments(QStringLiteral("x = \"// not a comment\";")).contains(u"// not"));
    EXPECT_TRUE(
        WithoutComments(QStringLiteral("std::system(\"ls\"); // x")).contains(u"system(\"ls\")"));

    const struct
    {
        const char* pszCode;
        bool bShell;
    } calls[] = {
        {"system(\"ls\");", true},         {"  std::system(cmd);", true},
        {"x = ::system (cmd);", true},     {"if (!system(cmd))", true},
        {"(void)std::system(cmd);", true}, {"QLocale::system()", false},
        {"locale.system()", false},        {"p->system()", false},
        {"filesystem(x)", false},          {"int file_system = 0;", false},
    };
    for (const auto& c : calls)
        EXPECT_EQ(SystemCall().match(QString::fromLatin1(c.pszCode)).hasMatch(), c.bShell)
            << c.pszCode;
}
