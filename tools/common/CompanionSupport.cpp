// SPDX-License-Identifier: MIT
#include "CompanionSupport.h"
#include "DisplayProbe.h"
#include "harbex/QuietMessages.h"
#include "ipqc/IpqChannel.h"

#include <QFile>
#include <QGuiApplication>
#include <QSocketNotifier>
#include <QTimer>
#include <QWidget>

#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>

namespace companion
{
namespace
{
// The tool manager's raise signal (CToolProcess::kRaiseSignal).
constexpr int kRaiseSignal = SIGUSR1;
} // namespace

QString SessionOptionWithoutValue(const QStringList& args)
{
    const auto isSessionOption = [](const QString& strWord) {
        return ipqc::IsOptionWord(strWord, u"ipqsession") ||
               ipqc::IsOptionWord(strWord, u"ipqhost");
    };
    for (qsizetype i = 0; i < args.size(); ++i)
        if (isSessionOption(args[i]) && (i + 1 == args.size() || isSessionOption(args[i + 1])))
            return args[i];
    return {};
}

int Milliseconds(const QStringList& args, qsizetype i)
{
    bool bOk = false;
    const int nMs = i < args.size() ? args[i].toInt(&bOk) : -1;
    return bOk && nMs >= 0 ? nMs : -1;
}

QString MillisecondsError(const QStringList& args, qsizetype i)
{
    if (i >= args.size())
        return QStringLiteral("--exit-after-ms needs a number of milliseconds");
    if (Milliseconds(args, i) < 0)
        return QStringLiteral("--exit-after-ms needs a number of milliseconds, not \"%1\"")
            .arg(EscapeForLine(args[i]));
    return {};
}

QString EscapeForLine(const QString& strText)
{
    QString strOut;
    strOut.reserve(strText.size());
    for (const QChar c : strText)
    {
        switch (c.unicode())
        {
        case u'\\':
            strOut.append(QStringLiteral("\\\\"));
            break;
        case u'\n':
            strOut.append(QStringLiteral("\\n"));
            break;
        case u'\r':
            strOut.append(QStringLiteral("\\r"));
            break;
        case u'\t':
            strOut.append(QStringLiteral("\\t"));
            break;
        default:
            if (c.unicode() < 0x20 || c.unicode() == 0x7F || c.unicode() == 0x2028 ||
                c.unicode() == 0x2029 || c.unicode() == 0x85)
                strOut.append(QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0')));
            else
                strOut.append(c);
        }
    }
    return strOut;
}

void WriteLine(const QString& strLine, const char* pszLogVariable)
{
    const QByteArray line = (strLine + u'\n').toUtf8();
    std::fwrite(line.constData(), 1, std::size_t(line.size()), stdout);
    std::fflush(stdout);
    const QString strLog = pszLogVariable ? qEnvironmentVariable(pszLogVariable) : QString();
    if (strLog.isEmpty())
        return;
    QFile log(strLog);
    if (log.open(QIODevice::WriteOnly | QIODevice::Append))
        log.write(line);
}

void QuietenPlatformWarnings()
{
    InstallQuietMessageHandler();
}

bool CheckDisplay(const char* pszProgram, int argc, char** argv)
{
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args.append(QString::fromLocal8Bit(argv[i]));
    const QString strProblem = displayprobe::DisplayProblem(
        displayprobe::ReadDisplayOptions(args), QProcessEnvironment::systemEnvironment());
    if (strProblem.isEmpty())
        return true;
    std::fprintf(stderr,
                 "%s: no display to show the window on (%s); run it on a display, or "
                 "with QT_QPA_PLATFORM=offscreen\n",
                 pszProgram, strProblem.toLocal8Bit().constData());
    return false;
}

void BringToFront(QWidget* pWindow)
{
    pWindow->show();
    pWindow->setWindowState(pWindow->windowState() & ~Qt::WindowMinimized);
    // Without a display there is nothing to raise, and the platform says so.
    if (QGuiApplication::platformName() == u"offscreen")
        return;
    pWindow->raise();
    pWindow->activateWindow();
}

EditorRequest ParseEditorMessage(const QString& strMessage)
{
    EditorRequest request;
    const QString strInput = QStringLiteral("Input ");
    if (!strMessage.startsWith(strInput))
    {
        request.strError = QStringLiteral("not an Input message");
        return request;
    }
    const QStringView command = QStringView(strMessage).mid(strInput.size());
    if (command == u"new unnamed.dra")
    {
        request.nKind = EditorRequest::Kind::New;
        return request;
    }
    const QStringView open = u"open \"";
    if (command.startsWith(open) && command.size() > open.size() && command.endsWith(u'"'))
    {
        request.strPath = command.mid(open.size(), command.size() - open.size() - 1).toString();
        if (!request.strPath.isEmpty())
        {
            request.nKind = EditorRequest::Kind::Open;
            return request;
        }
    }
    request.strError = QStringLiteral("unknown command");
    return request;
}

void BlockRaiseSignal()
{
    sigset_t mask;
    sigemptyset(&mask);
    sigaddset(&mask, kRaiseSignal);
    pthread_sigmask(SIG_BLOCK, &mask, nullptr);
}

CRaiseWatcher::CRaiseWatcher(QObject* pParent) : QObject(pParent)
{
    BlockRaiseSignal();
    sigset_t mask;
    sigemptyset(&mask);
    sigaddset(&mask, kRaiseSignal);
    m_nFd = ::signalfd(-1, &mask, SFD_NONBLOCK | SFD_CLOEXEC);
    if (m_nFd < 0)
    {
        std::fprintf(stderr, "%s: requests to come forward will not arrive: %s\n",
                     qPrintable(QCoreApplication::applicationName()), std::strerror(errno));
        return;
    }
    m_pNotifier = new QSocketNotifier(m_nFd, QSocketNotifier::Read, this);
    connect(m_pNotifier, &QSocketNotifier::activated, this, &CRaiseWatcher::OnReadable);
}

CRaiseWatcher::~CRaiseWatcher()
{
    delete m_pNotifier;
    if (m_nFd >= 0)
        ::close(m_nFd);
}

void CRaiseWatcher::OnReadable()
{
    signalfd_siginfo info;
    bool bRaise = false;
    while (::read(m_nFd, &info, sizeof info) == ssize_t(sizeof info))
        bRaise = true;
    // Several requests that came at once ask for the same thing.
    if (bRaise)
        Q_EMIT RaiseRequested();
}

CIdleExit::CIdleExit(QObject* pParent) : QObject(pParent)
{
    if (QGuiApplication::platformName() != u"offscreen")
        return;
    m_pTimer = new QTimer(this);
    m_pTimer->setSingleShot(true);
    m_pTimer->setInterval(kOffscreenIdleExitMs);
    connect(m_pTimer, &QTimer::timeout, QCoreApplication::instance(), &QCoreApplication::quit);
    m_pTimer->start();
}

void CIdleExit::Touch()
{
    if (m_pTimer)
        m_pTimer->start();
}
} // namespace companion
