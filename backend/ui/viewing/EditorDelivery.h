// SPDX-License-Identifier: MIT
#pragma once

#include "ui/UiExport.h"

#include "common/EditorFault.h"
#include "ipqc/IpqOutbox.h"
#include "viewing/LaunchRequests.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <map>
#include <optional>

class CToolManager;
class CToolProcess;

namespace physprops::ui
{
class CServices;
class IMessages;

// The way from a launch request to its companion program. It starts the
// program through the host's tool manager or brings the running one
// forward; a request for the PCB editor goes through the session's outbox,
// and this object keeps it going there: when nobody listens it starts the
// editor anew, waits for one that is starting or handing its drawing over,
// and tells the user what could not be delivered. One per outbox, owned by
// it: the start times of the editors it started outlive the request that
// started them, since the start grace and the hand-over wait read them.
class PHYSPROPS_UI_EXPORT CEditorDelivery final : public QObject
{
    Q_OBJECT
public:
    // The delivery of the calling thread's outbox of the session.
    static CEditorDelivery& ForSession(const ipqc::SessionAddress& addr);

    // 1 when the request was handed to the services' tool manager, 0 when
    // there is none. A program that could not be started is told in a
    // message box of the services.
    int Launch(const physprops::core::CLaunchRequest& request, const CServices& services);

    // When this delivery started the process (wall clock, ms); none when it
    // did not.
    std::optional<qint64> StartTime(qint64 nPid) const;

private:
    explicit CEditorDelivery(ipqc::COutbox& outbox);

    // Whether an editor that another host started listens, or requests
    // still wait for one: then a second editor would only find the session taken.
    bool SomeoneWillTake() const;
    // Puts the request's message in the outbox, watched.
    void Send(const physprops::core::CLaunchRequest& request, const CServices& services);
    // The outbox works through the tool manager and message box of the
    // latest request; its starts are counted afresh.
    void Watch(const physprops::core::CLaunchRequest& request, const CServices& services);
    // The one way a companion is (re)started: a registration left from
    // before is cleared away first.
    static void StartAfresh(CToolManager& manager, unsigned nId, const QString& strProgram,
                            const QString& strArgs, bool bRegistered);
    void NoteStart(qint64 nPid);
    bool StartedWithin(qint64 nPid, qint64 nMs) const;
    bool ListenedSinceStart(qint64 nPid) const;

    // The outbox's hooks.
    ipqc::COutbox::Recovery Recover(const ipqc::COutbox::Item& first, QString& strWhy);
    std::optional<ipqc::COutbox::Recovery>
    RecoverRunning(const CToolProcess& process, const ipqc::COutbox::Item& first, QString& strWhy);
    std::optional<ipqc::COutbox::Recovery> RecoverEnded(const CToolProcess& process,
                                                        QString& strWhy);
    ipqc::COutbox::Recovery Restart(const ipqc::COutbox::Item& first, QString& strWhy);
    ipqc::COutbox::Recovery Fail(const CEditorFault& fault, QString& strWhy);
    ipqc::COutbox::Handover StartedTaken(qint64 nListenerPid) const;
    void Report(qsizetype nLost, const ipqc::CDeliveryFault& fault) const;

    ipqc::COutbox& m_outbox;
    // When each editor started here was started (wall clock, ms).
    std::map<qint64, qint64> m_startTimes;

    // The latest request's.
    QPointer<CToolManager> m_pManager;
    const IMessages* m_pMessages = nullptr;
    unsigned m_nId = 0;
    QString m_strProgram;
    physprops::core::ECompanion m_eWhat = physprops::core::ECompanion::kPcbEditor;
    int m_nStarts = 0;
    qsizetype m_nDeliveredThen = 0;
    // Why the requests were last given up, for the message box.
    std::optional<CEditorFault> m_lastFault;
};
} // namespace physprops::ui
