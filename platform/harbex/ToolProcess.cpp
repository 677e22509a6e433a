// SPDX-License-Identifier: MIT
#include "harbex/ToolManager.h"

#include "harbex/ToolArguments.h"

#include <QDateTime>
#include <QFile>
#include <QScopeGuard>

#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>
#include <vector>

// This glibc's header declares these without C linkage.
extern "C"
{
#include <sys/pidfd.h>
}

extern char** environ;

namespace
{
// What the started program's side reports when it could not run.
// Its values cross the pipe from the child: keep them.
enum class EChildStage : int
{
    kNone = 0,
    kFolder = 1,
    kExec = 2,
};

struct ChildFailure
{
    EChildStage eStage;
    int nErrno;
};

// The start time of a process, in clock ticks since boot; 0 when it is gone
// or has ended (a zombie). With the id it names one process for good.
unsigned long long StartTimeOf(qint64 nPid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(nPid));
    if (!stat.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray text = stat.readAll();
    // The command name in parentheses may hold anything; the fields follow
    // its last closing parenthesis: state, then 18 more, then the start time.
    const qsizetype nClose = text.lastIndexOf(')');
    if (nClose < 0)
        return 0;
    const QList<QByteArray> fields = text.mid(nClose + 2).split(' ');
    if (fields.size() < 20 || fields[0] == "Z" || fields[0] == "X")
        return 0;
    return fields[19].toULongLong();
}

void CloseFd(int& fd)
{
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

template <class T> bool ReadWhole(int fd, T& value)
{
    ssize_t n;
    do
        n = ::read(fd, &value, sizeof value);
    while (n < 0 && errno == EINTR);
    return n == ssize_t(sizeof value);
}

// Runs in the started program's process, between fork and exec: only
// async-signal-safe calls from here on.
[[noreturn]] void RunChild(const char* pszPath, char* const* argv, const char* pszFolder, int nGoFd,
                           int nFailFd, int nOutputFd, int nMaxFd)
{
    // Held until the host has a handle on this process, so that its id
    // cannot be taken by another before that; without one, nothing runs.
    char c = 0;
    ssize_t nRead;
    while ((nRead = ::read(nGoFd, &c, 1)) < 0 && errno == EINTR)
    {
    }
    if (nRead != 1)
        ::_exit(127);
    // Ignored signals would stay ignored across exec; the raise signal
    // stays blocked until the program is ready for it.
    struct sigaction dfl
    {
    };
    dfl.sa_handler = SIG_DFL;
    for (int nSignal = 1; nSignal < NSIG; ++nSignal)
        ::sigaction(nSignal, &dfl, nullptr);
    sigset_t mask;
    ::sigemptyset(&mask);
    ::sigaddset(&mask, CToolProcess::kRaiseSignal);
    ::sigprocmask(SIG_SETMASK, &mask, nullptr);

    // A host started with a standard stream closed may have been given that
    // number for the failure pipe: move it out of the way of the three.
    if (nFailFd <= STDERR_FILENO)
    {
        const int nMoved = ::fcntl(nFailFd, F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
        if (nMoved >= 0)
            nFailFd = nMoved;
    }
    // None of the host's three streams: a pipeline that reads the host ends
    // when the host ends, not when the program does. Output goes to the
    // program's log (the caller made sure it is not one of 0 to 2).
    const int nNull = ::open("/dev/null", O_RDWR | O_CLOEXEC);
    const int nOut = nOutputFd >= 0 ? nOutputFd : nNull;
    for (const auto& [nFrom, nTo] : {std::pair{nNull, STDIN_FILENO}, std::pair{nOut, STDOUT_FILENO},
                                     std::pair{nOut, STDERR_FILENO}})
        if (nFrom < 0)
            ::close(nTo);
        else if (nFrom == nTo)
            ::fcntl(nTo, F_SETFD, 0); // kept open across exec
        else
            ::dup2(nFrom, nTo);
    // Whatever else the host has open is none of the program's business.
    if (::close_range(STDERR_FILENO + 1, ~0U, CLOSE_RANGE_CLOEXEC) != 0)
        for (int fd = STDERR_FILENO + 1; fd < nMaxFd; ++fd)
            ::fcntl(fd, F_SETFD, FD_CLOEXEC);

    ChildFailure failure{EChildStage::kFolder, 0};
    if (pszFolder && ::chdir(pszFolder) != 0)
        failure.nErrno = errno;
    else
    {
        ::execve(pszPath, argv, environ);
        failure = {EChildStage::kExec, errno};
    }
    [[maybe_unused]] const ssize_t n = ::write(nFailFd, &failure, sizeof failure);
    ::_exit(127);
}

// Runs in the watcher, the program's parent: starts the program, sends its
// id (or why there is none) to the host, then waits for its end and writes
// its wait status to nStatusFd. It holds nothing else of the host's, so a
// pipe that reads the host, or waits for its descriptors to close, is not
// held up by it. Only async-signal-safe calls.
[[noreturn]] void RunWatcher(const char* pszPath, char* const* argv, const char* pszFolder,
                             int nGoFd, int nFailFd, int nOutputFd, int nPidFd, int nStatusFd,
                             int nMaxFd)
{
    // The host's handlers have no business here, and an ignored SIGCHLD
    // would leave nothing to wait for.
    struct sigaction dfl
    {
    };
    dfl.sa_handler = SIG_DFL;
    for (int nSignal = 1; nSignal < NSIG; ++nSignal)
        ::sigaction(nSignal, &dfl, nullptr);
    // Told apart from the host in a process list.
    ::prctl(PR_SET_NAME, "tool-watcher", 0, 0, 0);
    const pid_t nChild = ::_Fork();
    if (nChild == 0)
        RunChild(pszPath, argv, pszFolder, nGoFd, nFailFd, nOutputFd, nMaxFd);
    const pid_t nSent = nChild < 0 ? -errno : nChild;
    [[maybe_unused]] ssize_t n = ::write(nPidFd, &nSent, sizeof nSent);
    if (nChild < 0)
        ::_exit(0);

    // Everything but the status pipe goes; the three streams become /dev/null.
    if (nStatusFd <= STDERR_FILENO)
        nStatusFd = ::fcntl(nStatusFd, F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
    const int nNull = ::open("/dev/null", O_RDWR);
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd)
        if (nNull < 0)
            ::close(fd);
        else if (nNull != fd)
            ::dup2(nNull, fd);
    if (nNull > STDERR_FILENO)
        ::close(nNull);
    const bool bClosed = nStatusFd > STDERR_FILENO &&
                         (nStatusFd == STDERR_FILENO + 1 ||
                          ::close_range(STDERR_FILENO + 1, unsigned(nStatusFd) - 1, 0) == 0) &&
                         ::close_range(unsigned(nStatusFd) + 1, ~0U, 0) == 0;
    if (!bClosed)
        for (int fd = STDERR_FILENO + 1; fd < nMaxFd; ++fd)
            if (fd != nStatusFd)
                ::close(fd);

    int nStatus = 0;
    pid_t nWaited;
    while ((nWaited = ::waitpid(nChild, &nStatus, 0)) < 0 && errno == EINTR)
    {
    }
    // Nobody reads once the host has ended: the write then ends this process.
    if (nWaited == nChild && nStatusFd >= 0)
        n = ::write(nStatusFd, &nStatus, sizeof nStatus);
    ::_exit(0);
}
// What the started program's side needs, all made before the fork: between
// fork and exec nothing may be allocated.
struct ChildPlan
{
    QByteArray path;
    std::vector<QByteArray> words;
    std::vector<char*> argv;
    QByteArray folder;
    const char* pszFolder = nullptr;
    int nMaxFd = 65536;
};

void PlanChild(ChildPlan& plan, const QString& strPath, const QStringList& args,
               const QString& strWorkingDir)
{
    plan.path = QFile::encodeName(strPath);
    plan.words.push_back(plan.path);
    for (const QString& strArg : args)
        plan.words.push_back(QFile::encodeName(strArg));
    plan.argv.reserve(plan.words.size() + 1);
    for (QByteArray& word : plan.words)
        plan.argv.push_back(word.data());
    plan.argv.push_back(nullptr);
    plan.folder = QFile::encodeName(strWorkingDir);
    plan.pszFolder = strWorkingDir.isEmpty() ? nullptr : plan.folder.constData();
    const long nOpenMax = ::sysconf(_SC_OPEN_MAX);
    if (nOpenMax > 0 && nOpenMax < 65536)
        plan.nMaxFd = int(nOpenMax);
}

// The pipes between the host, the watcher and the program; whatever is
// still open goes with them.
struct StartPipes
{
    int pid[2] = {-1, -1};    // the program's id, or why there is none
    int go[2] = {-1, -1};     // the host's word that the program may exec
    int fail[2] = {-1, -1};   // why the program could not run
    int status[2] = {-1, -1}; // how the program ended

    StartPipes() = default;
    StartPipes(const StartPipes&) = delete;
    StartPipes& operator=(const StartPipes&) = delete;
    ~StartPipes()
    {
        for (int* p : {pid, go, fail, status})
        {
            CloseFd(p[0]);
            CloseFd(p[1]);
        }
    }

    bool Open()
    {
        return ::pipe2(pid, O_CLOEXEC) == 0 && ::pipe2(go, O_CLOEXEC) == 0 &&
               ::pipe2(fail, O_CLOEXEC) == 0 && ::pipe2(status, O_CLOEXEC | O_NONBLOCK) == 0;
    }
};

// Forks three deep: the middle process ends at once, so the watcher below
// it is adopted by init (or the session's reaper), which collects it
// whether or not the host is still there. The watcher is the program's
// parent: it collects the program and tells the host how it ended, which
// the host, not its parent, could not learn. Their own session keeps the
// terminal's signals (Ctrl+C, hang-up) meant for the host away. Returns
// the middle process, or -1 with nForkErrno.
pid_t ForkWatcher(const ChildPlan& plan, StartPipes& pipes, int nOutputFd, int& nForkErrno)
{
    const pid_t nMiddle = ::fork();
    if (nMiddle == 0)
    {
        ::setsid();
        const pid_t nWatcher = ::_Fork();
        if (nWatcher == 0)
        {
            ::close(pipes.go[1]);
            ::close(pipes.status[0]);
            RunWatcher(plan.path.constData(), plan.argv.data(), plan.pszFolder, pipes.go[0],
                       pipes.fail[1], nOutputFd, pipes.pid[1], pipes.status[1], plan.nMaxFd);
        }
        // Why there is no program; else the watcher sends its id.
        if (nWatcher < 0)
        {
            const pid_t nSent = -errno;
            [[maybe_unused]] const ssize_t n = ::write(pipes.pid[1], &nSent, sizeof nSent);
        }
        ::_exit(0);
    }
    nForkErrno = errno;
    CloseFd(pipes.pid[1]);
    CloseFd(pipes.go[0]);
    CloseFd(pipes.fail[1]);
    CloseFd(pipes.status[1]);
    return nMiddle;
}

// The started program's id once the middle process has ended; 0 and the
// fault when there is none.
pid_t ReceiveProgramId(pid_t nMiddle, int nForkErrno, const StartPipes& pipes,
                       CToolStartFault& fault)
{
    if (nMiddle < 0)
    {
        fault = {EToolStartFault::kSystem, nForkErrno};
        return 0;
    }
    int nStatus = 0;
    while (::waitpid(nMiddle, &nStatus, 0) < 0 && errno == EINTR)
    {
    }
    pid_t nChild = 0;
    if (!ReadWhole(pipes.pid[0], nChild))
    {
        fault = {EToolStartFault::kNoProcess};
        return 0;
    }
    if (nChild <= 0)
    {
        fault = {EToolStartFault::kSystem, -nChild};
        return 0;
    }
    return nChild;
}

// Written before the program runs, so its lines follow their heading.
void WriteHeading(int nOutputFd, const QString& strPath, const QStringList& args, qint64 nPid)
{
    QString strCommand = strPath;
    for (const QString& strArg : args)
        strCommand += u' ' + QuoteToolArgument(strArg);
    const QByteArray heading = QStringLiteral("--- %1 process %2: %3\n")
                                   .arg(QDateTime::currentDateTime().toString(Qt::ISODate))
                                   .arg(nPid)
                                   .arg(strCommand)
                                   .toLocal8Bit();
    [[maybe_unused]] const ssize_t n = ::write(nOutputFd, heading.constData(), heading.size());
}

// Lets the program go on to exec; false and the fault when it could not
// be told, or could not run.
bool LetProgramRun(StartPipes& pipes, const QString& strWorkingDir, CToolStartFault& fault)
{
    const bool bTold = ::write(pipes.go[1], "g", 1) == 1;
    if (!bTold)
        fault = {EToolStartFault::kSystem, errno};
    CloseFd(pipes.go[1]);
    ChildFailure reply{EChildStage::kNone, 0};
    if (!bTold || !ReadWhole(pipes.fail[0], reply))
        return bTold;
    fault = reply.eStage == EChildStage::kFolder
                ? CToolStartFault{EToolStartFault::kFolder, reply.nErrno, strWorkingDir}
                : CToolStartFault{EToolStartFault::kSystem, reply.nErrno};
    return false;
}
} // namespace

std::unique_ptr<CToolProcess> CToolProcess::Start(const QString& strPath, const QStringList& args,
                                                  const QString& strWorkingDir,
                                                  CToolStartFault& fault, int nOutputFd)
{
    ChildPlan plan;
    PlanChild(plan, strPath, args, strWorkingDir);
    // The log must not sit on a standard stream's number, or the child
    // could not keep it apart from the stream it replaces.
    int nOwnOutput = -1;
    if (nOutputFd >= 0 && nOutputFd <= STDERR_FILENO)
        nOwnOutput = nOutputFd = ::fcntl(nOutputFd, F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
    const auto closeOutput = qScopeGuard([&nOwnOutput] { CloseFd(nOwnOutput); });

    StartPipes pipes;
    if (!pipes.Open())
    {
        fault = {EToolStartFault::kSystem, errno};
        return nullptr;
    }
    int nForkErrno = 0;
    const pid_t nMiddle = ForkWatcher(plan, pipes, nOutputFd, nForkErrno);
    const pid_t nChild = ReceiveProgramId(nMiddle, nForkErrno, pipes, fault);
    if (nChild <= 0)
        return nullptr;
    auto pProcess = std::make_unique<CToolProcess>(qint64(nChild));
    pProcess->m_nStatusFd = std::exchange(pipes.status[0], -1);
    if (nOutputFd >= 0)
        WriteHeading(nOutputFd, strPath, args, pProcess->processId());
    if (!LetProgramRun(pipes, strWorkingDir, fault))
        pProcess.reset();
    return pProcess;
}

CToolProcess::CToolProcess(qint64 nPid) : m_nPid(nPid)
{
    m_nPidFd = ::pidfd_open(pid_t(nPid), 0);
    if (m_nPidFd < 0)
        m_nStartTime = StartTimeOf(nPid);
}

CToolProcess::~CToolProcess()
{
    CloseFd(m_nPidFd);
    CloseFd(m_nStatusFd);
}

std::optional<int> CToolProcess::WaitStatus() const
{
    if (m_nStatusFd < 0)
        return m_status;
    int nStatus = 0;
    ssize_t n;
    while ((n = ::read(m_nStatusFd, &nStatus, sizeof nStatus)) < 0 && errno == EINTR)
    {
    }
    if (n == ssize_t(sizeof nStatus))
        m_status = nStatus;
    // Less than a whole status, or none, will not be followed by one.
    if (n >= 0 || errno != EAGAIN)
        CloseFd(m_nStatusFd);
    return m_status;
}

bool CToolProcess::WaitStatusPending() const
{
    if (WaitStatus() || m_nStatusFd < 0)
        return false;
    if (IsRunning())
        return true;
    const qint64 nNow = QDateTime::currentMSecsSinceEpoch();
    if (m_nEndSeenMs == 0)
        m_nEndSeenMs = nNow;
    // A watcher that was stopped, or is still not let run, is not waited for
    // for ever: decisions that need the status go ahead without it.
    if (nNow - m_nEndSeenMs < kStatusWaitMs)
        return true;
    CloseFd(m_nStatusFd);
    return false;
}

QString CToolStartFault::Reason(QString (*fnText)(const char* pszText)) const
{
    const auto text = [fnText](const char* pszText)
    { return fnText ? fnText(pszText) : QString::fromLatin1(pszText); };
    switch (eKind)
    {
    case EToolStartFault::kNone:
        break;
    case EToolStartFault::kSystem:
        return qt_error_string(nErrno);
    case EToolStartFault::kNoProcess:
        return text(QT_TRANSLATE_NOOP("CTexts", "the program's process could not be made"));
    case EToolStartFault::kFolder:
        return text(QT_TRANSLATE_NOOP("CTexts", "cannot enter the folder %1: %2"))
            .arg(strFolder, qt_error_string(nErrno));
    }
    return {};
}

QString CToolProcess::WaitStatusText(int nStatus, QString (*fnText)(const char* pszText))
{
    const auto word = [fnText](const char* pszText)
    { return fnText ? fnText(pszText) : QString::fromLatin1(pszText); };
    if (WIFEXITED(nStatus))
        return word(QT_TRANSLATE_NOOP("CTexts", "exit status %1")).arg(WEXITSTATUS(nStatus));
    if (WIFSIGNALED(nStatus))
    {
        const int nSignal = WTERMSIG(nStatus);
        // The signal's description is the system's, untranslated like errno texts.
        const char* pszName = ::sigdescr_np(nSignal);
        return pszName ? word(QT_TRANSLATE_NOOP("CTexts", "killed by signal %1 (%2)"))
                             .arg(nSignal)
                             .arg(QString::fromLocal8Bit(pszName))
                       : word(QT_TRANSLATE_NOOP("CTexts", "killed by signal %1")).arg(nSignal);
    }
    return word(QT_TRANSLATE_NOOP("CTexts", "wait status %1")).arg(nStatus);
}

bool CToolProcess::IsRunning() const
{
    if (m_nPidFd >= 0)
    {
        // Readable once the process has ended.
        pollfd pfd{m_nPidFd, POLLIN, 0};
        return ::poll(&pfd, 1, 0) == 0;
    }
    return m_nStartTime != 0 && StartTimeOf(m_nPid) == m_nStartTime;
}

bool CToolProcess::Raise() const
{
    if (!IsRunning())
        return false;
    if (m_nPidFd >= 0)
        return ::pidfd_send_signal(m_nPidFd, kRaiseSignal, nullptr, 0) == 0;
    return ::kill(pid_t(m_nPid), kRaiseSignal) == 0;
}
