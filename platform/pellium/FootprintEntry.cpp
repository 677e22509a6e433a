// SPDX-License-Identifier: MIT
#include "pellium/Footprint.h"

#include "pellium/FootprintNames.h"

using pellium::JoinPath;

CFootprintEntry::CFootprintEntry(const QString& strName, const QString& strSecond,
                                 const QString& strLocation)
{
    Texts& texts = MakeTexts();
    texts.strName = strName;
    texts.strSecond = strSecond;
    texts.strLocation = strLocation;
    KeepName(strName.toUtf8());
}

// A copy holds its own texts, so it stays valid after the search that made
// the original has ended.
CFootprintEntry::CFootprintEntry(const CFootprintEntry& other)
    : CFootprintEntry(other.GetName(), other.GetSecond(), other.GetLocation())
{
    m_pTexts->sharedFiles = other.GetSharedFiles();
}

CFootprintEntry& CFootprintEntry::operator=(const CFootprintEntry& other)
{
    if (this != &other)
    {
        auto pTexts = std::make_unique<Texts>(Texts{nullptr,
                                                    other.GetName(),
                                                    {},
                                                    other.GetSecond(),
                                                    other.GetLocation(),
                                                    other.GetSharedFiles()});
        pTexts->name = pTexts->strName.toUtf8();
        if (m_nFlags & kOwnTexts)
            delete m_pTexts;
        m_pTexts = pTexts.release();
        m_nFlags = kOwnTexts;
        m_pName = m_pTexts->name.constData();
        m_nNameLen = quint32(m_pTexts->name.size());
    }
    return *this;
}

CFootprintEntry::~CFootprintEntry()
{
    if (m_nFlags & kOwnTexts)
        delete m_pTexts;
}

CFootprintEntry::Texts& CFootprintEntry::MakeTexts()
{
    if (!(m_nFlags & kOwnTexts))
    {
        const QString* pFolder = m_pFolder;
        m_pTexts = new Texts;
        m_pTexts->pFolder = pFolder;
        m_nFlags |= kOwnTexts;
    }
    return *m_pTexts;
}

void CFootprintEntry::KeepName(QByteArray name)
{
    Texts& texts = MakeTexts();
    texts.name = std::move(name);
    m_pName = texts.name.constData();
    m_nNameLen = quint32(texts.name.size());
}

QString CFootprintEntry::GetName() const
{
    if (const Texts* pTexts = OwnTexts(); pTexts && !pTexts->pFolder)
        return pTexts->strName;
    return QString::fromUtf8(m_pName, qsizetype(m_nNameLen));
}

QString CFootprintEntry::GetSecond() const
{
    if (const QString* pFolder = Folder())
        return *pFolder;
    const Texts* pTexts = OwnTexts();
    return pTexts ? pTexts->strSecond : QString();
}

QString CFootprintEntry::GetLocation() const
{
    const QString* pFolder = Folder();
    const Texts* pTexts = OwnTexts();
    if (!pFolder)
        return pTexts ? pTexts->strLocation : QString();
    if (m_nFlags & kDrawingNamed)
        return JoinPath(*pFolder, GetName() + QStringLiteral(".dra"));
    if ((m_nFlags & kDrawingStored) && pTexts)
        return JoinPath(*pFolder, pTexts->strLocation);
    return QString::fromLatin1(kNotFoundLocation);
}

QStringList CFootprintEntry::GetSharedFiles() const
{
    const Texts* pTexts = OwnTexts();
    if (!pTexts || pTexts->sharedFiles.isEmpty())
        return {};
    if (!pTexts->pFolder)
        return pTexts->sharedFiles;
    QStringList paths;
    paths.reserve(pTexts->sharedFiles.size());
    for (const QString& strFile : pTexts->sharedFiles)
        paths.append(JoinPath(*pTexts->pFolder, strFile));
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
    // Only a folder that is not there can be the wrong one because of how it was written.
    if (fault.eKind == EFolderFault::kMissing && origin.eHint == EFolderHint::kTilde)
        strReason +=
            WordText(fnText, QT_TRANSLATE_NOOP("CTexts", "; \"~\" is taken as a folder name, not "
                                                         "as the home folder: write ${HOME} "
                                                         "instead, with expand_vars = 1"));
    else if (fault.eKind == EFolderFault::kMissing && origin.eHint == EFolderHint::kExpansionOff)
        strReason += WordText(
            fnText, QT_TRANSLATE_NOOP("CTexts", "; environment references were not expanded: the "
                                                "project file does not set expand_vars = 1"));
    return strReason;
}

QString CSkippedFolder::Describe(TextFn fnText) const
{
    const QString strLine = strFolder + QStringLiteral(": ") + Reason(fnText);
    return origin.strWhere.isEmpty() ? strLine : origin.strWhere + QStringLiteral(": ") + strLine;
}

QString CPathLineNote::Describe(TextFn fnText) const
{
    QString strWhat;
    switch (eKind)
    {
    case EKind::kIndented:
        strWhat =
            WordText(fnText, QT_TRANSLATE_NOOP("CTexts", "this indented line adds a value to the "
                                                         "line above it; it does not set \"%1\" "
                                                         "(take out the indent to set it)"))
                .arg(strName);
        break;
    case EKind::kUnreadSection:
        strWhat = WordText(fnText, QT_TRANSLATE_NOOP("CTexts",
                                                     "\"%1\" in the section [%2] is not read: "
                                                     "the search path comes from the lines "
                                                     "before the first section and from [Global]"))
                      .arg(strName, strSection);
        break;
    }
    return strWhere + QStringLiteral(": ") + strWhat;
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
            strText += u'\n' + skipped[i].Describe();
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
        if (!lineNotes.isEmpty())
            strText += u'\n';
        for (const CPathLineNote& note : lineNotes)
            strText += u'\n' + note.Describe();
    }
    return strText;
}
