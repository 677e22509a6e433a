// SPDX-License-Identifier: MIT
#include "ipqc/IpqChannel.h"
#include "ipqc/IpqFrame.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QSysInfo>

#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <mutex>
#include <optional>

namespace ipqc
{
namespace
{
Q_LOGGING_CATEGORY(lcChannel, "physprops.ipqc")

struct ClientState
{
    std::mutex mutex;
    std::optional<SessionAddress> session;
};

ClientState& State()
{
    static ClientState s_state;
    return s_state;
}

bool IsPrefix(QChar c)
{
    return c == u'-' || c == u'/';
}

// One of the two options that name the session's address.
bool IsAddressOption(QStringView word)
{
    return IsOptionWord(word, u"ipqsession") || IsOptionWord(word, u"ipqhost");
}

QByteArray PercentEncode(const QString& strText)
{
    static const char kHex[] = "0123456789ABCDEF";
    QByteArray out;
    for (const char c : strText.toUtf8())
    {
        const auto b = static_cast<unsigned char>(c);
        if ((b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z') || (b >= '0' && b <= '9') ||
            b == '_' || b == '-')
            out.append(c);
        else
            out.append('%').append(kHex[b >> 4]).append(kHex[b & 0xF]);
    }
    return out;
}

QString ErrnoText(int nErrno)
{
    return QString::fromLocal8Bit(std::strerror(nErrno));
}
} // namespace

bool IsOptionWord(QStringView word, QStringView name, bool bBareToo)
{
    // A null word stands for a removed entry and names nothing.
    if (word.isNull())
        return false;
    if (!word.isEmpty() && IsPrefix(word[0]))
        return word.mid(1).compare(name, Qt::CaseInsensitive) == 0;
    return bBareToo && word.compare(name, Qt::CaseInsensitive) == 0;
}

qsizetype FindOptionWord(const QStringList& args, QStringView name, bool bBareToo)
{
    for (qsizetype i = 0; i < args.size(); ++i)
        if (IsOptionWord(args[i], name, bBareToo))
            return i;
    return -1;
}

bool IsSessionOptionWord(QStringView word)
{
    return word.size() >= 4 && IsPrefix(word[0]) &&
           word.mid(1, 3).compare(u"ipq", Qt::CaseInsensitive) == 0;
}

bool TakeSessionOptions(QStringList& args, SessionAddress& addr)
{
    bool bFound = false;
    for (qsizetype i = 0; i < args.size();)
    {
        const bool bSession = IsOptionWord(args[i], u"ipqsession");
        if (!bSession && !IsOptionWord(args[i], u"ipqhost"))
        {
            ++i;
            continue;
        }
        QString strValue;
        const bool bHasValue = i + 1 < args.size() && !IsAddressOption(args[i + 1]);
        if (bHasValue)
            strValue = args[i + 1];
        args.remove(i, bHasValue ? 2 : 1);
        if (bSession)
        {
            addr.strSession = strValue;
            bFound = true;
        }
        else if (!strValue.isEmpty())
            addr.strHost = strValue;
    }
    return bFound;
}

bool ParseSessionOptions(const QStringList& args, SessionAddress& addr)
{
    QStringList copy = args;
    return TakeSessionOptions(copy, addr);
}

SessionAddress SessionFromEnvironment()
{
    SessionAddress addr;
    addr.strSession = qEnvironmentVariable(kSessionVariable);
    addr.strHost = qEnvironmentVariable(kHostVariable);
    if (addr.strHost.isEmpty())
        addr.strHost = QSysInfo::machineHostName();
    return addr;
}

SessionAddress SessionFromArguments(QStringList& args)
{
    SessionAddress addr = SessionFromEnvironment();
    TakeSessionOptions(args, addr);
    return addr;
}

SessionAddress CurrentSession()
{
    {
        std::lock_guard lock(State().mutex);
        if (State().session)
            return *State().session;
    }
    return SessionFromEnvironment();
}

std::optional<SessionAddress> JoinedSession()
{
    std::lock_guard lock(State().mutex);
    return State().session;
}

void SetCurrentSession(const SessionAddress& addr)
{
    std::lock_guard lock(State().mutex);
    State().session = addr;
}

bool CheckPrivateFolder(const QString& strPath, uid_t nUid, QString* pError)
{
    const QByteArray path = QFile::encodeName(strPath);
    struct stat st
    {
    };
    if (::lstat(path.constData(), &st) != 0)
    {
        *pError = QStringLiteral("message channel folder %1: %2").arg(strPath, ErrnoText(errno));
        return false;
    }
    QString strWhy;
    if (S_ISLNK(st.st_mode))
        strWhy = QStringLiteral("is a symbolic link");
    else if (!S_ISDIR(st.st_mode))
        strWhy = QStringLiteral("is not a folder");
    else if (st.st_uid != nUid)
        strWhy = QStringLiteral("belongs to user id %1, not %2").arg(st.st_uid).arg(nUid);
    else if ((st.st_mode & 07777) != 0700)
        strWhy =
            QStringLiteral("has mode %1, not 0700").arg(st.st_mode & 07777, 4, 8, QLatin1Char('0'));
    if (strWhy.isEmpty())
        return true;
    *pError = QStringLiteral("message channel folder %1 %2: refused, as other users could reach "
                             "the session through it")
                  .arg(strPath, strWhy);
    return false;
}

bool PreparePrivateFolder(const QString& strPath, uid_t nUid, QString* pError)
{
    const QByteArray path = QFile::encodeName(strPath);
    if (::mkdir(path.constData(), 0700) == 0)
    {
        // The umask may have taken bits away; a fresh folder is ours to set.
        if (::chmod(path.constData(), 0700) != 0)
        {
            *pError =
                QStringLiteral("message channel folder %1: %2").arg(strPath, ErrnoText(errno));
            return false;
        }
    }
    else if (errno != EEXIST)
    {
        *pError = QStringLiteral("cannot create the message channel folder %1: %2")
                      .arg(strPath, ErrnoText(errno));
        return false;
    }
    return CheckPrivateFolder(strPath, nUid, pError);
}

QString ChannelFolderPath()
{
    const QString strRuntime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    QString strFallback = QStringLiteral("/tmp/ipqc-%1").arg(::geteuid());
    if (!QDir::isAbsolutePath(strRuntime))
        return strFallback;
    // A runtime folder that is not there (containers and ssh sessions name
    // one the session manager never made) counts as none: it belongs to the
    // session manager, so its parents are not created here. Every process of
    // the session decides alike, so they still meet in one folder.
    struct stat st
    {
    };
    if (::stat(QFile::encodeName(strRuntime).constData(), &st) != 0 &&
        (errno == ENOENT || errno == ENOTDIR))
    {
        static std::once_flag s_told;
        std::call_once(s_told,
                       [&]
                       {
                           qCWarning(lcChannel).noquote()
                               << QStringLiteral("ipqc: the runtime folder %1 (XDG_RUNTIME_DIR) "
                                                 "does not exist; the message channels are in %2")
                                      .arg(strRuntime, strFallback);
                       });
        return strFallback;
    }
    return QDir::cleanPath(strRuntime) + QStringLiteral("/ipqc");
}

QString ChannelFolder(bool bCreate, QString* pError)
{
    const QString strFolder = ChannelFolderPath();
    const bool bOk = bCreate ? PreparePrivateFolder(strFolder, ::geteuid(), pError)
                             : CheckPrivateFolder(strFolder, ::geteuid(), pError);
    return bOk ? strFolder : QString();
}

QString ChannelFileName(const QString& strFolder, const SessionAddress& addr)
{
    const QByteArray name =
        "s-" + PercentEncode(addr.strSession) + '@' + PercentEncode(addr.strHost);
    constexpr qsizetype kMaxPath = qsizetype(sizeof(sockaddr_un::sun_path)) - 1;
    if (QFile::encodeName(strFolder).size() + 1 + name.size() <= kMaxPath)
        return QString::fromLatin1(name);
    // Too long for a socket address: both sides derive the same digest.
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(addr.strSession.toUtf8());
    hash.addData(QByteArrayView("\0", 1));
    hash.addData(addr.strHost.toUtf8());
    return QStringLiteral("h-") + QString::fromLatin1(hash.result().toHex().left(40));
}

QString ChannelPath(const SessionAddress& addr, bool bCreateFolder, QString* pError)
{
    const QString strFolder = ChannelFolder(bCreateFolder, pError);
    if (strFolder.isEmpty())
        return {};
    return strFolder + u'/' + ChannelFileName(strFolder, addr);
}

namespace
{
// Whether fd becomes ready for nEvents before the deadline.
bool WaitFor(int fd, short nEvents, const QDeadlineTimer& deadline)
{
    pollfd pfd{fd, nEvents, 0};
    int n;
    do
        n = ::poll(&pfd, 1, int(qMax<qint64>(0, deadline.remainingTime())));
    while (n < 0 && errno == EINTR);
    return n > 0;
}

// Connects to the channel; a busy listener is waited for until the
// deadline, nobody or an unusable channel is final.
int ConnectBefore(const QString& strPath, const QDeadlineTimer& deadline, ListenerState& state,
                  QString* pError)
{
    int fd = -1;
    while ((fd = ConnectChannel(strPath, state, pError)) < 0)
    {
        if (state != ListenerState::Answers || deadline.hasExpired())
            return -1;
        ::usleep(10000);
    }
    return fd;
}

// Writes the whole frame unless the deadline comes first; false with errno
// set when the listener went away, with errno 0 when the time ran out.
bool SendFrame(int fd, const QByteArray& frame, const QDeadlineTimer& deadline)
{
    qsizetype nDone = 0;
    while (nDone < frame.size())
    {
        const ssize_t n = ::send(fd, frame.constData() + nDone, std::size_t(frame.size() - nDone),
                                 MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0)
            nDone += n;
        else if (n < 0 && errno != EAGAIN && errno != EINTR)
            return false;
        else if (!WaitFor(fd, POLLOUT, deadline))
        {
            errno = 0;
            return false;
        }
    }
    return true;
}

// What both senders check before they connect: the message fits in a frame
// and the session's channel has a path. Empty, with *pError set, when the
// message cannot be sent. bNobodyWithoutFolder: a folder that does not exist
// yet is told as nobody listening rather than as the folder's fault.
QString ChannelToSendTo(const SessionAddress& addr, const QByteArray& payload,
                        bool bNobodyWithoutFolder, QString* pError)
{
    if (payload.size() > qsizetype(kMaxFrameSize))
    {
        *pError = QStringLiteral("message of %1 bytes not sent (limit %2)")
                      .arg(payload.size())
                      .arg(kMaxFrameSize);
        return {};
    }
    QString strFolderError;
    QString strPath = ChannelPath(addr, false, &strFolderError);
    if (strPath.isEmpty())
    {
        const QFileInfo folder(ChannelFolderPath());
        *pError = !bNobodyWithoutFolder || folder.exists() || folder.isSymLink()
                      ? strFolderError
                      : QStringLiteral("nobody listens in session \"%1\"").arg(addr.strSession);
    }
    return strPath;
}
} // namespace

int SendPayload(const SessionAddress& addr, const QByteArray& payload, int nTimeoutMs,
                QString* pError)
{
    const QString strPath = ChannelToSendTo(addr, payload, true, pError);
    if (strPath.isEmpty())
        return -1;

    const QDeadlineTimer deadline(nTimeoutMs);
    ListenerState state = ListenerState::Nobody;
    QString strConnectError;
    const int fd = ConnectBefore(strPath, deadline, state, &strConnectError);
    if (fd < 0)
    {
        *pError = QStringLiteral("nobody listens in session \"%1\" (%2)")
                      .arg(addr.strSession, strConnectError);
        return -1;
    }
    const bool bSent = SendFrame(fd, EncodeFrame(payload), deadline);
    const int nErrno = errno;
    ::close(fd);
    if (!bSent)
    {
        // What reached the listener is an incomplete message, which it drops.
        *pError = nErrno != 0
                      ? QStringLiteral("the listener of session \"%1\" went away: %2")
                            .arg(addr.strSession, ErrnoText(nErrno))
                      : QStringLiteral("the listener of session \"%1\" does not read its messages")
                            .arg(addr.strSession);
        return -1;
    }
    return 0;
}

int ConnectChannel(const QString& strPath, ListenerState& state, QString* pError)
{
    const QByteArray path = QFile::encodeName(strPath);
    sockaddr_un sa{};
    sa.sun_family = AF_UNIX;
    if (path.size() >= qsizetype(sizeof sa.sun_path))
    {
        state = ListenerState::Unusable;
        *pError = QStringLiteral("channel path too long: %1").arg(strPath);
        return -1;
    }
    std::memcpy(sa.sun_path, path.constData(), std::size_t(path.size()) + 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0)
    {
        state = ListenerState::Unusable;
        *pError = QStringLiteral("cannot make a socket: %1").arg(ErrnoText(errno));
        return -1;
    }
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&sa), sizeof sa) == 0)
    {
        state = ListenerState::Answers;
        return fd;
    }
    const int nErrno = errno;
    ::close(fd);
    switch (nErrno)
    {
    case EAGAIN: // its queue of connections is full: it is there, but busy
        state = ListenerState::Answers;
        *pError = QStringLiteral("the listener is busy");
        break;
    case ENOENT:
    case ECONNREFUSED:
        state = ListenerState::Nobody;
        *pError = nErrno == ENOENT ? QStringLiteral("its channel %1 does not exist").arg(strPath)
                                   : QStringLiteral("nobody holds its channel %1").arg(strPath);
        break;
    default:
        state = ListenerState::Unusable;
        *pError =
            QStringLiteral("its channel %1 cannot be used: %2").arg(strPath, ErrnoText(nErrno));
        break;
    }
    return -1;
}

