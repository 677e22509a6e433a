// SPDX-License-Identifier: MIT
#include "project/ProjectFile.h"
#include "project/SpiProject.h"

#include <QFile>
#include <QTemporaryDir>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

#include <gtest/gtest.h>

namespace
{
// "program/directive=v1,v2; ..." in file order.
QString Flatten(const CSpiProject& project)
{
    QStringList out;
    for (const auto& pProgram : project.m_programs.m_nodes)
        for (const auto& pDirective : pProgram->m_directives.m_nodes)
            out.append(pProgram->m_strName + u'/' + pDirective->m_strName + u'=' +
                       pDirective->ActiveList()->m_values.join(u','));
    return out.join(QStringLiteral("; "));
}

struct GoodCase
{
    const char* pszText;
    const char* pszExpected;
    quint32 nExpand;
};

struct BadCase
{
    QByteArray text;
    int nLine;
    const char* pszWords;
};
} // namespace

TEST(ProjectFile, readsProgramsDirectivesAndRepeatedValuesInOrder)
{
    const GoodCase cases[] = {
        {"[Global]\nsession_name = demo\n", "Global/session_name=demo", 0},
        {"expand_vars = 1\n[Global]\npsmpath = a\npsmpath = b ; comment\n",
         "/expand_vars=1; Global/psmpath=a,b", 1},
        {"[A]\nx=1\n[b]\ny = 2\n[a]\nX = 3\n", "A/x=1,3; b/y=2", 0},
        {"; only a comment\n[Global]\r\nname = with spaces inside \r\n",
         "Global/name=with spaces inside", 0},
        {"[Global]\nempty =\n", "Global/empty=", 0},
        {"[Global]\nutf = Bauteil \xc3\xa4\xe2\x82\xac\n", "Global/utf=Bauteil \u00e4\u20ac", 0},
        {"\xef\xbb\xbf[Global]\n\xef\xbb\xbf"
         "d = \xef\xbb\xbf"
         "v\n[\xef\xbb\xbf"
         "P]\nx = 1\n",
         "Global/\ufeffd=\ufeffv; \ufeffP/x=1", 0},
        // An indented line adds a value to the name above it, comments aside;
        // at the start of a program it is a line of its own.
        {"[G]\nx = a\n  b ; note\n  ; not a value\n\t[c]\n[H]\n  y = 1\n", "G/x=a,b,[c]; H/y=1", 0},
        // ';' starts a comment only after a blank; ':' separates like '='.
        {"[G]\na =;x\nb = ;x\nc = x;y ; z\nd = x # y\ne : 1\nf = a:b=c\n",
         "G/a=;x; G/b=; G/c=x;y; G/d=x # y; G/e=1; G/f=a:b=c", 0},
        {"[ G ] what follows is ignored\nx = 1\n[]\nexpand_vars = 1\n", " G /x=1; /expand_vars=1",
         1},
        // Letter case is folded one character at a time: "\u00df" is not "ss".
        {"[\xc3\x84rger]\n\xc3\x96l = 1\nStra\xc3\x9f"
         "e = 2\n[\xc3\xa4RGER]\n\xc3\xb6L = 3\n"
         "STRASSE = 4\n\xce\xa3 = 5\n\xcf\x82 = 6\n",
         "\u00c4rger/\u00d6l=1,3; \u00c4rger/Stra\u00dfe=2; \u00c4rger/STRASSE=4; "
         "\u00c4rger/\u03a3=5,6",
         0},
        // Without a line, or with comments only: a project without settings.
        {"", "", 0},
        {"  \n\n", "", 0},
        {"; only\n# comments\n", "", 0},
        {"\n\r\n   \n", "", 0},
    };
    for (const GoodCase& c : cases)
    {
        CSpiProject project;
        const CProjectFileResult r =
            LoadProjectText(QByteArray(c.pszText), QStringLiteral("p.ini"), project);
        EXPECT_TRUE(r.bOk) << c.pszText << " -> " << r.strError.toStdString();
        EXPECT_EQ(Flatten(project), QString::fromUtf8(c.pszExpected)) << c.pszText;
        EXPECT_EQ(project.m_bExpandVars, c.nExpand) << c.pszText;
    }
}

