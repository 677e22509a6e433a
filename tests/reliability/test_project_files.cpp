// SPDX-License-Identifier: MIT
// Broken project files: every one gives an error that names the file (and
// the line, where one is at fault) and never a crash or a silently changed
// value.
#include "ReliabilitySupport.h"
#include "project/ProjectFile.h"
#include "project/SpiProject.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace
{
const QByteArray kGood =
    "expand_vars = 0\n[Global]\nsession_name = lab \xc3\xa4\npsmpath = /lib/a\n"
    "psmpath = /lib/b\n[brdedit]\nx = 1\n";

QString Values(const CSpiProject& project)
{
    QStringList out;
    for (const auto& pProgram : project.m_programs.m_nodes)
        for (const auto& pDirective : pProgram->m_directives.m_nodes)
            out.append(pProgram->m_strName + u'/' + pDirective->m_strName + u'=' +
                       pDirective->ActiveList()->m_values.join(u','));
    return out.join(u';');
}

QString Write(const QTemporaryDir& dir, const QString& strName, const QByteArray& content)
{
    const QString strPath = dir.filePath(strName);
    QFile file(strPath);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(content);
    return strPath;
}
} // namespace

TEST(BrokenProjectFiles, eachIsRefusedNamingFileAndLine)
{
    QByteArray png("\x89PNG\r\n\x1a\n\x00\x00\x00\rIHDR", 16);
    const struct
    {
        const char* pszWhat;
        QByteArray text;
        int nLine;
        const char* pszWords;
    } cases[] = {
        // (Empty and blank files are projects without settings: test_projectfile.)
        {"image", png, 3, "binary"},
        {"executable",
         QByteArray("\x7f"
                    "ELF\x02\x01\x01\x00",
                    8),
         1, "binary"},
        // The file as a whole: no line.
        {"UTF-16 text", QByteArray("\xff\xfe[\0G\0]\0", 8), 0, "UTF-16 text"},
        {"binary without NUL", "[Global]\nsession_name = \xff\xfe\xfd\n", 2, "UTF-8"},
        {"cut inside a character", "[Global]\nsession_name = lab \xc3", 2, "UTF-8"},
        {"Latin-1 value", "[Global]\npsmpath = /lib/Bauteil\xe4\n", 2, "UTF-8"},
        {"Latin-1 name", "[Global]\nv\xe4lue = 1\n", 2, "UTF-8"},
        {"Latin-1 section",
         "[Gl\xf6"
         "bal]\nx = 1\n",
         2, "UTF-8"},
        {"cut inside a section header", "[Global]\nx = 1\n[brded", 3, "malformed"},
        {"cut before the equals sign", "[Global]\nsession_na", 2, "malformed"},
        {"one line of a megabyte", QByteArray(1 << 20, 'x'), 1, "malformed"},
        {"carriage returns only", QByteArray("[Global]\rx = 1\r").repeated(20), 1,
         "carriage return"},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.pszWhat);
        CSpiProject project;
        const CProjectFileResult r = LoadProjectText(c.text, QStringLiteral("/lib/p.ini"), project);
        EXPECT_FALSE(r.bOk);
        EXPECT_EQ(r.nLine, c.nLine);
        EXPECT_TRUE(r.strError.startsWith(c.nLine > 0
                                              ? QStringLiteral("/lib/p.ini:%1: ").arg(c.nLine)
                                              : QStringLiteral("/lib/p.ini: ")))
            << r.strError.toStdString();
        EXPECT_TRUE(r.strError.contains(QString::fromLatin1(c.pszWords)))
            << r.strError.toStdString();
    }
}

TEST(BrokenProjectFiles, longLinesAreReadWhole)
{
    // Lines of 199 and 200 bytes stood on both sides of the old limit.
    for (const qsizetype nValue : {qsizetype(195), qsizetype(196), qsizetype(64 << 10)})
    {
        const QByteArray value(nValue, 'v');
        for (const char* pszEnd : {"\n", "\r\n", ""})
        {
            SCOPED_TRACE(nValue);
            CSpiProject project;
            const CProjectFileResult r = LoadProjectText("[Global]\nx = " + value + pszEnd,
                                                         QStringLiteral("p.ini"), project);
            ASSERT_TRUE(r.bOk) << r.strError.toStdString();
            EXPECT_EQ(Values(project), QStringLiteral("Global/x=") + QString::fromLatin1(value));
        }
    }
}

