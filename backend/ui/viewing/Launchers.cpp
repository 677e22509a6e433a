// SPDX-License-Identifier: MIT
#include "viewing/Launchers.h"
#include "common/EditorFault.h"
#include "common/MessageBox.h"
#include "common/Services.h"
#include "common/Texts.h"
#include "harbex/ToolManager.h"
#include "ipqc/IpqOutbox.h"
#include "ipqc/ipqc.h"

#include <QDateTime>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPointer>

#include <map>
#include <memory>
#include <optional>

using physprops::core::CLaunchRequest;
using physprops::core::ECompanion;
using physprops::core::NewDrawingRequest;
using physprops::core::OpenDrawingRequest;
using physprops::core::PcbEditorArgsForMessage;
using physprops::core::SetupEditorRequest;
using physprops::ui::CLaunchers;
using physprops::ui::CServices;

namespace physprops::ui
{
namespace
{
// How long a started editor may take to answer in the session.
constexpr qint64 kStartGraceMs = 5000;
// How long an editor that found the session taken may take to hand its
// drawing to the one that listens (its own limit is 20 s, after a take-over
// lock it waits up to 5 s for).
constexpr qint64 kHandOverWaitMs = 30000;
// Starts in one fault before the requests that wait are given up.
constexpr int kMaxStarts = 3;

CEditorFault StartFault(const CToolStartError& error)
{
    CEditorFault fault(error.strPath.isEmpty() ? CEditorFault::EKind::kNotFound
                                               : CEditorFault::EKind::kNotStarted,
                       error.strProgram);
    fault.strPath = error.strPath;
    fault.startFault = error.fault;
    return fault;
}

// When each editor this thread started was started (wall clock, ms).
std::map<qint64, qint64>& StartTimes()
{
    thread_local std::map<qint64, qint64> s_times;
    return s_times;
}

void NoteStart(qint64 nPid)
{
    if (nPid > 0)
        StartTimes()[nPid] = QDateTime::currentMSecsSinceEpoch();
}

// Whether an editor that has ended made the session's channel (so it
// listened, and took the drawing it was started with) after it started. A
// channel is made when the listener binds it; one left from before is older.
bool ListenedSinceStart(qint64 nPid)
{
    const auto it = StartTimes().find(nPid);
    QString strError;
    const QFileInfo channel(ipqc::ChannelPath(ipqc::CurrentSession(), false, &strError));
    return it != StartTimes().end() && channel.exists() &&
           channel.lastModified().toMSecsSinceEpoch() + 100 >= it->second;
}

// What the PCB editor's outbox does when nobody listens in the session, and
// how it tells the user what could not be delivered. Set afresh by every
// request, so it works through the tool manager and message box of the
// latest one.
void WatchDelivery(ipqc::COutbox& outbox, const CLaunchRequest& request, const CServices& services)
{
    struct Starts
    {
        int nCount = 0;
        qsizetype nDeliveredThen = 0;
        // Why the requests were last given up, for the message box.
        std::optional<CEditorFault> lastFault;
    };
    const auto pStarts = std::make_shared<Starts>();
    const QPointer<CToolManager> pManager = services.ToolManager();
    const unsigned nId = request.m_nToolId;
    const QString strProgram = request.m_strProgram;
    outbox.SetRecover(
        [pManager, pStarts, nId, strProgram, &outbox](const ipqc::COutbox::Item& first,
                                                      QString& strWhy)
        {
            using Recovery = ipqc::COutbox::Recovery;
            const auto fail = [&](const CEditorFault& fault)
            {
                pStarts->lastFault = fault;
                strWhy = fault.Describe();
                return Recovery::Fail;
            };
            pStarts->lastFault.reset();
            if (!pManager)
                return fail(CEditorFault(CEditorFault::EKind::kNoToolManager));
            // Requests got through since the last start: this is a new fault.
            if (outbox.Delivered() != pStarts->nDeliveredThen)
                pStarts->nCount = 0;
            const CToolProcess* pProcess = pManager->StartedProcess(nId);
            if (pProcess && pProcess->IsRunning())
            {
                // Still starting: started here lately and never answered yet.
                const auto it = StartTimes().find(pProcess->processId());
                if (it != StartTimes().end() &&
                    QDateTime::currentMSecsSinceEpoch() - it->second < kStartGraceMs &&
                    outbox.LastListenerPid() != pProcess->processId())
                    return Recovery::Wait;
                // It had the first request on its command line and runs: it
                // opened that drawing itself, listening or not. Another editor
                // started with it would open it again, and the requests behind
                // it would wait for one that is never taken.
                if (first.bStarted)
                    return Recovery::Taken;
                // It runs, but its channel does not answer (removed, or taken
                // from it): only a new editor can take the requests.
                CEditorFault deaf(CEditorFault::EKind::kDeaf, strProgram);
                deaf.nPid = pProcess->processId();
                pStarts->lastFault = deaf;
                strWhy = deaf.Describe();
            }
            else if (pProcess && first.bStarted)
            {
                // How it ended tells whether it took the drawing: wait for that.
                if (pProcess->WaitStatusPending())
                    return Recovery::Wait;
                const std::optional<int> status = pProcess->WaitStatus();
                const bool bListened = ListenedSinceStart(pProcess->processId());
                // Status 0: it opened the drawing, or handed it to the
                // listener of the time, then ended.
                if (status ? *status == 0 : bListened)
                    return Recovery::Taken;
                // Failed after it listened: it may have opened the drawing or
                // not, so a new editor gets it (at worst twice, never lost).
                if (!bListened)
                {
                    CEditorFault ended(CEditorFault::EKind::kEndedAtStart, strProgram);
                    ended.nPid = pProcess->processId();
                    ended.status = status;
                    return fail(ended);
                }
            }
            if (pStarts->nCount >= kMaxStarts)
            {
                CEditorFault never(CEditorFault::EKind::kNeverAnswered, strProgram);
                never.nStarts = kMaxStarts;
                return fail(never);
            }
            // Started anew on the first request that waits.
            pManager->UnregisterTool(nId);
            pManager->RemoveTool(nId, 1);
            pManager->RegisterTool(nId, strProgram, strProgram,
                                   PcbEditorArgsForMessage(first.payload), nullptr, 1, 0, 0);
            pManager->RunTool(nId);
            if (const CToolStartError* pError = pManager->LastStartError(nId))
                return fail(StartFault(*pError));
            if (const CToolProcess* pStarted = pManager->StartedProcess(nId))
                NoteStart(pStarted->processId());
            ++pStarts->nCount;
            pStarts->nDeliveredThen = outbox.Delivered();
            return Recovery::Started;
        });
    outbox.SetStartedTaken(
        [pManager, nId](qint64 nListenerPid)
        {
            using Handover = ipqc::COutbox::Handover;
            const CToolProcess* pProcess = pManager ? pManager->StartedProcess(nId) : nullptr;
            if (!pProcess || pProcess->processId() == nListenerPid)
                return Handover::Taken;
            if (pProcess->IsRunning())
            {
                // It found the session taken by an editor started at the
                // same moment and hands its drawing over before it ends; this
                // host's later requests must not overtake it. One that stays
                // deaf longer than a hand-over can take did not hand it over.
                const auto it = StartTimes().find(pProcess->processId());
                return it != StartTimes().end() &&
                               QDateTime::currentMSecsSinceEpoch() - it->second < kHandOverWaitMs
                           ? Handover::Waiting
                           : Handover::NotTaken;
            }
            // It ends with status 0 only once the listener has confirmed the
            // drawing; any other end (a failed hand-over, a crash) leaves the
            // drawing to be sent here, at worst twice, never lost.
            if (pProcess->WaitStatusPending())
                return Handover::Waiting;
            const std::optional<int> status = pProcess->WaitStatus();
            return status && *status == 0 ? Handover::Taken : Handover::NotTaken;
        });
    const IMessages* pMessages = &services.m_Messages;
    const ECompanion eWhat = request.m_eWhat;
    outbox.SetReport(
        [pMessages, eWhat, strProgram, pManager, pStarts](qsizetype nLost,
                                                          const ipqc::CDeliveryFault& fault)
        {
            // Without its tool manager the host has ended the module: the log line says it.
            if (pManager)
                pMessages->MessageBox(CTexts::UndeliveredRequests(
                                          eWhat, strProgram, nLost, fault,
                                          pStarts->lastFault ? &*pStarts->lastFault : nullptr),
                                      0, 0);
        });
}

ipqc::COutbox& EditorOutbox()
{
    return ipqc::COutbox::ForSession(ipqc::CurrentSession());
}

void SendCommand(const CLaunchRequest& request, const CServices& services)
{
    WatchDelivery(EditorOutbox(), request, services);
    services.SendMessage("Input " + request.m_strCommand.toUtf8());
}

// A companion that cannot be started would otherwise leave the button
// doing nothing the user can see.
void TellIfNotStarted(const CToolManager& manager, const CLaunchRequest& request,
                      const CServices& services)
{
    if (const CToolStartError* pError = manager.LastStartError(request.m_nToolId))
        services.MessageBox(CTexts::NotStarted(request.m_eWhat, *pError));
}

// The companions inherit the environment, not the host's command line: a
// host put on a platform by -platform (or by its own fallback) would start
// them on the session's display, which may be none. They are told the
// platform the host runs on, unless the environment already names it first.
void CarryPlatformToCompanions()
{
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return;
    const QString strPlatform = QGuiApplication::platformName();
    if (strPlatform.isEmpty())
        return;
    const QString strNamed = qEnvironmentVariable("QT_QPA_PLATFORM");
    const QString strFirst = strNamed.section(u';', 0, 0).section(u':', 0, 0).trimmed();
    if (strFirst != strPlatform)
        qputenv("QT_QPA_PLATFORM", strPlatform.toUtf8());
}

int Launch(const CLaunchRequest& request, const CServices& services)
{
    CToolManager* pManager = services.ToolManager();
    if (!pManager)
        return 0;
    CarryPlatformToCompanions();
    const unsigned nId = request.m_nToolId;
    const CBaseTool* pTool = pManager->FindTool(nId);
    if (pTool && pManager->GetToolWindow(nId, 1))
    {
        pManager->RunTool(nId);
        TellIfNotStarted(*pManager, request, services);
        if (!request.m_strCommand.isNull())
            SendCommand(request, services);
        return 1;
    }
    // An editor that another host started listens in the session, or this
    // host's requests still wait for one: a second editor would only find
    // the session taken.
    if (!request.m_strCommand.isNull())
    {
        const ipqc::SessionAddress addr = ipqc::CurrentSession();
        QString strIgnored;
        if (ipqc::COutbox::HasPending(addr) ||
            ipqc::ProbeListener(addr, &strIgnored) == ipqc::ListenerState::Answers)
        {
            SendCommand(request, services);
            return 1;
        }
    }
    if (pTool)
    {
        // Registered, but the program has gone: start over.
        pManager->UnregisterTool(nId);
        pManager->RemoveTool(nId, 1);
    }
    pManager->RegisterTool(nId, request.m_strProgram, request.m_strProgram, request.m_strArgs,
                           nullptr, 1, 0, 0);
    pManager->RunTool(nId);
    TellIfNotStarted(*pManager, request, services);
    // Counted as delivered once the editor answers in the session; one that
    // ends first is reported.
    if (!request.m_strCommand.isNull() && pManager->StartedProcess(nId))
    {
        NoteStart(pManager->StartedProcess(nId)->processId());
        ipqc::COutbox& outbox = EditorOutbox();
        WatchDelivery(outbox, request, services);
        outbox.PostStarted("Input " + request.m_strCommand.toUtf8());
    }
    return 1;
}
} // namespace

} // namespace physprops::ui

int OpenSetupEditor(QString strProjectPath)
{
    return CLaunchers(CServices::Default()).OpenSetupEditor(strProjectPath);
}

int NewFootprintDrawing()
{
    return CLaunchers(CServices::Default()).NewFootprintDrawing();
}

int OpenFootprintDrawing(QString strPath)
{
    return CLaunchers(CServices::Default()).OpenFootprintDrawing(strPath);
}

namespace physprops::ui
{
int CLaunchers::OpenSetupEditor(const QString& strProjectPath) const
{
    return Launch(SetupEditorRequest(strProjectPath), m_services);
}

int CLaunchers::NewFootprintDrawing() const
{
    return Launch(NewDrawingRequest(), m_services);
}

int CLaunchers::OpenFootprintDrawing(const QString& strPath) const
{
    const std::optional<CLaunchRequest> request = OpenDrawingRequest(strPath);
    return request ? Launch(*request, m_services) : 0;
}
} // namespace physprops::ui