ListenerState ProbeListener(const SessionAddress& addr, QString* pError)
{
    QString strFolderError;
    const QString strPath = ChannelPath(addr, false, &strFolderError);
    if (strPath.isEmpty())
    {
        const QFileInfo folder(ChannelFolderPath());
        if (folder.exists() || folder.isSymLink())
        {
            *pError = strFolderError;
            return ListenerState::Unusable;
        }
        *pError = QStringLiteral("no program has listened in a session yet");
        return ListenerState::Nobody;
    }
    ListenerState state = ListenerState::Nobody;
    const int fd = ConnectChannel(strPath, state, pError);
    if (fd >= 0)
        ::close(fd);
    return state;
}

int SendConfirmed(const SessionAddress& addr, const QByteArray& payload, int nTimeoutMs,
                  QString* pError)
{
    const QString strPath = ChannelToSendTo(addr, payload, false, pError);
    if (strPath.isEmpty())
        return -1;
    const QDeadlineTimer deadline(nTimeoutMs);
    ListenerState state = ListenerState::Nobody;
    const int fd = ConnectBefore(strPath, deadline, state, pError);
    if (fd < 0)
        return -1;
    const QByteArray frame = EncodeFrame(payload);
    const bool bSent = SendFrame(fd, frame, deadline);
    if (const int nErrno = errno; !bSent && nErrno != 0)
    {
        *pError = QStringLiteral("the listener of session \"%1\" went away: %2")
                      .arg(addr.strSession, ErrnoText(nErrno));
        ::close(fd);
        return -1;
    }
    char c = 0;
    bool bAcked = false;
    while (bSent && !bAcked && WaitFor(fd, POLLIN, deadline))
    {
        const ssize_t n = ::recv(fd, &c, 1, MSG_DONTWAIT);
        if (n == 1)
            bAcked = c == kAckByte;
        else if (n == 0 || (errno != EAGAIN && errno != EINTR))
            break;
    }
    ::close(fd);
    if (!bAcked)
        *pError = QStringLiteral("the listener of session \"%1\" did not confirm the message")
                      .arg(addr.strSession);
    return bAcked ? 0 : -1;
}
} // namespace ipqc
