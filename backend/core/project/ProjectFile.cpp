// SPDX-License-Identifier: MIT
#include "project/ProjectFile.h"
#include "project/SpiProject.h"
#include "project/TextFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <memory>

using physprops::core::DecodeUtf8;
using physprops::core::ReadCheckedTextFile;

namespace
{

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
        const char c = s[i];
        if (std::find(stops.begin(), stops.end(), c) != stops.end() || (bAfterBlank && c == ';'))
            return i;
        bAfterBlank = IsBlank(c);
    }
    return s.size();
}

// How many directives the lines of rest up to its next section could add
// at most: those that start with neither a blank nor a comment. A bound, not
// a count, so that a large program's list and index are made once; lines
// that hold nothing do not count, so nothing is reserved for them.
qsizetype DirectiveLinesBound(QByteArrayView rest)
{
    qsizetype n = 0;
    while (!rest.isEmpty() && rest.front() != '[')
    {
        const char c = rest.front();
        if (!IsBlank(c) && c != ';' && c != '#')
            ++n;
        const qsizetype nEnd = rest.indexOf('\n');
        rest = nEnd < 0 ? QByteArrayView() : rest.sliced(nEnd + 1);
    }
    return n;
}

// Reads the file a line at a time into the project; a line's fault stops it.
class CProjectReader
{
public:
    // text: what is to be read, for the size of the lines before the first section.
    CProjectReader(CSpiProject& project, QByteArrayView text)
        : m_project(project), m_nSectionBound(DirectiveLinesBound(text))
    {
    }

    // The fault of the line, kNone when it was read. rest: what follows it.
    EFileFault Read(QByteArrayView line, QByteArrayView rest, int nLine)
    {
        m_nLine = nLine;
        const QByteArrayView body = TrimmedEnd(line);
        // A file with old Mac line ends would otherwise be one long line.
        if (body.contains('\r'))
            return EFileFault::kCarriageReturn;
        const QByteArrayView text = body.trimmed();
        if (text.isEmpty() || text.front() == ';' || text.front() == '#')
            return EFileFault::kNone;
        // An indented line after "name = value" is one more value of that name.
        if (text.size() < body.size() && !m_lastName.isEmpty())
        {
            NoteIndentedDirective(text);
            return AddValue(m_lastName, TrimmedEnd(text.first(EndOf(text))));
        }
        if (text.front() == '[')
        {
            const QByteArrayView inside = text.sliced(1);
            const qsizetype nClose = EndOf(inside, "]");
            if (nClose == inside.size() || inside[nClose] != ']')
                return EFileFault::kMalformed;
            Flush();
            // The name is what the brackets hold, blanks and all; what follows is ignored.
            m_bSectionUtf8 = DecodeUtf8(inside.first(nClose), m_strSection);
            m_pProgram = nullptr;
            m_lastName = {};
            m_nSectionBound = DirectiveLinesBound(rest);
            return EFileFault::kNone;
        }
        const qsizetype nSeparator = EndOf(text, "=:");
        if (nSeparator == text.size() || text[nSeparator] == ';')
            return EFileFault::kMalformed;
        m_lastName = TrimmedEnd(text.first(nSeparator));
        const QByteArrayView value = text.sliced(nSeparator + 1);
        return AddValue(m_lastName, value.first(EndOf(value)).trimmed());
    }

    QList<CProjectLine> TakeLines() { return std::move(m_lines); }

    // Adds the values still waiting; before a fault is reported as well, so
    // that the project holds every line before it.
    void Flush()
    {
        while (m_nPending > 0)
            AddFirstPending();
    }

private:
    // An indented line that reads like "NAME = VALUE" of a directive this
    // system reads is a value of the line above by the rules, which a user
    // rarely means: noted, so that the search path can tell of it.
    void NoteIndentedDirective(QByteArrayView text)
    {
        const qsizetype nSeparator = EndOf(text, "=:");
        if (nSeparator == text.size() || text[nSeparator] == ';')
            return;
        const QByteArrayView name = TrimmedEnd(text.first(nSeparator));
        for (const char* pszKnown : {"psmpath", "session_name", "expand_vars"})
            if (name.compare(pszKnown, Qt::CaseInsensitive) == 0)
                m_lines.append({CProjectLine::EKind::kIndented, m_nLine, m_strSection,
                                QString::fromLatin1(name)});
    }