TEST(BrokenProjectFiles, everyCutOfAGoodFileLoadsOrNamesItsLine)
{
    // A file cut short by a full disk or an interrupted copy: every prefix
    // either reads as far as it goes or is refused with its line; none crashes
    // and none reads a value that is not a prefix of the real one.
    CSpiProject whole;
    ASSERT_TRUE(LoadProjectText(kGood, QStringLiteral("p.ini"), whole).bOk);
    const QString strWhole = Values(whole);
    for (qsizetype n = 0; n <= kGood.size(); ++n)
    {
        SCOPED_TRACE(n);
        CSpiProject project;
        const CProjectFileResult r =
            LoadProjectText(kGood.left(n), QStringLiteral("p.ini"), project);
        if (!r.bOk)
        {
            EXPECT_GT(r.nLine, 0);
            EXPECT_TRUE(r.strError.startsWith(QStringLiteral("p.ini:%1: ").arg(r.nLine)))
                << r.strError.toStdString();
            continue;
        }
        EXPECT_FALSE(Values(project).contains(QChar::ReplacementCharacter));
        const QStringList got = Values(project).split(u';');
        const QStringList want = strWhole.split(u';');
        ASSERT_LE(got.size(), want.size());
        for (qsizetype i = 0; i < got.size(); ++i)
            EXPECT_TRUE(want[i].startsWith(got[i])) << got[i].toStdString();
    }
}

TEST(BrokenProjectFiles, filesThatCannotBeReadAreNamed)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QDir(dir.path()).mkdir(QStringLiteral("folder.ini"));
    const QString strFifo = dir.filePath(QStringLiteral("fifo.ini"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(strFifo).constData(), 0600), 0);
    const QString strLink = dir.filePath(QStringLiteral("dangling.ini"));
    QFile::link(dir.filePath(QStringLiteral("gone.ini")), strLink);

    const struct
    {
        QString strPath;
        const char* pszWords;
    } cases[] = {
        {dir.filePath(QStringLiteral("missing.ini")), "cannot open"},
        {strLink, "cannot open"},
        {dir.filePath(QStringLiteral("folder.ini")), "not a file: it is a folder"},
        // Would wait for a writer, or read for ever, if opened.
        {strFifo, "not a file: it is a named pipe (FIFO)"},
        {QStringLiteral("/dev/zero"), "not a file: it is a device"},
        // (An empty file is a project without settings.)
        {Write(dir, QStringLiteral("utf16.ini"), QByteArray("\xff\xfe[\0G\0]\0", 8)), "UTF-16"},
        {Write(dir, QStringLiteral("big.ini"), QByteArray(17 << 20, '\n')), "too large"},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.strPath.toStdString());
        CSpiProject project;
        const CProjectFileResult r = LoadProjectFile(c.strPath, project);
        EXPECT_FALSE(r.bOk);
        EXPECT_TRUE(r.strError.startsWith(c.strPath + u':')) << r.strError.toStdString();
        EXPECT_TRUE(r.strError.contains(QString::fromLatin1(c.pszWords)))
            << r.strError.toStdString();
        EXPECT_TRUE(project.GetProjectPath().isEmpty());
    }
}

TEST(BrokenProjectFiles, anUnreadableFileIsNamed)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString strPath = Write(dir, QStringLiteral("locked.ini"), kGood);
    ASSERT_EQ(::chmod(QFile::encodeName(strPath).constData(), 0), 0);
    CProjectFileResult r;
    if (::geteuid() == 0)
    {
        // Root reads everything: read as another user would.
        const reliability::OtherUser nobody = reliability::Nobody();
        if (!nobody.bFound)
            GTEST_SKIP() << "no unprivileged account to read as";
        ::chmod(QFile::encodeName(dir.path()).constData(), 0755);
        reliability::ActAs as(nobody);
        ASSERT_TRUE(as.Ok());
        CSpiProject project;
        r = LoadProjectFile(strPath, project);
    }
    else
    {
        CSpiProject project;
        r = LoadProjectFile(strPath, project);
    }
    EXPECT_FALSE(r.bOk);
    EXPECT_TRUE(r.strError.startsWith(strPath + QStringLiteral(": cannot open")))
        << r.strError.toStdString();
}
