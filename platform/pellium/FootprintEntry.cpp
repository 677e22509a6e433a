// SPDX-License-Identifier: MIT
#include "pellium/Footprint.h"

#include "pellium/FootprintNames.h"

using pellium::JoinPath;

CFootprintEntry::CFootprintEntry(const QString& strName, const QString& strSecond,
                                 const QString& strLocation)
    : m_strName(strName), m_pTexts(std::make_unique<Texts>(Texts{strSecond, strLocation, {}}))
{
}

// A copy holds its own texts, so it stays valid after the search that made
// the original has ended.
CFootprintEntry::CFootprintEntry(const CFootprintEntry& other)
    : CFootprintEntry(other.m_strName, other.GetSecond(), other.GetLocation())
{
    m_pTexts->sharedFiles = other.GetSharedFiles();
}

CFootprintEntry& CFootprintEntry::operator=(const CFootprintEntry& other)
{
    if (this != &other)
    {
        m_pTexts = std::make_unique<Texts>(
            Texts{other.GetSecond(), other.GetLocation(), other.GetSharedFiles()});
        m_strName = other.m_strName;
        m_pFolder = nullptr;
        m_nFlags = 0;
    }
    return *this;
}

CFootprintEntry::~CFootprintEntry() = default;

QString CFootprintEntry::GetSecond() const
{
    if (m_pFolder)
        return *m_pFolder;
    return m_pTexts ? m_pTexts->strSecond : QString();
}

QString CFootprintEntry::GetLocation() const
{
    if (!m_pFolder)
        return m_pTexts ? m_pTexts->strLocation : QString();
    if (m_nFlags & kDrawingNamed)
        return JoinPath(*m_pFolder, m_strName + QStringLiteral(".dra"));
    if ((m_nFlags & kDrawingStored) && m_pTexts)
        return JoinPath(*m_pFolder, m_pTexts->strLocation);
    return QString::fromLatin1(kNotFoundLocation);
}

QStringList CFootprintEntry::GetSharedFiles() const
{
    if (!m_pTexts || m_pTexts->sharedFiles.isEmpty())
        return {};
    if (!m_pFolder)
        return m_pTexts->sharedFiles;
    QStringList paths;
    paths.reserve(m_pTexts->sharedFiles.size());
    for (const QString& strFile : m_pTexts->sharedFiles)
        paths.append(JoinPath(*m_pFolder, strFile));
    return paths;
}

QString CSkippedFolder::Reason(TextFn fnText) const
{
    QString strReason;
    switch (fault.eKind)
    {
    case EFolderFault::kNone:
        break;
    case EFolderFault::kMissing:
        strReason = WordText(fnText, QT_TRANSLATE_NOOP("CTexts", "does not exist"));
        break;
    case EFolderFault::kUnreachable:
        strReason = WordText(fnText, QT_TRANSLATE_NOOP("CTexts", "cannot be reached (%1)"))
                        .arg(qt_error_string(fault.nErrno));
        break;
    case EFolderFault::kNotAFolder:
        strReason = WordText(fnText, QT_TRANSLATE_NOOP("CTexts", "is not a folder"));
        break;
    case EFolderFault::kUnreadable:
        strReason = WordText(fnText, QT_TRANSLATE_NOOP("CTexts", "cannot be read (%1)"))
                        .arg(qt_error_string(fault.nErrno));
        break;
    case EFolderFault::kNotSearchable:
        strReason =
            WordText(fnText, QT_TRANSLATE_NOOP(
                                 "CTexts", "cannot be searched, its files cannot be opened (%1)"))
                .arg(qt_error_string(fault.nErrno));
        break;
    case EFolderFault::kExpandsEmpty:
        strReason = WordText(
            fnText, QT_TRANSLATE_NOOP("CTexts", "names no folder: it expands to an empty text"));
        break;
    }
    if (!strUnexpanded.isEmpty())
        strReason +=
            WordText(fnText, QT_TRANSLATE_NOOP("CTexts", "; its value was used as stored: %1"))
                .arg(strUnexpanded);
    return strReason;
}

QString CSearchReport::ProjectErrorText() const
{
    return QStringLiteral("The footprint search path can't be read from the project file:\n%1")
        .arg(strProjectError);
}

QString CSearchReport::SkippedText() const
{
    constexpr qsizetype kShown = 10;
    QString strText;
    if (!skipped.isEmpty())
    {
        strText += QStringLiteral("\n\nSearch folders skipped:");
        for (qsizetype i = 0; i < skipped.size() && i < kShown; ++i)
            strText += u'\n' + skipped[i].strFolder + QStringLiteral(": ") + skipped[i].Reason();
        if (skipped.size() > kShown)
            strText += QStringLiteral("\nand %1 more").arg(skipped.size() - kShown);
    }
    if (!hidden.isEmpty())
    {
        strText += QStringLiteral("\n\nFiles left out, their names are not valid UTF-8:");
        for (qsizetype i = 0; i < hidden.size() && i < kShown; ++i)
            strText += u'\n' + hidden[i].strFolder + QStringLiteral(": %1").arg(hidden[i].nFiles);
        if (hidden.size() > kShown)
            strText += QStringLiteral("\nand %1 more folders").arg(hidden.size() - kShown);
    }
    if (bEmptyPath)
    {
        strText += QStringLiteral("\n\nThe footprint search path is empty: ");
        if (bPathFromProject)
            strText +=
                QStringLiteral("the psmpath lines of %1 name no folder.").arg(strProjectFile);
        else if (!strProjectFile.isEmpty())
            strText += QStringLiteral("%1 has no psmpath line and PSMPATH names no folder.")
                           .arg(strProjectFile);
        else
            strText += QStringLiteral("there is no project file and PSMPATH names no folder.");
    }
    return strText;
}