TEST(ProjectFile, refusesBadFilesNamingFileAndLine)
{
    const BadCase cases[] = {
        // UTF-16, with and without a byte order mark, is named as what it is.
        {QByteArray("\xff\xfe[\0G\0]\0\n\0", 8), 0, "UTF-16"},
        {QByteArray("\0[\0G\0]\0\n", 7), 0, "UTF-16"},
        {QByteArray("[Global]\nno equals sign here\n"), 2, "malformed"},
        {QByteArray("[Global\nx = 1\n"), 1, "malformed"},
        {QByteArray("[Global]\nx = 1\n= 2\n"), 3, ""},
        {QByteArray("[Global]\nx ;y = 1\n"), 2, "malformed"},
        {QByteArray("[Global ;x]\nx = 1\n"), 1, "malformed"},
        // A Mac file of old would be one long line and lose all but its start.
        {QByteArray("[Global]\rx = 1\r"), 1, "carriage return"},
        // The first bad line is named with its own fault.
        {QByteArray("[Global]\n= 1\nv\xff = 2\n"), 2, "without a name"},
        {QByteArray("[Global]\nx = 1\n\x01\x02\0\x03", 19).append("\n"), 3, "binary"},
    };
    for (const BadCase& c : cases)
    {
        CSpiProject project;
        const CProjectFileResult r = LoadProjectText(c.text, QStringLiteral("/x/p.ini"), project);
        EXPECT_FALSE(r.bOk) << c.text.toStdString();
        EXPECT_EQ(r.nLine, c.nLine) << c.text.toStdString();
        EXPECT_TRUE(r.strError.startsWith(c.nLine > 0 ? QStringLiteral("/x/p.ini:%1:").arg(c.nLine)
                                                      : QStringLiteral("/x/p.ini: ")))
            << r.strError.toStdString();
        EXPECT_TRUE(r.strError.contains(QString::fromLatin1(c.pszWords)))
            << r.strError.toStdString();
    }
}

TEST(ProjectFile, aBadLineKeepsEveryValueBeforeIt)
{
    QByteArray many = "[G]\n";
    for (int i = 0; i < 40; ++i)
        many += "v = " + QByteArray::number(i) + "\n";
    QStringList values;
    for (int i = 0; i < 40; ++i)
        values.append(QString::number(i));
    const struct
    {
        QByteArray text;
        QString strExpected;
    } cases[] = {
        {many + "bad line\n", QStringLiteral("G/v=") + values.join(u',')},
        {"[A]\nx = 1\n[B]\ny = 2\n  3\n= 4\n", QStringLiteral("A/x=1; B/y=2,3")},
    };
    for (const auto& c : cases)
    {
        CSpiProject project;
        EXPECT_FALSE(LoadProjectText(c.text, QStringLiteral("p.ini"), project).bOk);
        EXPECT_EQ(Flatten(project), c.strExpected) << c.text.right(40).toStdString();
    }
}

TEST(ProjectFile, linesAndNamesOfAnyLengthAreReadWhole)
{
    const QByteArray program(4096, 'P');
    const QByteArray directive(150, 'd');
    const QByteArray path = "/net/" + QByteArray("deep/").repeated(818) + "x"; // 4,096 bytes
    const QByteArray line(64 << 10, 'v');
    const struct
    {
        QByteArray text;
        QByteArray expected;
    } cases[] = {
        {"[" + program + "]\nx = 1\n", program + "/x=1"},
        {"[Global]\n" + directive + " = a\n" + directive + " = b\n",
         "Global/" + directive + "=a,b"},
        {"[Global]\n" + QByteArray(50, 'd') + " = a\n  b\n",
         "Global/" + QByteArray(50, 'd') + "=a,b"},
        {"[Global]\n" + directive + " = a\n; note\n\n\t[next]\n",
         "Global/" + directive + "=a,[next]"},
        {"[Global]\n" + directive + " = a\n[" + program + "]\n  y = b\n",
         "Global/" + directive + "=a; " + program + "/y=b"},
        {"[Global]\npsmpath = " + path + "\r\n", "Global/psmpath=" + path},
        {"[Global]\nx = " + line, "Global/x=" + line},
        {"[Global]\nx = 1 ;" + line + "\n  " + line + " ; " + line + "\n", "Global/x=1," + line},
    };
    for (const auto& c : cases)
    {
        CSpiProject project;
        const CProjectFileResult r = LoadProjectText(c.text, QStringLiteral("p.ini"), project);
        EXPECT_TRUE(r.bOk) << c.text.left(80).toStdString() << " -> " << r.strError.toStdString();
        EXPECT_EQ(Flatten(project), QString::fromUtf8(c.expected)) << c.text.left(80).toStdString();
    }
}

