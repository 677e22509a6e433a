// SPDX-License-Identifier: MIT
#include "common/Texts.h"

#include "common/EditorFault.h"
#include "harbex/ToolManager.h"
#include "ipqc/IpqOutbox.h"
#include "pellium/Footprint.h"
#include "viewing/LaunchRequests.h"

#include <QLibraryInfo>
#include <QLocale>
#include <QLoggingCategory>
#include <QTranslator>

#include <memory>

using physprops::core::CViewDecision;
using physprops::core::ECompanion;

namespace physprops::ui
{
namespace
{
Q_LOGGING_CATEGORY(lcL10n, "physprops.l10n", QtWarningMsg)

// The texts the lower layers mark for this catalogue (context "CTexts"),
// in the user's language.
QString Translate(const char* pszText)
{
    return CTexts::tr(pszText);
}

// A long list is cut: the first names show what to look for.
constexpr qsizetype kShown = 10;
} // namespace

QString CTexts::AltSymbolsSyntax()
{
    return tr("ERROR : Incorrect syntax of ALT_SYMBOLS.\n"
              "Correct syntax is : (Subclass:Symbol ,... ; Subclass:Symbol ,...)");
}

QString CTexts::Companion(ECompanion eWhat)
{
    switch (eWhat)
    {
    case ECompanion::kPcbEditor:
        return tr("PCB editor");
    case ECompanion::kSetupEditor:
        return tr("project setup editor");
    }
    return {};
}

QString CTexts::ToolStartFault(const CToolStartFault& fault)
{
    return fault.Reason(&Translate);
}

QString CTexts::NotStarted(ECompanion eWhat, const CToolStartError& error)
{
    if (error.strPath.isEmpty())
        return tr("Cannot start the %1: the program \"%2\" was not found.\n"
                  "Looked in: %3\n"
                  "Install it, or add its folder to PATH.")
            .arg(Companion(eWhat), error.strProgram,
                 error.searched.isEmpty() ? tr("no folder (PATH is empty)")
                                          : error.searched.join(QStringLiteral(", ")));
    return tr("Cannot start the %1 \"%2\": %3.")
        .arg(Companion(eWhat), error.strPath, ToolStartFault(error.fault));
}

QString CTexts::UndeliveredRequests(ECompanion eWhat, const QString& strProgram, qsizetype nLost,
                                    const ipqc::CDeliveryFault& fault, const CEditorFault* pWhy)
{
    ipqc::CDeliveryFault worded = fault;
    if (pWhy && fault.eKind == ipqc::CDeliveryFault::EKind::kNobodyListens)
        worded.strDetail = pWhy->Describe(&Translate);
    return tr("The %1 \"%2\" did not get %n request(s) to open a drawing: %3.\nTry again: the "
              "next request starts it anew.",
              nullptr, int(nLost))
        .arg(Companion(eWhat), strProgram, worded.Describe(&Translate));
}

QString CTexts::FileFault(const CFileFault& fault)
{
    return fault.Describe(&Translate);
}

QString CTexts::ProjectError(const CSearchReport& report)
{
    // What is in the file is the user's to fix; a file that cannot be
    // reached (a share gone away) needs nothing fixed in it.
    if (report.projectFault.IsAccessFault())
        return tr("The footprint search path can't be read from the project file:\n%1\n"
                  "Make sure the project file can be reached and read (a network share or a "
                  "removable disk may have gone away), then try again.")
            .arg(FileFault(report.projectFault));
    if (report.projectFault.eKind == EFileFault::kPathNotUtf8)
        return tr("The footprint search path can't be read from the project file:\n%1")
            .arg(FileFault(report.projectFault));
    return tr("The footprint search path can't be read from the project file:\n%1\n"
              "Fix the project file, then try again.")
        .arg(FileFault(report.projectFault));
}

QString CTexts::SkipReason(const CSkippedFolder& folder)
{
    return folder.Reason(&Translate);
}

QString CTexts::Skipped(const CSearchReport& report, bool bAll)
{
    QString strText;
    if (!report.skipped.isEmpty())
    {
        strText += u"\n\n" + tr("Search folders skipped:");
        const qsizetype nShown = bAll ? report.skipped.size() : kShown;
        for (qsizetype i = 0; i < report.skipped.size() && i < nShown; ++i)
            strText += u'\n' + report.skipped[i].Describe(&Translate);
        if (report.skipped.size() > nShown)
            strText += u'\n' + tr("and %n more", nullptr, int(report.skipped.size() - nShown));
    }
    if (!report.hidden.isEmpty())
    {
        strText += u"\n\n" + tr("Files left out because their names are not valid UTF-8 "
                                "(rename them to use them):");
        for (qsizetype i = 0; i < report.hidden.size() && i < kShown; ++i)
            strText += u'\n' + report.hidden[i].strFolder +
                       QStringLiteral(": %1").arg(report.hidden[i].nFiles);
        if (report.hidden.size() > kShown)
            strText += u'\n' + tr("and %n more", nullptr, int(report.hidden.size() - kShown));
    }
    if (report.bEmptyPath)
        strText += u"\n\n" + EmptyPath(report);
    return strText;
}

QString CTexts::EmptyPath(const CSearchReport& report)
{
    QString strNotes;
    for (const CPathLineNote& note : report.lineNotes)
        strNotes += u'\n' + note.Describe(&Translate);
    if (!strNotes.isEmpty())
        strNotes.prepend(u'\n');
    return EmptyPathReason(report) + strNotes;
}

QString CTexts::EmptyPathReason(const CSearchReport& report)
{
    if (report.bPathFromProject)
        return tr("The footprint search path is empty: the psmpath lines of the project file "
                  "\"%1\" "
                  "name no folder. Give them the footprint folders.")
            .arg(report.strProjectFile);
    if (!report.strProjectFile.isEmpty())
        return tr("The footprint search path is empty: the project file \"%1\" has no psmpath "
                  "line, "
                  "and the environment variable PSMPATH names no folder. Add psmpath lines to the "
                  "project file, or set PSMPATH to the footprint folders.")
            .arg(report.strProjectFile);
    return tr("The footprint search path is empty: there is no project file, and the environment "
              "variable PSMPATH names no folder. Set PSMPATH to the footprint folders, separated "
              "by ':'.");
}

QString CTexts::SearchNote(const CSearchReport& report)
{
    QStringList parts;
    if (!report.skipped.isEmpty())
        parts.append(tr("search folders skipped: %1").arg(report.skipped.size()));
    qsizetype nHidden = 0;
    for (const CHiddenFiles& hidden : report.hidden)
        nHidden += hidden.nFiles;
    if (nHidden > 0)
        parts.append(tr("files left out, their names are not valid UTF-8: %1").arg(nHidden));
    if (parts.isEmpty())
        return {};
    return tr("Not every footprint could be listed; %1.").arg(parts.join(QStringLiteral("; ")));
}

QString CTexts::ViewFault(CViewDecision::EFault eFault, const CSearchReport& report)
{
    switch (eFault)
    {
    case CViewDecision::EFault::kNone:
        break;
    case CViewDecision::EFault::kProjectUnreadable:
        return ProjectError(report);
    case CViewDecision::EFault::kNotFound:
        return tr("Footprint can't be viewed as corresponding .dra file not found in the PSMPATH") +
               Skipped(report);
    }
    return {};
}

QString CTexts::UnreadableDrawing(const QString& strPath, const QString& strReason)
{
    return tr("The footprint drawing \"%1\" can't be opened: %2.").arg(strPath, strReason);
}

QString CTexts::ViewProgressTitle()
{
    return tr("View");
}

QString CTexts::BrowseProgressTitle()
{
    return tr("Browse");
}

QString CTexts::NoFootprintsFound()
{
    return tr("No .psm files found for the footprints");
}

QString CTexts::ViewBlocked(physprops::core::EViewBlock eBlock)
{
    using physprops::core::EViewBlock;
    switch (eBlock)
    {
    case EViewBlock::kCanView:
        break;
    case EViewBlock::kNoProperty:
        return tr("No property is selected: there is nothing to view.");
    case EViewBlock::kOtherProperty:
        return tr("View opens the footprints that JEDEC_TYPE and ALT_SYMBOLS name; "
                  "select one of these rows.");
    case EViewBlock::kEmptyValue:
        return tr("The value is empty: type a footprint name, or choose one with Browse.");
    case EViewBlock::kNoSymbols:
        return tr("The value () names no symbol: type symbol names between the parentheses, "
                  "or choose them with Browse.");
    }
    return {};
}

QString CTexts::UnwritableSelection(const QStringList& names)
{
    QString strText =
        tr("These footprints cannot be part of the selection: their names contain a "
           "comma, semicolon, colon or blank, which would split them into other names.");
    for (qsizetype i = 0; i < names.size() && i < kShown; ++i)
        strText += u'\n' + names[i];
    if (names.size() > kShown)
        strText += u'\n' + tr("... and %n more", nullptr, int(names.size() - kShown));
    strText += u'\n' + tr("Take them out of the selection, then press OK again.");
    return strText;
}

QList<QTranslator*> InstallTranslations(const QLocale& locale, const QStringList& folders)
{
    QList<QTranslator*> installed;
    QCoreApplication* pApp = QCoreApplication::instance();
    if (!pApp)
        return installed;
    const auto install = [&](const QString& strName, const QString& strFolder)
    {
        auto pTranslator = std::make_unique<QTranslator>(pApp);
        if (!pTranslator->load(locale, strName, QStringLiteral("_"), strFolder) ||
            !QCoreApplication::installTranslator(pTranslator.get()))
            return false;
        installed.append(pTranslator.release()); // the application owns it
        return true;
    };
    bool bFound = false;
    for (const QString& strFolder : folders)
        if ((bFound = install(QStringLiteral("physprops"), strFolder)))
            break;
    // Qt's own catalogue only along with ours: a language we do not speak
    // keeps English buttons under English texts.
    if (bFound)
        install(QStringLiteral("qtbase"), QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    for (const QTranslator* pTranslator : std::as_const(installed))
        qCDebug(lcL10n) << "languages" << locale.uiLanguages() << "loaded"
                        << pTranslator->filePath();
    if (!bFound)
        qCDebug(lcL10n) << "languages" << locale.uiLanguages() << "no catalogue in" << folders;
    return installed;
}
} // namespace physprops::ui
