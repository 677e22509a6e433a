#include "CompanionSupport.h"

#include <QFile>
#include <QGuiApplication>
#include <QSocketNotifier>
#include <QWidget>

#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace companion
{
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

namespace
{
void QuietHandler(QtMsgType type, const QMessageLogContext& context, const QString& strText)
{
    if (strText.contains(QLatin1String("propagateSizeHints")))
        return;
    qt_message_output(type, context, strText);
}
} // namespace

void QuietenPlatformWarnings()
{
    qInstallMessageHandler(QuietHandler);
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
        request.nKind = EditorRequest::New;
        return request;
    }
    const QStringView open = u"open \"";
    if (command.startsWith(open) && command.size() > open.size() && command.endsWith(u'"'))
    {
        request.strPath = command.mid(open.size(), command.size() - open.size() - 1).toString();
        if (!request.strPath.isEmpty())
        {
            request.nKind = EditorRequest::Open;
            return request;
        }
    }
    request.strError = QStringLiteral("unknown command");
    return request;
}

CStdinWatcher::CStdinWatcher(QObject* pParent)
    : QObject(pParent), m_pNotifier(new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, this))
{
    connect(m_pNotifier, &QSocketNotifier::activated, this, &CStdinWatcher::OnReadable);
}

void CStdinWatcher::OnReadable()
{
    char buffer[512];
    const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
    if (n <= 0)
    {
        // End of input (the manager went, or none was given): nothing more comes.
        if (n == 0 || (errno != EINTR && errno != EAGAIN))
            m_pNotifier->setEnabled(false);
        return;
    }
    m_pending.append(buffer, n);
    qsizetype nEnd;
    while ((nEnd = m_pending.indexOf('\n')) >= 0)
    {
        const QByteArray line = m_pending.left(nEnd).trimmed();
        m_pending.remove(0, nEnd + 1);
        if (line == "raise")
            Q_EMIT RaiseRequested();
    }
    // Whatever else is typed there is no request; keep the buffer small.
    if (m_pending.size() > 4096)
        m_pending.clear();
}
} // namespace companion
