#include "project/ProjectFile.h"
#include "project/SpiProject.h"
#include "project/TextFile.h"

#include <QFile>
#include <QFileInfo>

namespace
{
const QString kMalformed = QStringLiteral("malformed line (expected [program] or name = value)");

// Blanks are the C locale's: space, and tab to carriage return.
bool IsBlank(char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

QByteArrayView TrimmedEnd(QByteArrayView s)
{
    while (!s.isEmpty() && IsBlank(s.back()))
        s.chop(1);
    return s;
}

// Where s ends: at the first of stops, or at a ';' that follows a blank (an
// inline comment), whichever comes first; s.size() when there is neither.
qsizetype EndOf(QByteArrayView s, QByteArrayView stops = {})
{
    bool bAfterBlank = false;
    for (qsizetype i = 0; i < s.size(); ++i)
    {
        if (stops.contains(s[i]) || (bAfterBlank && s[i] == ';'))
            return i;
        bAfterBlank = IsBlank(s[i]);
    }
    return s.size();
}

// Reads the file a line at a time into the project; a line's fault stops it.
class CProjectReader
{
public:
    explicit CProjectReader(CSpiProject& project) : m_project(project) {}

    // The fault of the line, empty when it was read.
    QString Read(QByteArrayView line)
    {
        const QByteArrayView body = TrimmedEnd(line);
        // A file with old Mac line ends would otherwise be one long line.
        if (body.contains('\r'))
            return QStringLiteral(
                "carriage return inside a line (save the file with LF or CR LF line ends)");
        const QByteArrayView text = body.trimmed();
        if (text.isEmpty() || text.front() == ';' || text.front() == '#')
            return {};
        // An indented line after "name = value" is one more value of that name.
        if (text.size() < body.size() && !m_lastName.isEmpty())
            return AddValue(m_lastName, TrimmedEnd(text.first(EndOf(text))));
        if (text.front() == '[')
        {
            const QByteArrayView inside = text.sliced(1);
            const qsizetype nClose = EndOf(inside, "]");
            if (nClose == inside.size() || inside[nClose] != ']')
                return kMalformed;
            // The name is what the brackets hold, blanks and all; what follows is ignored.
            m_bSectionUtf8 = DecodeUtf8(inside.first(nClose), m_strSection);
            m_pProgram = nullptr;
            m_lastName = {};
            return {};
        }
        const qsizetype nSeparator = EndOf(text, "=:");
        if (nSeparator == text.size() || text[nSeparator] == ';')
            return kMalformed;
        m_lastName = TrimmedEnd(text.first(nSeparator));
        const QByteArrayView value = text.sliced(nSeparator + 1);
        return AddValue(m_lastName, value.first(EndOf(value)).trimmed());
    }

private:
    QString AddValue(QByteArrayView name, QByteArrayView value)
    {
        QString strName;
        QString strValue;
        // Other bytes would turn into replacement characters and name folders
        // nobody has: refused instead.
        if (!m_bSectionUtf8 || !DecodeUtf8(name, strName) || !DecodeUtf8(value, strValue))
            return QStringLiteral("not UTF-8 text (save the file as UTF-8)");
        if (strName.isEmpty())
            return QStringLiteral("a value without a name");
        // A program comes into being with its first value.
        if (!m_pProgram)
            m_pProgram = m_project.AddProgram(m_strSection);
        if (m_strSection.isEmpty() && strName.compare(u"expand_vars", Qt::CaseInsensitive) == 0)
            m_project.m_bExpandVars = strValue.trimmed().toUInt();
        CSpiProject::AddValue(m_pProgram, strName, strValue);
        return {};
    }

    CSpiProject& m_project;
    QString m_strSection; // lines before the first section belong to ""
    bool m_bSectionUtf8 = true;
    CSpiProgram* m_pProgram = nullptr;
    QByteArrayView m_lastName; // empty at the start of a section
};

CProjectFileResult Fail(const QString& strName, int nLine, const QString& strWhat)
{
    CProjectFileResult r;
    r.nLine = nLine;
    r.strError = nLine > 0 ? QStringLiteral("%1:%2: %3").arg(strName).arg(nLine).arg(strWhat)
                           : QStringLiteral("%1: %2").arg(strName, strWhat);
    return r;
}
} // namespace

CProjectFileResult LoadProjectText(const QByteArray& text, const QString& strName,
                                  CSpiProject& project)
{
    if (text.trimmed().isEmpty())
        return Fail(strName, 1, QStringLiteral("the project file is empty"));
    // A NUL byte marks the file as binary, whatever the lines before it hold.
    if (const qsizetype nNul = text.indexOf('\0'); nNul >= 0)
        return Fail(strName, int(QByteArrayView(text).first(nNul).count('\n')) + 1,
                    QStringLiteral("binary data (a NUL byte) in the file"));

    CProjectReader reader(project);
    QByteArrayView rest(text);
    if (rest.startsWith("\xEF\xBB\xBF"))
        rest = rest.sliced(3);
    for (int nLine = 1; !rest.isEmpty(); ++nLine)
    {
        const qsizetype nEnd = rest.indexOf('\n');
        const QByteArrayView line = nEnd < 0 ? rest : rest.first(nEnd);
        rest = nEnd < 0 ? QByteArrayView() : rest.sliced(nEnd + 1);
        if (const QString strFault = reader.Read(line); !strFault.isEmpty())
            return Fail(strName, nLine, strFault);
    }

    CProjectFileResult r;
    r.bOk = true;
    return r;
}

CProjectFileResult LoadProjectFile(const QString& strPath, CSpiProject& project)
{
    QByteArray text;
    CProjectFileResult bad;
    if (!ReadCheckedTextFile(strPath, kMaxProjectFileSize, text, bad.strError))
        return bad;
    CProjectFileResult r = LoadProjectText(text, strPath, project);
    if (r.bOk)
        project.m_strProjectPath = QFileInfo(strPath).absoluteFilePath();
    return r;
}
