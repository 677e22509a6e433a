#include "ProjectFile.h"
#include "SpiProject.h"

#include <QTemporaryDir>

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
        {"\xef\xbb\xbf[Global]\n\xef\xbb\xbf" "d = \xef\xbb\xbf" "v\n[\xef\xbb\xbf" "P]\nx = 1\n",
         "Global/\ufeffd=\ufeffv; \ufeffP/x=1", 0},
    };
    for (const GoodCase& c : cases)
    {
        CSpiProject project;
        const ProjectFileResult r = LoadProjectText(QByteArray(c.pszText), QStringLiteral("p.ini"), project);
        EXPECT_TRUE(r.bOk) << c.pszText << " -> " << r.strError.toStdString();
        EXPECT_EQ(Flatten(project), QString::fromUtf8(c.pszExpected)) << c.pszText;
        EXPECT_EQ(project.m_bExpandVars, c.nExpand) << c.pszText;
    }
}

TEST(ProjectFile, refusesBadFilesNamingFileAndLine)
{
    const BadCase cases[] = {
        {QByteArray(""), 1, "empty"},
        {QByteArray("  \n\n"), 1, "empty"},
        {QByteArray("[Global]\nno equals sign here\n"), 2, "malformed"},
        {QByteArray("[Global\nx = 1\n"), 1, "malformed"},
        {QByteArray("[Global]\nx = 1\n= 2\n"), 3, ""},
        {QByteArray("[Global]\nx = ") + QByteArray(300, 'v') + "\n", 2, "too long"},
        {QByteArray("[Global]\nx = 1\n\x01\x02\0\x03", 19).append("\n"), 3, "binary"},
        {"[" + QByteArray(50, 'P') + "]\nx = 1\n", 1, "program name too long (50 bytes"},
        {"[Global]\n" + QByteArray(50, 'd') + " = a\n  b\n", 3, "continued value"},
        {"[Global]\n" + QByteArray(60, 'd') + " = a\n; note\n\n\t[next]\n", 5, "continued value"},
    };
    for (const BadCase& c : cases)
    {
        CSpiProject project;
        const ProjectFileResult r = LoadProjectText(c.text, QStringLiteral("/x/p.ini"), project);
        EXPECT_FALSE(r.bOk) << c.text.toStdString();
        EXPECT_EQ(r.nLine, c.nLine) << c.text.toStdString();
        EXPECT_TRUE(r.strError.startsWith(QStringLiteral("/x/p.ini:%1:").arg(c.nLine)))
            << r.strError.toStdString();
        EXPECT_TRUE(r.strError.contains(QString::fromLatin1(c.pszWords))) << r.strError.toStdString();
    }
}

TEST(ProjectFile, longNamesAreReadWhole)
{
    const QByteArray program(49, 'P');
    const QByteArray directive(150, 'd');
    const struct
    {
        QByteArray text;
        QByteArray expected;
    } cases[] = {
        {"[" + program + "]\nx = 1\n", program + "/x=1"},
        {"[Global]\n" + directive + " = a\n" + directive + " = b\n", "Global/" + directive + "=a,b"},
        {"[Global]\n" + QByteArray(49, 'd') + " = a\n  b\n", "Global/" + QByteArray(49, 'd') + "=a,b"},
        {"[Global]\n" + directive + " = a\n[" + program + "]\n  y = b\n",
         "Global/" + directive + "=a; " + program + "/y=b"},
    };
    for (const auto& c : cases)
    {
        CSpiProject project;
        const ProjectFileResult r = LoadProjectText(c.text, QStringLiteral("p.ini"), project);
        EXPECT_TRUE(r.bOk) << c.text.toStdString() << " -> " << r.strError.toStdString();
        EXPECT_EQ(Flatten(project), QString::fromUtf8(c.expected));
    }
}

TEST(ProjectFile, missingFileIsAnErrorAndAReadFileSetsTheAbsolutePath)
{
    CSpiProject missing;
    const ProjectFileResult r = LoadProjectFile(QStringLiteral("/no/such/project.ini"), missing);
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
}
