// SPDX-License-Identifier: MIT
#include "viewing/EditorDelivery.h"

#include "common/Services.h"
#include "common/Texts.h"
#include "harbex/ToolManager.h"

#include <QDateTime>
#include <QFileInfo>
#include <QGuiApplication>

using physprops::core::CLaunchRequest;
using physprops::core::PcbEditorArgsForMessage;

namespace physprops::ui
{
namespace
{
using Recovery = ipqc::COutbox::Recovery;
using Handover = ipqc::COutbox::Handover;

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
} // namespace

CEditorDelivery::CEditorDelivery(ipqc::COutbox& outbox) : QObject(&outbox), m_outbox(outbox) {}

CEditorDelivery& CEditorDelivery::ForSession(const ipqc::SessionAddress& addr)
{
    ipqc::COutbox& outbox = ipqc::COutbox::ForSession(addr);
    if (auto* pDelivery = outbox.findChild<CEditorDelivery*>(QString(), Qt::FindDirectChildrenOnly))
        return *pDelivery;
    return *new CEditorDelivery(outbox); // the outbox owns it
}

int CEditorDelivery::Launch(const CLaunchRequest& request, const CServices& services)
{
    CToolManager* pManager = services.ToolManager();
    if (!pManager)
        return 0;
    CarryPlatformToCompanions();
    const unsigned nId = request.m_nToolId;
    const bool bForEditor = !request.m_strCommand.isNull();
    const CBaseTool* pTool = pManager->FindTool(nId);
    if (pTool && pManager->GetToolWindow(nId, 1))
    {
        pManager->RunTool(nId);
        TellIfNotStarted(*pManager, request, services);
        if (bForEditor)
            Send(request, services);
        return 1;
    }
    if (bForEditor && SomeoneWillTake())
    {
        Send(request, services);
        return 1;
    }
    StartAfresh(*pManager, nId, request.m_strProgram, request.m_strArgs, pTool != nullptr);
    TellIfNotStarted(*pManager, request, services);
    // Counted as delivered once the editor answers in the session; one that
    // ends first is reported.
    if (const CToolProcess* pStarted = pManager->StartedProcess(nId); bForEditor && pStarted)
    {
        NoteStart(pStarted->processId());
        Watch(request, services);
        m_outbox.PostStarted("Input " + request.m_strCommand.toUtf8());
    }
    return 1;
}

std::optional<qint64> CEditorDelivery::StartTime(qint64 nPid) const
{
    const auto it = m_startTimes.find(nPid);
    return it == m_startTimes.end() ? std::nullopt : std::optional<qint64>(it->second);
}

bool CEditorDelivery::SomeoneWillTake() const
{
    QString strIgnored;
    return m_outbox.Pending() > 0 ||
           ipqc::ProbeListener(m_outbox.Address(), &strIgnored) == ipqc::ListenerState::Answers;
}

void CEditorDelivery::Send(const CLaunchRequest& request, const CServices& services)
{
    Watch(request, services);
    services.SendMessage("Input " + request.m_strCommand.toUtf8());
}

void CEditorDelivery::Watch(const CLaunchRequest& request, const CServices& services)
{
    m_pManager = services.ToolManager();
    m_pMessages = &services.m_Messages;
    m_nId = request.m_nToolId;
    m_strProgram = request.m_strProgram;
    m_eWhat = request.m_eWhat;
    m_nStarts = 0;
    m_nDeliveredThen = 0;
    m_lastFault.reset();
    // Set afresh with every request: whoever else set the hooks meanwhile
    // hands the outbox back.
    m_outbox.SetRecover([this](const ipqc::COutbox::Item& first, QString& strWhy)
                        { return Recover(first, strWhy); });
    m_outbox.SetStartedTaken([this](qint64 nListenerPid) { return StartedTaken(nListenerPid); });
    m_outbox.SetReport([this](qsizetype nLost, const ipqc::CDeliveryFault& fault)
                       { Report(nLost, fault); });
}

void CEditorDelivery::StartAfresh(CToolManager& manager, unsigned nId, const QString& strProgram,
                                  const QString& strArgs, bool bRegistered)
{
    if (bRegistered)
    {
        // Registered, but the program has gone: start over.
        manager.UnregisterTool(nId);
        manager.RemoveTool(nId, 1);
    }
    manager.RegisterTool(nId, strProgram, strProgram, strArgs, nullptr, 1, 0, 0);
    manager.RunTool(nId);
}

void CEditorDelivery::NoteStart(qint64 nPid)
{
    if (nPid > 0)
        m_startTimes[nPid] = QDateTime::currentMSecsSinceEpoch();
}

bool CEditorDelivery::StartedWithin(qint64 nPid, qint64 nMs) const
{
    const std::optional<qint64> started = StartTime(nPid);
    return started && QDateTime::currentMSecsSinceEpoch() - *started < nMs;
}

// Whether an editor that has ended made the session's channel (so it
// listened, and took the drawing it was started with) after it started. A
// channel is made when the listener binds it; one left from before is older.
bool CEditorDelivery::ListenedSinceStart(qint64 nPid) const
{
    const std::optional<qint64> started = StartTime(nPid);
    QString strError;
    const QFileInfo channel(ipqc::ChannelPath(m_outbox.Address(), false, &strError));
    return started && channel.exists() &&
           channel.lastModified().toMSecsSinceEpoch() + 100 >= *started;
}

Recovery CEditorDelivery::Recover(const ipqc::COutbox::Item& first, QString& strWhy)
{
    m_lastFault.reset();
    if (!m_pManager)
        return Fail(CEditorFault(CEditorFault::EKind::kNoToolManager), strWhy);
    // Requests got through since the last start: this is a new fault.
    if (m_outbox.Delivered() != m_nDeliveredThen)
        m_nStarts = 0;
    const CToolProcess* pProcess = m_pManager->StartedProcess(m_nId);
    std::optional<Recovery> settled;
    if (pProcess && pProcess->IsRunning())
        settled = RecoverRunning(*pProcess, first, strWhy);
    else if (pProcess && first.bStarted)
        settled = RecoverEnded(*pProcess, strWhy);
    return settled ? *settled : Restart(first, strWhy);
}

std::optional<Recovery> CEditorDelivery::RecoverRunning(const CToolProcess& process,
                                                        const ipqc::COutbox::Item& first,
                                                        QString& strWhy)
{
    // Still starting: started here lately and never answered yet.
    if (StartedWithin(process.processId(), kStartGraceMs) &&
        m_outbox.LastListenerPid() != process.processId())
        return Recovery::Wait;
    // It had the first request on its command line and runs: it opened that
    // drawing itself, listening or not. Another editor started with it would
    // open it again, and the requests behind it would wait for one that is
    // never taken.
    if (first.bStarted)
        return Recovery::Taken;
    // It runs, but its channel does not answer (removed, or taken from it):
    // only a new editor can take the requests.
    CEditorFault deaf(CEditorFault::EKind::kDeaf, m_strProgram);
    deaf.nPid = process.processId();
    m_lastFault = deaf;
    strWhy = deaf.Describe();
    return std::nullopt;
}

std::optional<Recovery> CEditorDelivery::RecoverEnded(const CToolProcess& process, QString& strWhy)
{
    // How it ended tells whether it took the drawing: wait for that.
    if (process.WaitStatusPending())
        return Recovery::Wait;
    const std::optional<int> status = process.WaitStatus();
    const bool bListened = ListenedSinceStart(process.processId());
    // Status 0: it opened the drawing, or handed it to the listener of the
    // time, then ended.
    if (status ? *status == 0 : bListened)
        return Recovery::Taken;
    // Failed after it listened: it may have opened the drawing or not, so a
    // new editor gets it (at worst twice, never lost).
    if (bListened)
        return std::nullopt;
    CEditorFault ended(CEditorFault::EKind::kEndedAtStart, m_strProgram);
    ended.nPid = process.processId();
    ended.status = status;
    return Fail(ended, strWhy);
}

// Started anew on the first request that waits.
Recovery CEditorDelivery::Restart(const ipqc::COutbox::Item& first, QString& strWhy)
{
    if (m_nStarts >= kMaxStarts)
    {
        CEditorFault never(CEditorFault::EKind::kNeverAnswered, m_strProgram);
        never.nStarts = kMaxStarts;
        return Fail(never, strWhy);
    }
    StartAfresh(*m_pManager, m_nId, m_strProgram, PcbEditorArgsForMessage(first.payload), true);
    if (const CToolStartError* pError = m_pManager->LastStartError(m_nId))
        return Fail(StartFault(*pError), strWhy);
    if (const CToolProcess* pStarted = m_pManager->StartedProcess(m_nId))
        NoteStart(pStarted->processId());
    ++m_nStarts;
    m_nDeliveredThen = m_outbox.Delivered();
    return Recovery::Started;
}

Recovery CEditorDelivery::Fail(const CEditorFault& fault, QString& strWhy)
{
    m_lastFault = fault;
    strWhy = fault.Describe();
    return Recovery::Fail;
}

Handover CEditorDelivery::StartedTaken(qint64 nListenerPid) const
{
    const CToolProcess* pProcess = m_pManager ? m_pManager->StartedProcess(m_nId) : nullptr;
    if (!pProcess || pProcess->processId() == nListenerPid)
        return Handover::Taken;
    // It found the session taken by an editor started at the same moment
    // and hands its drawing over before it ends; this host's later requests
    // must not overtake it. One that stays deaf longer than a hand-over can
    // take did not hand it over.
    if (pProcess->IsRunning())
        return StartedWithin(pProcess->processId(), kHandOverWaitMs) ? Handover::Waiting
                                                                     : Handover::NotTaken;
    // It ends with status 0 only once the listener has confirmed the
    // drawing; any other end (a failed hand-over, a crash) leaves the
    // drawing to be sent here, at worst twice, never lost.
    if (pProcess->WaitStatusPending())
        return Handover::Waiting;
    const std::optional<int> status = pProcess->WaitStatus();
    return status && *status == 0 ? Handover::Taken : Handover::NotTaken;
}

void CEditorDelivery::Report(qsizetype nLost, const ipqc::CDeliveryFault& fault) const
{
    // Without its tool manager the host has ended the module: the log line says it.
    if (m_pMessages && m_pManager)
        m_pMessages->MessageBox(CTexts::UndeliveredRequests(m_eWhat, m_strProgram, nLost, fault,
                                                            m_lastFault ? &*m_lastFault : nullptr),
                                0, 0);
}
} // namespace physprops::ui
