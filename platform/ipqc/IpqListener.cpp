// SPDX-License-Identifier: MIT
#include "ipqc/IpqListener.h"

#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>

namespace ipqc
{
namespace
{
// How long a program waits for another that is taking the channel.
constexpr int kLockTimeoutMs = 5000;

// A busy or stopped listener counts: it still holds the channel.
bool SomeoneListens(const QString& strPath)
{
    ListenerState state = ListenerState::Nobody;
    QString strIgnored;
    const int fd = ConnectChannel(strPath, state, &strIgnored);
    if (fd >= 0)
        ::close(fd);
    return state == ListenerState::Answers;
}

// Held while a program looks at the channel and takes it, so that of two
// programs starting together one listens and the other finds it listening
// (without it, both could find the channel unanswered, and the second
// would remove the first's). The kernel lets go of it when a holder dies.
class CTakeOverLock
{
public:
    explicit CTakeOverLock(const QString& strChannel)
    {
        m_fd = ::open(QFile::encodeName(strChannel + QStringLiteral(".lock")).constData(),
                      O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (m_fd < 0)
            return;
        for (int nWaited = 0; ::flock(m_fd, LOCK_EX | LOCK_NB) != 0; nWaited += 10)
        {
            // A holder that is stopped must not stop this program for good.
            if ((errno != EWOULDBLOCK && errno != EINTR) || nWaited >= kLockTimeoutMs)
            {
                ::close(m_fd);
                m_fd = -1;
                return;
            }
            ::usleep(10000);
        }
    }
    ~CTakeOverLock()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    CTakeOverLock(const CTakeOverLock&) = delete;
    CTakeOverLock& operator=(const CTakeOverLock&) = delete;

private:
    int m_fd = -1;
};
// The folder already keeps other users out; the peer's credentials are
// checked as well, so a folder opened by mistake later lets nobody in.
bool IsOwnUser(const QLocalSocket* pSocket)
{
    ucred cred{};
    socklen_t nLength = sizeof cred;
    return ::getsockopt(int(pSocket->socketDescriptor()), SOL_SOCKET, SO_PEERCRED, &cred,
                        &nLength) == 0 &&
           cred.uid == ::geteuid();
}
} // namespace

CListener::CListener(QObject* pParent) : QObject(pParent), m_pServer(new QLocalServer(this))
{
    connect(m_pServer, &QLocalServer::newConnection, this, &CListener::OnNewConnection);
}

CListener::~CListener()
{
    Close();
}

bool CListener::IsListening() const
{
    return m_pServer->isListening();
}

void CListener::Close()
{
    if (m_pServer->isListening())
        m_pServer->close();
}

bool CListener::Listen(const SessionAddress& addr)
{
    Close();
    m_addr = addr;
    m_strError.clear();
    m_bAnotherListens = false;
    m_strPath = ipqc::ChannelPath(addr, true, &m_strError);
    if (m_strPath.isEmpty())
        return false;

    const CTakeOverLock lock(m_strPath);
    if (!m_pServer->listen(m_strPath))
    {
        if (m_pServer->serverError() != QAbstractSocket::AddressInUseError)
        {
            m_strError = QStringLiteral("cannot listen in session \"%1\": %2")
                             .arg(addr.strSession, m_pServer->errorString());
            return false;
        }
        if (SomeoneListens(m_strPath))
        {
            m_bAnotherListens = true;
            m_strError = QStringLiteral("another program already listens in session \"%1\"")
                             .arg(addr.strSession);
            return false;
        }
        // Left behind by a listener that ended without closing it.
        QLocalServer::removeServer(m_strPath);
        if (!m_pServer->listen(m_strPath))
        {
            m_strError = QStringLiteral("cannot listen in session \"%1\": %2")
                             .arg(addr.strSession, m_pServer->errorString());
            return false;
        }
    }
    // The folder already keeps other users out; the channel itself says so too.
    ::chmod(QFile::encodeName(m_strPath).constData(), 0600);
    return true;
}

void CListener::OnNewConnection()
{
    while (QLocalSocket* pSocket = m_pServer->nextPendingConnection())
    {
        pSocket->setParent(this);
        if (!IsOwnUser(pSocket))
        {
            pSocket->abort();
            pSocket->deleteLater();
            Q_EMIT ConnectionRefused(QStringLiteral("a program of another user tried to send"));
            continue;
        }
        auto pDecoder = std::make_shared<CFrameDecoder>(m_nMaxFrameSize);
        connect(pSocket, &QLocalSocket::readyRead, this,
                [this, pSocket, pDecoder] { OnReadyRead(pSocket, pDecoder.get()); });
        connect(pSocket, &QLocalSocket::disconnected, pSocket, &QObject::deleteLater);
        if (pSocket->bytesAvailable() > 0)
            OnReadyRead(pSocket, pDecoder.get());
    }
}

void CListener::OnReadyRead(QLocalSocket* pSocket, CFrameDecoder* pDecoder)
{
    // A receiver may end the listener, and with it the socket, from its slot.
    const QPointer<QLocalSocket> guard(pSocket);
    while (guard && pSocket->bytesAvailable() > 0)
    {
        if (!pDecoder->Feed(pSocket->readAll()))
        {
            pSocket->abort();
            Q_EMIT ConnectionRefused(pDecoder->Error());
            return;
        }
        QByteArray payload;
        while (guard && pDecoder->Next(payload))
        {
            // Confirmed once it is handed on: a listener killed in between
            // leaves the sender to send it again (at worst twice), never
            // counting as delivered what nobody took.
            Q_EMIT MessageReceived(payload);
            if (guard && pSocket->state() == QLocalSocket::ConnectedState)
            {
                pSocket->write(&kAckByte, 1);
                pSocket->flush();
            }
        }
    }
}
} // namespace ipqc
