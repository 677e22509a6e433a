// SPDX-License-Identifier: MIT
#include "ipqc/IpqOutbox.h"
#include "ipqc/IpqFrame.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QSocketNotifier>
#include <QTimer>

#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <map>
#include <memory>
#include <optional>

namespace ipqc
{
namespace
{
Q_LOGGING_CATEGORY(lcOutbox, "physprops.ipqc")

// Bytes written ahead of the listener's confirmations: enough to keep it
// busy, little enough that nothing waits long behind a full buffer.
constexpr qsizetype kWriteAhead = qsizetype{64} * 1024;
// How soon a busy listener or one on its way is tried again.
constexpr int kBusyRetryMs = 20;
constexpr int kWaitRetryMs = 50;

std::atomic<qsizetype> s_nLost{0};

using OutboxMap = std::map<std::pair<QString, QString>, std::unique_ptr<COutbox>>;
OutboxMap& ThreadOutboxes()
{
    thread_local OutboxMap s_boxes;
    return s_boxes;
}
} // namespace

COutbox& COutbox::ForSession(const SessionAddress& addr)
{
    std::unique_ptr<COutbox>& pBox = ThreadOutboxes()[{addr.strSession, addr.strHost}];
    if (!pBox)
        pBox = std::make_unique<COutbox>(addr);
    return *pBox;
}

bool COutbox::HasPending(const SessionAddress& addr)
{
    const auto it = ThreadOutboxes().find({addr.strSession, addr.strHost});
    return it != ThreadOutboxes().end() && it->second->Pending() > 0;
}

qsizetype COutbox::FlushAll(int nTimeoutMs)
{
    OutboxMap& boxes = ThreadOutboxes();
    const auto pending = [&boxes]
    {
        return std::any_of(boxes.begin(), boxes.end(),
                           [](const auto& entry) { return entry.second->Pending() > 0; });
    };
    // Nobody is left to read a message box; the caller reports the count.
    for (auto& entry : boxes)
        entry.second->SetReport({});
    if (pending())
    {
        const QDeadlineTimer deadline(nTimeoutMs);
        QEventLoop loop;
        QTimer tick;
        QObject::connect(&tick, &QTimer::timeout, &loop,
                         [&]
                         {
                             if (!pending() || deadline.hasExpired())
                                 loop.quit();
                         });
        tick.start(10);
        loop.exec();
    }
    for (auto& entry : boxes)
        if (entry.second->Pending() > 0)
            entry.second->GiveUp(
                {CDeliveryFault::EKind::kSenderEnded, entry.second->m_addr.strSession, 0, 0, {}});
    boxes.clear();
    return LostCount();
}

qsizetype COutbox::LostCount()
{
    return s_nLost.load();
}

COutbox::COutbox(const SessionAddress& addr, QObject* pParent)
    : QObject(pParent), m_addr(addr), m_pRetry(new QTimer(this))
{
    m_pRetry->setSingleShot(true);
    connect(m_pRetry, &QTimer::timeout, this, &COutbox::Pump);
}

COutbox::~COutbox()
{
    Disconnect();
}

bool COutbox::Post(const QByteArray& payload)
{
    std::optional<CDeliveryFault> refused;
    if (Pending() >= kMaxPending)
        refused =
            CDeliveryFault{CDeliveryFault::EKind::kFull, m_addr.strSession, kMaxPending, 0, {}};
    else if (payload.size() > qsizetype(kMaxFrameSize))
        refused = CDeliveryFault{CDeliveryFault::EKind::kTooLarge,
                                 m_addr.strSession,
                                 payload.size(),
                                 qsizetype(kMaxFrameSize),
                                 {}};
    if (refused)
    {
        ++m_nLost;
        ++s_nLost;
        qCWarning(lcOutbox).noquote()
            << QStringLiteral("ipqc: message for session \"%1\" not sent: %2")
                   .arg(m_addr.strSession, refused->Describe());
        if (!m_bReported && m_fnReport)
        {
            m_bReported = true;
            m_fnReport(1, *refused);
        }
        return false;
    }
    // A request after everything was delivered or given up starts afresh:
    // its fault is news to the user.
    if (m_items.empty())
        m_bReported = false;
    m_items.push_back({payload, false});
    Pump();
    return true;
}

void COutbox::PostStarted(const QByteArray& payload)
{
    if (m_items.empty())
        m_bReported = false;
    m_items.push_back({payload, true});
    Pump();
}

void COutbox::RetryLater(int nMs)
{
    if (!m_pRetry->isActive())
        m_pRetry->start(nMs);
}

void COutbox::Confirm(qsizetype n)
{
    n = std::min<qsizetype>(n, Pending());
    for (qsizetype i = 0; i < n; ++i)
        m_items.pop_front();
    m_nInFlight = std::max<qsizetype>(0, m_nInFlight - n);
    m_nDelivered += n;
    // The listener takes messages again: a later fault is a new one.
    if (n > 0)
        m_bReported = false;
}

void COutbox::Pump()
{
    // A report's message box runs an event loop that may come back here.
    if (m_bInPump)
        return;
    m_bInPump = true;
    while (!m_items.empty())
    {
        if (m_fd < 0)
        {
            Connect();
            if (m_fd < 0)
                break;
        }
        // Queue what follows the messages already written.
        const qsizetype nBefore = m_nInFlight;
        while (m_nInFlight < Pending() && m_out.size() < kWriteAhead)
        {
            Item& item = m_items[std::size_t(m_nInFlight)];
            if (item.bStarted)
            {
                // A listener answers, and the started one had it on its command line.
                if (m_nInFlight != 0)
                    break;
                const Handover handover =
                    m_fnStartedTaken ? m_fnStartedTaken(m_nListenerPid) : Handover::Taken;
                if (handover == Handover::Waiting)
                {
                    RetryLater(kWaitRetryMs);
                    break;
                }
                if (handover == Handover::Taken)
                {
                    Confirm(1);
                    continue;
                }
                item.bStarted = false;
            }
            m_out.append(EncodeFrame(item.payload));
            ++m_nInFlight;
        }
        WriteOut();
        // Wait for confirmations, room in the socket, or the next try.
        if (m_fd < 0 || m_nInFlight == nBefore || m_out.size() > 0 || m_nInFlight == Pending())
            break;
    }
    m_bInPump = false;
}

void COutbox::Connect()
{
    QString strWhy;
    ListenerState state = ListenerState::Nobody;
    QString strFolderError;
    const QString strPath = ChannelPath(m_addr, false, &strFolderError);
    if (strPath.isEmpty())
    {
        const QFileInfo folder(ChannelFolderPath());
        state =
            folder.exists() || folder.isSymLink() ? ListenerState::Unusable : ListenerState::Nobody;
        strWhy = state == ListenerState::Unusable
                     ? strFolderError
                     : QStringLiteral("no program has listened in a session yet");
    }
    else
        m_fd = ConnectChannel(strPath, state, &strWhy);
    if (m_fd >= 0)
    {
        ucred cred{};
        socklen_t nLength = sizeof cred;
        if (::getsockopt(m_fd, SOL_SOCKET, SO_PEERCRED, &cred, &nLength) == 0)
            m_nListenerPid = cred.pid;
        m_pReadNotifier = new QSocketNotifier(qintptr(m_fd), QSocketNotifier::Read, this);
        connect(m_pReadNotifier, &QSocketNotifier::activated, this, &COutbox::OnReadable);
        m_pWriteNotifier = new QSocketNotifier(qintptr(m_fd), QSocketNotifier::Write, this);
        m_pWriteNotifier->setEnabled(false);
        connect(m_pWriteNotifier, &QSocketNotifier::activated, this, &COutbox::Pump);
        return;
    }
    switch (state)
    {
    case ListenerState::Answers:
        RetryLater(kBusyRetryMs);
        return;
    case ListenerState::Unusable:
        GiveUp({CDeliveryFault::EKind::kChannelUnusable, m_addr.strSession, 0, 0, strWhy});
        return;
    case ListenerState::Nobody:
        break;
    }
    const Recovery recovery = m_fnRecover ? m_fnRecover(m_items.front(), strWhy) : Recovery::Fail;
    switch (recovery)
    {
    case Recovery::Wait:
        RetryLater(kWaitRetryMs);
        break;
    case Recovery::Started:
        m_items.front().bStarted = true;
        RetryLater(kWaitRetryMs);
        break;
    case Recovery::Taken:
        Confirm(1);
        RetryLater(0);
        break;
    case Recovery::Fail:
        GiveUp({CDeliveryFault::EKind::kNobodyListens, m_addr.strSession, 0, 0, strWhy});
        break;
    }
}

void COutbox::WriteOut()
{
    while (m_fd >= 0 && !m_out.isEmpty())
    {
        const ssize_t n =
            ::send(m_fd, m_out.constData(), std::size_t(m_out.size()), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0)
        {
            m_out.remove(0, n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno == EAGAIN)
        {
            m_pWriteNotifier->setEnabled(true);
            return;
        }
        // The listener went away: what it confirmed before is taken, what it
        // did not goes to the next one.
        DrainConfirmations();
        Disconnect();
        RetryLater(0);
        return;
    }
    if (m_pWriteNotifier)
        m_pWriteNotifier->setEnabled(false);
}

void COutbox::DrainConfirmations()
{
    char buffer[4096];
    ssize_t n;
    while ((n = ::recv(m_fd, buffer, sizeof buffer, MSG_DONTWAIT)) > 0)
        Confirm(std::count(buffer, buffer + n, kAckByte));
}

void COutbox::OnReadable()
{
    char buffer[4096];
    const ssize_t n = ::recv(m_fd, buffer, sizeof buffer, MSG_DONTWAIT);
    if (n > 0)
    {
        Confirm(std::count(buffer, buffer + n, kAckByte));
        // Idle, the connection is let go: the next request connects anew,
        // behind whatever other senders queued meanwhile.
        if (m_items.empty())
            Disconnect();
        else
            Pump();
        return;
    }
    if (n < 0 && (errno == EAGAIN || errno == EINTR))
        return;
    Disconnect();
    if (!m_items.empty())
        RetryLater(0);
}

void COutbox::Disconnect()
{
    delete m_pReadNotifier;
    m_pReadNotifier = nullptr;
    delete m_pWriteNotifier;
    m_pWriteNotifier = nullptr;
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    m_nInFlight = 0;
    m_out.clear();
}

void COutbox::GiveUp(const CDeliveryFault& fault)
{
    const qsizetype n = Pending();
    m_items.clear();
    Disconnect();
    m_pRetry->stop();
    if (n == 0)
        return;
    m_nLost += n;
    s_nLost += n;
    qCWarning(lcOutbox).noquote() << QStringLiteral("ipqc: %1 message(s) for session \"%2\" not "
                                                    "delivered: %3")
                                         .arg(n)
                                         .arg(m_addr.strSession, fault.Describe());
    if (!m_bReported && m_fnReport)
    {
        m_bReported = true;
        m_fnReport(n, fault);
    }
}

QString CDeliveryFault::Describe(QString (*fnText)(const char* pszText)) const
{
    const auto word = [fnText](const char* pszText)
    { return fnText ? fnText(pszText) : QString::fromLatin1(pszText); };
    switch (eKind)
    {
    case EKind::kFull:
        return word(QT_TRANSLATE_NOOP("CTexts", "%1 messages already wait for the listener"))
            .arg(nValue);
    case EKind::kTooLarge:
        return word(QT_TRANSLATE_NOOP("CTexts", "a message of %1 bytes is over the limit of %2"))
            .arg(nValue)
            .arg(nLimit);
    case EKind::kChannelUnusable:
        return strDetail;
    case EKind::kNobodyListens:
        return word(QT_TRANSLATE_NOOP("CTexts", "nobody listens in session \"%1\": %2"))
            .arg(strSession, strDetail);
    case EKind::kSenderEnded:
        return word(
            QT_TRANSLATE_NOOP("CTexts", "the sender ended while the listener had not taken them"));
    }
    return {};
}
} // namespace ipqc
