// SPDX-License-Identifier: MIT
#include "viewing/ViewFootprint.h"

#include "common/Modal.h"
#include "common/Texts.h"
#include "pellium/FileCalls.h"
#include "project/SearchPath.h"
#include "search/SearchJob.h"
#include "viewing/Launchers.h"
#include "viewing/LocationDlg.h"
#include "viewing/ViewDecision.h"

#include <QApplication>
#include <QFile>

#include <cerrno>
#include <memory>

#include <fcntl.h>
#include <unistd.h>

using physprops::core::CViewDecision;
using physprops::core::DecideView;
using physprops::core::IsOpenableLocation;
using physprops::core::ProjectSearchPath;
using physprops::ui::CFootprintViewer;
using physprops::ui::CServices;

namespace physprops::ui
{
namespace
{
// Why a drawing cannot be read, or an empty text when it can. Never waits:
// a pipe put in the drawing's place must not hang the dialog.
QString UnreadableReason(const QString& strPath)
{
    const QByteArray encoded = QFile::encodeName(strPath);
    pellium::NoteFileCall(pellium::EFileCall::kOpen, encoded.constData());
    const int nFd = ::open(encoded.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (nFd < 0)
        return qt_error_string(errno);
    ::close(nFd);
    return {};
}

// What a found location holds, as its check on the search's thread saw it.
struct CLocationCheck
{
    bool bOpenable = false; // a file that exists
    QString strUnreadable;  // why it cannot be read; empty when it can
};

CLocationCheck CheckLocation(const QString& strLocation)
{
    CLocationCheck check;
    check.bOpenable = IsOpenableLocation(strLocation);
    if (check.bOpenable)
        check.strUnreadable = UnreadableReason(strLocation);
    return check;
}

// Opens a location as its check found it, touching no file here.
int OpenChecked(const QString& strLocation, const CLocationCheck& check, const CServices& services)
{
    if (!check.bOpenable)
        return 0;
    // A drawing the PCB editor could not read would fail out of sight.
    if (!check.strUnreadable.isEmpty())
    {
        services.MessageBox(CTexts::UnreadableDrawing(strLocation, check.strUnreadable));
        return 0;
    }
    if (services.m_pDrawings)
        return services.m_pDrawings->OpenDrawing(strLocation);
    return CLaunchers(services).OpenFootprintDrawing(strLocation);
}

// What View makes of its hits, decided on the search's thread with the
// check of the one drawing it would open.
struct CViewFound
{
    CViewDecision decision;
    CLocationCheck check;
};

CViewFound DecideOnHits(const CFootprint& search)
{
    QList<CFootprintEntry*> pooled;
    search.GetFootprintList(pooled);
    QStringList locations;
    locations.reserve(pooled.size());
    for (const CFootprintEntry* pEntry : pooled)
        locations.append(pEntry ? pEntry->GetLocation() : QString());
    CViewFound found;
    found.decision = DecideView(!search.Report().strProjectError.isEmpty(), locations);
    // DecideView opens only a file it found there; on a share each look
    // again is a round trip, so only the read is tried.
    if (found.decision.m_nAction == CViewDecision::EAction::kOpen)
        found.check = {true, UnreadableReason(found.decision.m_strLocation)};
    return found;
}
} // namespace

int OpenFootprintLocation(const QString& strLocation, const CServices& services, QWidget* pParent)
{
    // Looked at on a thread of its own: the drawing may lie on a share that
    // stalls, and the wait for it needs its Cancel.
    const auto pCheck = std::make_shared<CLocationCheck>();
    const auto pJob = CFootprintSearchJob::Start([strLocation, pCheck](CFootprint&)
                                                 { *pCheck = CheckLocation(strLocation); },
                                                 CFootprintSearchJob::What::Drawing);
    if (!pJob->Wait(pParent ? pParent : QApplication::activeModalWidget(),
                    CTexts::ViewProgressTitle()) ||
        pJob->OutOfMemory())
        return 0;
    return OpenChecked(strLocation, *pCheck, services);
}
} // namespace physprops::ui

void ViewFootprintDrawing(const QStringList& names, const QString& strProjectPath,
                          PROPERTY_NAMES nKind)
{
    CFootprintViewer(CServices::Default()).ViewFootprintDrawing(names, strProjectPath, nKind);
}

namespace physprops::ui
{
void CFootprintViewer::ViewFootprintDrawing(const QStringList& names, const QString& strProjectPath,
                                            PROPERTY_NAMES nKind) const
{
    // One search for every name: the path is read once, not once per name.
    // It runs on a thread of its own, with progress and Cancel when slow:
    // the project file, the folders and the drawing it opens may lie on a
    // share that stalls. Its entries stay valid while the job is held here.
    QStringList files;
    files.reserve(names.size());
    for (const QString& strName : names)
        files.append(strName + QStringLiteral(".dra"));
    const auto pFound = std::make_shared<CViewFound>();
    const auto pJob = CFootprintSearchJob::Start(
        [strProjectPath, files, nKind, pFound](CFootprint& search)
        {
            search.DeleteFootprintList();
            search.CreateFootprintList(ProjectSearchPath(strProjectPath), files, nKind);
            if (!search.Cancelled())
                *pFound = DecideOnHits(search);
        },
        CFootprintSearchJob::What::Drawings);
    // Cancelled: the user asked for nothing more.
    if (!pJob->Wait(QApplication::activeModalWidget(), CTexts::ViewProgressTitle()))
        return;
    if (pJob->OutOfMemory())
    {
        const CFocusReturn focus;
        m_services.MessageBox(CFootprintSearchJob::OutOfMemoryText());
        focus.GiveBack();
        return;
    }
    QList<CFootprintEntry*> pooled;
    pJob->Search().GetFootprintList(pooled);
    const CViewDecision& decision = pFound->decision;

    const CFocusReturn focus;
    switch (decision.m_nAction)
    {
    case CViewDecision::EAction::kNothing:
        break;
    case CViewDecision::EAction::kTell:
        m_services.MessageBox(CTexts::ViewFault(decision.m_eFault, pJob->Search().Report()));
        focus.GiveBack();
        break;
    case CViewDecision::EAction::kOpen:
        // A refusal has said why in a message box; the user goes on where they were.
        if (OpenChecked(decision.m_strLocation, pFound->check, m_services) == 0)
            focus.GiveBack();
        break;
    case CViewDecision::EAction::kChoose:
        // The chooser gives the focus back as it closes.
        CLocationDlg(&pooled, m_services).DoModal();
        break;
    }
}
} // namespace physprops::ui