    EFileFault AddValue(QByteArrayView name, QByteArrayView value)
    {
        QString strName;
        QString strValue;
        // Other bytes would turn into replacement characters and name folders
        // nobody has: refused instead.
        if (!m_bSectionUtf8 || !DecodeUtf8(name, strName) || !DecodeUtf8(value, strValue))
            return EFileFault::kNotUtf8;
        if (strName.isEmpty())
            return EFileFault::kNoName;
        // A program comes into being with its first value.
        if (!m_pProgram)
            m_pProgram = m_project.AddProgram(m_strSection);
        // Only a section that has shown many names gets room for all its
        // lines: a file that repeats a few names should not get an index for
        // millions.
        if (CSpiList<CSpiDirective>& directives = m_pProgram->m_directives;
            m_nSectionBound > 0 && directives.m_nodes.size() >= kReserveFrom)
        {
            directives.Reserve(qsizetype(directives.m_nodes.size()) + m_nSectionBound);
            m_nSectionBound = 0;
        }
        if (m_strSection.isEmpty() && strName.compare(u"expand_vars", Qt::CaseInsensitive) == 0)
            m_project.m_bExpandVars = strValue.trimmed().toUInt();
        // Named as the project's list names them, so that the lines and the
        // values of one program's psmpath pair up in order.
        if (strName.size() == 7 && SpiNamesEqual(strName, u"psmpath"))
            m_lines.append({CProjectLine::EKind::kPsmpath, m_nLine, m_strSection, strName});
        // Added some lines later, so that the index slot asked for now is in
        // the cache by then.
        const std::size_t nHash = SpiNameHash(strName);
        m_pProgram->m_directives.Prefetch(nHash);
        if (m_nPending == kAhead)
            AddFirstPending();
        m_pending[(m_nFirstPending + m_nPending++) % kAhead] = {std::move(strName),
                                                                std::move(strValue), nHash};
        return EFileFault::kNone;
    }

    struct CPendingValue
    {
        QString strName;
        QString strValue;
        std::size_t nHash = 0;
    };
    static constexpr std::size_t kAhead = 16;
    static constexpr std::size_t kReserveFrom = 1024;

    void AddFirstPending()
    {
        CPendingValue& v = m_pending[m_nFirstPending];
        CSpiProject::AddValue(m_pProgram, v.strName, v.nHash, std::move(v.strValue));
        v.strName = {};
        m_nFirstPending = (m_nFirstPending + 1) % kAhead;
        --m_nPending;
    }

    CSpiProject& m_project;
    int m_nLine = 0; // of the line being read
    QList<CProjectLine> m_lines;
    QString m_strSection; // lines before the first section belong to ""
    bool m_bSectionUtf8 = true;
    CSpiProgram* m_pProgram = nullptr;
    QByteArrayView m_lastName; // empty at the start of a section
    // DirectiveLinesBound of the current section until it is reserved, then 0.
    qsizetype m_nSectionBound = 0;
    // Values read but not yet added, all of m_pProgram, in file order.
    std::array<CPendingValue, kAhead> m_pending;
    std::size_t m_nFirstPending = 0;
    std::size_t m_nPending = 0;
};

CProjectFileResult Fail(CFileFault fault)
{
    CProjectFileResult r;
    r.nLine = fault.nLine;
    r.strError = fault.Describe();
    r.fault = std::move(fault);
    return r;
}
} // namespace

CProjectFileResult LoadProjectText(const QByteArray& text, const QString& strName,
                                   CSpiProject& project)
{
    // UTF-16 has a NUL byte beside every ASCII letter: told as what it is.
    if (physprops::core::LooksUtf16(text))
        return Fail({.eKind = EFileFault::kUtf16, .strFile = strName});
    // A NUL byte marks the file as binary, whatever the lines before it hold.
    if (const qsizetype nNul = text.indexOf('\0'); nNul >= 0)
        return Fail({.eKind = EFileFault::kBinary,
                     .strFile = strName,
                     .nLine = int(QByteArrayView(text).first(nNul).count('\n')) + 1});

    QByteArrayView rest(text);
    if (rest.startsWith("\xEF\xBB\xBF"))
        rest = rest.sliced(3);
    CProjectReader reader(project, rest);
    for (int nLine = 1; !rest.isEmpty(); ++nLine)
    {
        const qsizetype nEnd = rest.indexOf('\n');
        const QByteArrayView line = nEnd < 0 ? rest : rest.first(nEnd);
        rest = nEnd < 0 ? QByteArrayView() : rest.sliced(nEnd + 1);
        if (const EFileFault eFault = reader.Read(line, rest, nLine); eFault != EFileFault::kNone)
        {
            reader.Flush();
            return Fail({.eKind = eFault, .strFile = strName, .nLine = nLine});
        }
    }
    reader.Flush();

    CProjectFileResult r;
    r.bOk = true;
    r.lines = reader.TakeLines();
    return r;
}

CProjectFileResult LoadProjectFile(const QString& strPath, CSpiProject& project)
{
    // The project is named by its absolute path from here on (the search,
    // the setup editor); a current folder whose path is not UTF-8 cannot be
    // part of one, so such a project is refused now rather than called
    // missing later.
    if (QDir::isRelativePath(strPath))
    {
        const std::unique_ptr<char, decltype(&std::free)> pCwd(::getcwd(nullptr, 0), &std::free);
        QString strCwd;
        if (pCwd && !DecodeUtf8(pCwd.get(), strCwd))
            return Fail({.eKind = EFileFault::kPathNotUtf8, .strFile = strPath});
    }
    QByteArray text;
    if (CFileFault fault; !ReadCheckedTextFile(strPath, kMaxProjectFileSize, text, fault))
        return Fail(std::move(fault));
    CProjectFileResult r = LoadProjectText(text, strPath, project);
    if (r.bOk)
        project.m_strProjectPath = QFileInfo(strPath).absoluteFilePath();
    return r;
}
