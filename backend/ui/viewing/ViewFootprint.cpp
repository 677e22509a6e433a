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
} // namespace

int OpenFootprintLocation(const QString& strLocation, const CServices& services)
{
    if (!IsOpenableLocation(strLocation))
        return 0;
    // A drawing the PCB editor could not read would fail out of sight.
    if (const QString strReason = UnreadableReason(strLocation); !strReason.isEmpty())
    {
        services.MessageBox(CTexts::UnreadableDrawing(strLocation, strReason));
        return 0;
    }
    if (services.m_pDrawings)
        return services.m_pDrawings->OpenDrawing(strLocation);
    return CLaunchers(services).OpenFootprintDrawing(strLocation);
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
    // It runs on a thread of its own, with progress and Cancel when slow;
    // its entries stay valid while the job is held here.
    QStringList files;
    files.reserve(names.size());
    for (const QString& strName : names)
        files.append(strName + QStringLiteral(".dra"));
    const auto pJob = CFootprintSearchJob::Start(
        [path = ProjectSearchPath(strProjectPath), files, nKind](CFootprint& search)
        {
            search.DeleteFootprintList();
            search.CreateFootprintList(path, files, nKind);
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
    CFootprint& search = pJob->Search();
    QList<CFootprintEntry*> pooled;
    search.GetFootprintList(pooled);
    const CSearchReport& report = search.Report();
    QStringList locations;
    locations.reserve(pooled.size());
    for (const CFootprintEntry* pEntry : pooled)
        locations.append(pEntry ? pEntry->GetLocation() : QString());
    const CViewDecision decision = DecideView(!report.strProjectError.isEmpty(), locations);

    const CFocusReturn focus;
    switch (decision.m_nAction)
    {
    case CViewDecision::EAction::kNothing:
        break;
    case CViewDecision::EAction::kTell:
        m_services.MessageBox(CTexts::ViewFault(decision.m_eFault, report));
        focus.GiveBack();
        break;
    case CViewDecision::EAction::kOpen:
        // A refusal has said why in a message box; the user goes on where they were.
        if (OpenFootprintLocation(decision.m_strLocation, m_services) == 0)
            focus.GiveBack();
        break;
    case CViewDecision::EAction::kChoose:
        // The chooser gives the focus back as it closes.
        CLocationDlg(&pooled, m_services).DoModal();
        break;
    }
}
} // namespace physprops::ui
