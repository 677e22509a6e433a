// SPDX-License-Identifier: MIT
#pragma once

#include "ipqc/IpqcExport.h"

#include "ipqc/IpqChannel.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <deque>
#include <functional>

class QSocketNotifier;
class QTimer;

namespace ipqc
{
// Why the outbox gave messages up: a kind and its values. Describe() words
// it: in English for the log without a function, in the user's language
// with a catalogue's (texts marked in the context "CTexts").
struct IPQC_EXPORT CDeliveryFault
{
    enum class EKind : quint8
    {
        kFull,            // nValue messages already wait (the bound)
        kTooLarge,        // a message of nValue bytes, over nLimit
        kChannelUnusable, // strDetail: the channel's fault, as the system gives it
        kNobodyListens,   // strDetail: why nobody took them (the owner's recovery, or the channel)
        kSenderEnded,     // the sending program ended while they waited
    };
    EKind eKind = EKind::kNobodyListens;
    QString strSession;
    qsizetype nValue = 0;
    qsizetype nLimit = 0;
    QString strDetail;

    QString Describe(QString (*fnText)(const char* pszText) = nullptr) const;
};

// The messages of one session that the sender wants to reach its listener,
// in the order they were posted. A message leaves the outbox when the
// listener confirms it (kAckByte); one that the listener could not take yet
// waits, and one sent to a listener that went away is sent again to the
// next. Posting never blocks: the event loop of the posting thread does the
// sending. What cannot be delivered at all is counted and reported once.
class IPQC_EXPORT COutbox : public QObject
{
    Q_OBJECT
public:
    // How many messages may wait at most; more are refused and reported.
    static constexpr qsizetype kMaxPending = 10000;

    struct Item
    {
        QByteArray payload;
        // Set for a message that was handed over by starting its listener:
        // it is only confirmed, by a listener answering, never sent.
        bool bStarted = false;
    };

    // What the owner does when nobody listens.
    enum class Recovery
    {
        Wait,    // a listener is on its way (starting): try again shortly
        Started, // the listener was started with the first waiting message
        Taken,   // the first waiting message was taken by a listener that has ended
        Fail,    // nothing can be delivered: give up what waits, for the reason
    };
    using RecoverFn = std::function<Recovery(const Item& first, QString& strWhy)>;
    // What became of the message a started listener has on its command
    // line, now that the process nListenerPid answers.
    enum class Handover
    {
        Taken,    // it is that listener, or it ended having taken the message
        Waiting,  // it runs and hands the message to that listener before it ends:
                  // what follows waits so as to arrive after it
        NotTaken, // it ended without taking it: the message is sent to that listener
    };
    using StartedTakenFn = std::function<Handover(qint64 nListenerPid)>;
    // Told once per fault: how many messages were given up, and why.
    using ReportFn = std::function<void(qsizetype nLost, const CDeliveryFault& fault)>;

    // The outbox of the session for the calling thread.
    static COutbox& ForSession(const SessionAddress& addr);
    // Whether the calling thread's outbox of the session holds anything.
    static bool HasPending(const SessionAddress& addr);
    // Keeps the calling thread's outboxes sending until they are empty or
    // the time is up, then gives up what is left (without reports) and
    // closes them. Returns how many messages this process could not deliver.
    static qsizetype FlushAll(int nTimeoutMs);
    // Messages this process gave up, in every outbox, so far.
    static qsizetype LostCount();

    explicit COutbox(const SessionAddress& addr, QObject* pParent = nullptr);
    ~COutbox() override;
    COutbox(const COutbox&) = delete;
    COutbox& operator=(const COutbox&) = delete;

    // False when the outbox is full (the message is counted as lost).
    bool Post(const QByteArray& payload);
    // A message handed over by starting the listener, confirmed when a
    // listener answers; lost when the owner says the start failed.
    void PostStarted(const QByteArray& payload);

    qsizetype Pending() const { return qsizetype(m_items.size()); }
    qsizetype Delivered() const { return m_nDelivered; }
    qsizetype Lost() const { return m_nLost; }
    SessionAddress Address() const { return m_addr; }
    // The process that last answered as the listener; 0 when none did.
    qint64 LastListenerPid() const { return m_nListenerPid; }

    void SetRecover(RecoverFn fn) { m_fnRecover = std::move(fn); }
    void SetReport(ReportFn fn) { m_fnReport = std::move(fn); }
    void SetStartedTaken(StartedTakenFn fn) { m_fnStartedTaken = std::move(fn); }

private:
    void Pump();
    void Connect();
    void WriteOut();
    void OnReadable();
    void DrainConfirmations();
    void Disconnect();
    void GiveUp(const CDeliveryFault& fault);
    void RetryLater(int nMs);
    void Confirm(qsizetype n);

    SessionAddress m_addr;
    std::deque<Item> m_items;
    qsizetype m_nInFlight = 0; // items at the front written to the connection
    QByteArray m_out;          // bytes of those not yet written
    int m_fd = -1;
    QSocketNotifier* m_pReadNotifier = nullptr;
    QSocketNotifier* m_pWriteNotifier = nullptr;
    QTimer* m_pRetry;
    RecoverFn m_fnRecover;
    ReportFn m_fnReport;
    StartedTakenFn m_fnStartedTaken;
    bool m_bReported = false; // the current fault was reported
    bool m_bInPump = false;
    qsizetype m_nDelivered = 0;
    qsizetype m_nLost = 0;
    qint64 m_nListenerPid = 0;
};
} // namespace ipqc