TEST(ProjectFile, missingFileIsAnErrorAndAReadFileSetsTheAbsolutePath)
{
    CSpiProject missing;
    const CProjectFileResult r = LoadProjectFile(QStringLiteral("/no/such/project.ini"), missing);
    EXPECT_FALSE(r.bOk);
    EXPECT_TRUE(r.strError.startsWith(QStringLiteral("/no/such/project.ini: cannot open")));

    QTemporaryDir dir;
    const QString strPath = dir.filePath(QStringLiteral("a b.ini"));
    QFile file(strPath);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[Global]\nsession_name = x\n");
    file.close();
    CSpiProject project;
    ASSERT_TRUE(LoadProjectFile(strPath, project).bOk);
    EXPECT_EQ(project.GetProjectPath(), strPath);

    // A folder whose name is not UTF-8 cannot be named by a path: refused at
    // once, never read and then called missing.
    const QByteArray odd = QFile::encodeName(dir.path()) + "/Entw\xfcrfe";
    ASSERT_EQ(::mkdir(odd.constData(), 0700), 0);
    ASSERT_TRUE(QFile::copy(strPath, dir.filePath(QStringLiteral("plain.ini"))));
    const QByteArray oddFile = odd + "/demo.ini";
    ASSERT_EQ(::rename(QFile::encodeName(dir.filePath(QStringLiteral("plain.ini"))).constData(),
                       oddFile.constData()),
              0);
    const QString strOdd = QFile::decodeName(odd) + QStringLiteral("/demo.ini");
    char szCwd[4096];
    ASSERT_NE(::getcwd(szCwd, sizeof szCwd), nullptr);
    ASSERT_EQ(::chdir(odd.constData()), 0);
    for (const QString& strGiven : {QStringLiteral("demo.ini"), strOdd})
    {
        CSpiProject inOdd;
        const CProjectFileResult odds = LoadProjectFile(strGiven, inOdd);
        EXPECT_FALSE(odds.bOk) << strGiven.toStdString();
        EXPECT_TRUE(odds.strError.contains(QStringLiteral("is not UTF-8")))
            << odds.strError.toStdString();
    }
    ASSERT_EQ(::chdir(szCwd), 0);
}

TEST(ProjectFile, manyDirectivesAreReadWholeInOrder)
{
    // 200,000 distinct names (read one by one against the list, hours), and
    // the first name again at the end in other letters: it joins the first
    // directive. The largest file the reader takes is in bench/.
    constexpr int kDirectives = 200000;
    QByteArray text = "[P]\n";
    text.reserve(kDirectives * 11 + 32);
    char line[16];
    for (int i = 0; i < kDirectives; ++i)
        text.append(line, std::snprintf(line, sizeof line, "d%07x=1\n", i));
    text += "D0000000 = again\n";
    ASSERT_LE(text.size(), kMaxProjectFileSize);

    CSpiProject project;
    const CProjectFileResult r = LoadProjectText(text, QStringLiteral("big.ini"), project);
    ASSERT_TRUE(r.bOk) << r.strError.toStdString();
    ASSERT_EQ(project.m_programs.m_nodes.size(), 1u);
    const auto& directives = project.m_programs.m_nodes.front()->m_directives.m_nodes;
    ASSERT_EQ(directives.size(), std::size_t(kDirectives));
    EXPECT_EQ(directives.front()->ActiveList()->m_values,
              (QStringList{QStringLiteral("1"), QStringLiteral("again")}));
    for (const int i : {0, 1, 0xabcd, kDirectives - 1})
        EXPECT_EQ(directives[std::size_t(i)]->m_strName,
                  QStringLiteral("d%1").arg(i, 7, 16, QChar(u'0')));
    EXPECT_EQ(project.SelectProgram(QStringLiteral("p")), 0);
    EXPECT_EQ(project.SelectDirective(QStringLiteral("D000ABCD")), 0);
    EXPECT_EQ(project.m_pCurrentDirective, directives[0xabcd].get());
}
