#include "ProjectFile.h"
#include "SpiProject.h"
#include "TextFile.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include <ini.h>

namespace
{
struct ParseState
{
    CSpiProject* pProject;
    QString strBadKey;
};

bool IsUtf8(const char* psz)
{
    QStringDecoder decode(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    [[maybe_unused]] const QString strText = decode(QByteArrayView(psz ? psz : ""));
    return !decode.hasError();
}

// QString::fromUtf8 drops a U+FEFF that starts the text, which would change
// a name or value that begins with one; the file's own mark inih has skipped.
QString TextOf(const char* psz)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
    return decoder(QByteArrayView(psz ? psz : ""));
}

int OnIniValue(void* pUser, const char* pszSection, const char* pszName, const char* pszValue)
{
    auto* pState = static_cast<ParseState*>(pUser);
    // Read as UTF-8, other bytes would turn into replacement characters and
    // name folders nobody has: refused, with the line, instead.
    if (!IsUtf8(pszSection) || !IsUtf8(pszName) || !IsUtf8(pszValue))
    {
        pState->strBadKey = QStringLiteral("not UTF-8 text (save the file as UTF-8)");
        return 0;
    }
    const QString strSection = TextOf(pszSection);
    const QString strName = TextOf(pszName);
    const QString strValue = TextOf(pszValue);
    if (strName.isEmpty())
    {
        pState->strBadKey = QStringLiteral("a value without a name");
        return 0;
    }
    if (strSection.isEmpty() && strName.compare(u"expand_vars", Qt::CaseInsensitive) == 0)
        pState->pProject->m_bExpandVars = strValue.trimmed().toUInt();
    CSpiProject::AddValue(pState->pProject->AddProgram(strSection), strName, strValue);
    return 1;
}

// inih keeps a program name, and the directive name that an indented
// continuation line adds to, in 50-byte buffers and cuts longer ones short
// without a word. Such lines are found the way inih reads them and refused.
constexpr qsizetype kMaxProjectName = 49;

struct NameCheck
{
    bool bNamed = false;    // a directive line came since the last program line
    bool bLongName = false; // and its name is longer than inih keeps

    QString Check(QByteArrayView line, bool bFirst)
    {
        const auto isSpace = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
        if (bFirst && line.startsWith("\xEF\xBB\xBF"))
            line = line.sliced(3);
        while (!line.isEmpty() && isSpace(line.back()))
            line.chop(1);
        qsizetype nIndent = 0;
        while (nIndent < line.size() && isSpace(line[nIndent]))
            ++nIndent;
        const QByteArrayView text = line.sliced(nIndent);
        if (text.isEmpty() || text[0] == ';' || text[0] == '#')
            return {};
        if (bNamed && nIndent > 0)
            return bLongName ? QStringLiteral("continued value of a name longer than %1 bytes")
                                   .arg(kMaxProjectName)
                             : QString();
        if (text[0] == '[')
        {
            bNamed = false;
            const qsizetype nClose = text.indexOf(']');
            if (nClose - 1 > kMaxProjectName)
                return QStringLiteral("program name too long (%1 bytes; at most %2)")
                    .arg(nClose - 1)
                    .arg(kMaxProjectName);
            return {};
        }
        qsizetype nEnd = 0;
        while (nEnd < text.size() && text[nEnd] != '=' && text[nEnd] != ':')
            ++nEnd;
        if (nEnd == text.size())
            return {};
        while (nEnd > 0 && isSpace(text[nEnd - 1]))
            --nEnd;
        bNamed = true;
        bLongName = nEnd > kMaxProjectName;
        return {};
    }
};

ProjectFileResult Fail(const QString& strName, int nLine, const QString& strWhat)
{
    ProjectFileResult r;
    r.nLine = nLine;
    r.strError = nLine > 0 ? QStringLiteral("%1:%2: %3").arg(strName).arg(nLine).arg(strWhat)
                           : QStringLiteral("%1: %2").arg(strName, strWhat);
    return r;
}
} // namespace

ProjectFileResult LoadProjectText(const QByteArray& text, const QString& strName,
                                  CSpiProject& project)
{
    if (text.trimmed().isEmpty())
        return Fail(strName, 1, QStringLiteral("the project file is empty"));

    // inih reads C strings and splits long lines silently, so bytes it would
    // misread are refused here, with the line they stand on.
    int nLine = 1;
    qsizetype nLineStart = 0;
    NameCheck names;
    for (qsizetype i = 0; i <= text.size(); ++i)
    {
        if (i == text.size() || text[i] == '\n')
        {
            const qsizetype nLen = i - nLineStart - (i > nLineStart && text[i - 1] == '\r');
            if (nLen > kMaxProjectLine)
                return Fail(strName, nLine,
                            QStringLiteral("line too long (%1 bytes; at most %2)")
                                .arg(nLen)
                                .arg(kMaxProjectLine));
            const QString strBadName =
                names.Check(QByteArrayView(text).sliced(nLineStart, i - nLineStart), nLine == 1);
            if (!strBadName.isEmpty())
                return Fail(strName, nLine, strBadName);
            ++nLine;
            nLineStart = i + 1;
        }
        else if (text[i] == '\0')
            return Fail(strName, nLine, QStringLiteral("binary data (a NUL byte) in the file"));
    }

    ParseState state{&project, {}};
    const QByteArray terminated = text; // QByteArray keeps a terminating NUL
    const int nResult = ini_parse_string(terminated.constData(), OnIniValue, &state);
    if (nResult > 0)
        return Fail(strName, nResult,
                    state.strBadKey.isEmpty()
                        ? QStringLiteral("malformed line (expected [program] or name = value)")
                        : state.strBadKey);
    if (nResult < 0)
        return Fail(strName, 0, QStringLiteral("could not be read"));

    ProjectFileResult r;
    r.bOk = true;
    return r;
}

ProjectFileResult LoadProjectFile(const QString& strPath, CSpiProject& project)
{
    QByteArray text;
    ProjectFileResult bad;
    if (!ReadCheckedTextFile(strPath, kMaxProjectFileSize, text, bad.strError))
        return bad;
    ProjectFileResult r = LoadProjectText(text, strPath, project);
    if (r.bOk)
        project.m_strProjectPath = QFileInfo(strPath).absoluteFilePath();
    return r;
}
