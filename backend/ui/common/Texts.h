// SPDX-License-Identifier: MIT
#pragma once

#include "ui/UiExport.h"

#include "viewing/ViewDecision.h"

#include <QCoreApplication>
#include <QString>
#include <QStringList>

struct CFileFault;
struct CSearchReport;
struct CSkippedFolder;
struct CToolStartError;
struct CToolStartFault;
class QLocale;
class QTranslator;
namespace physprops::core
{
enum class ECompanion;
}
namespace ipqc
{
struct CDeliveryFault;
}

namespace physprops::ui
{
struct CEditorFault;

// What the core and the footprint search report, in the user's language.
// The core hands facts (a kind and its values) or its fixed English texts
// (scripts and logs read them); the dialogs word them only through these.
class PHYSPROPS_UI_EXPORT CTexts
{
    Q_DECLARE_TR_FUNCTIONS(CTexts)
public:
    // The message of a viewed ALT_SYMBOLS value that does not split.
    static QString AltSymbolsSyntax();
    // A companion program as the user knows it ("PCB editor").
    static QString Companion(physprops::core::ECompanion eWhat);
    // Why a companion program that was found did not start.
    static QString ToolStartFault(const CToolStartFault& fault);
    // That the companion could not be started: not found (and where it was
    // looked for), or found and refused.
    static QString NotStarted(physprops::core::ECompanion eWhat, const CToolStartError& error);
    // That nLost View requests did not reach the companion strProgram, and
    // why: the outbox's fault, or pWhy when the launcher gave them up.
    static QString UndeliveredRequests(physprops::core::ECompanion eWhat, const QString& strProgram,
                                       qsizetype nLost, const ipqc::CDeliveryFault& fault,
                                       const CEditorFault* pWhy);
    // What is wrong with a file the user named: "FILE:LINE: what is wrong".
    static QString FileFault(const CFileFault& fault);
    // "The footprint search path can't be read ..." with the reason and what to do.
    static QString ProjectError(const CSearchReport& report);
    // Why a folder of the search path was skipped.
    static QString SkipReason(const CSkippedFolder& folder);
    // The lines after a "nothing found" message: the skipped folders, the
    // first ten of them unless bAll.
    static QString Skipped(const CSearchReport& report, bool bAll = false);
    // Why the search path is empty and where it came from, then the
    // project's lines that look as if they gave it.
    static QString EmptyPath(const CSearchReport& report);
    // One line for under a list of what was found: what was skipped or left
    // out; empty when nothing was. Skipped() gives the folders and why.
    static QString SearchNote(const CSearchReport& report);
    // Why View has nothing to open: the project file, or no drawing found
    // (with the skipped folders).
    static QString ViewFault(physprops::core::CViewDecision::EFault eFault,
                             const CSearchReport& report);
    // That a found drawing cannot be read, and the system's reason.
    static QString UnreadableDrawing(const QString& strPath, const QString& strReason);
    // The title of the wait for View's search.
    static QString ViewProgressTitle();
    // The title of the wait for Browse's search.
    static QString BrowseProgressTitle();
    // That Browse found no footprint (the skipped folders follow it).
    static QString NoFootprintsFound();
    // Why View is disabled on the selected row; empty when it is not.
    static QString ViewBlocked(physprops::core::EViewBlock eBlock);
    // Why OK refuses footprints whose names would split a side list.
    static QString UnwritableSelection(const QStringList& names);

private:
    static QString EmptyPathReason(const CSearchReport& report);
};

// Installs the module's catalogue for the locale's languages (the first
// folder that has one) and Qt's own, for the standard buttons. Gives what
// it installed (owned by the application): nothing for English or a
// language without a catalogue.
PHYSPROPS_UI_EXPORT QList<QTranslator*> InstallTranslations(const QLocale& locale,
                                                            const QStringList& folders);
} // namespace physprops::ui
