// SPDX-License-Identifier: MIT
#include "DisplayProbe.h"

#include <QDir>
#include <QFile>
#include <QLibraryInfo>

#include <xcb/xcb.h>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace displayprobe
{
namespace
{
QString XcbError(int nError)
{
    switch (nError)
    {
    case XCB_CONN_ERROR:
        return QStringLiteral("no X server answers there, or it refused the connection");
    case XCB_CONN_CLOSED_PARSE_ERR:
        return QStringLiteral("not a display name");
    case XCB_CONN_CLOSED_INVALID_SCREEN:
        return QStringLiteral("the server has no such screen");
    case XCB_CONN_CLOSED_MEM_INSUFFICIENT:
        return QStringLiteral("out of memory");
    default:
        return QStringLiteral("the connection failed (xcb error %1)").arg(nError);
    }
}

QString ConnectX11(const QString& strDisplay)
{
    const QByteArray name = strDisplay.toLocal8Bit();
    xcb_connection_t* pConnection = xcb_connect(name.constData(), nullptr);
    const int nError = xcb_connection_has_error(pConnection);
    xcb_disconnect(pConnection);
    return nError == 0 ? QString() : XcbError(nError);
}

// Qt looks for platform plugins in these folders.
QStringList PlatformPluginFolders()
{
    QStringList folders;
    const QString strQpa = qEnvironmentVariable("QT_QPA_PLATFORM_PLUGIN_PATH");
    if (!strQpa.isEmpty())
        folders.append(strQpa);
    for (const QString& strPath :
         qEnvironmentVariable("QT_PLUGIN_PATH").split(QDir::listSeparator(), Qt::SkipEmptyParts))
        folders.append(strPath + QStringLiteral("/platforms"));
    folders.append(QLibraryInfo::path(QLibraryInfo::PluginsPath) + QStringLiteral("/platforms"));
    return folders;
}

QString ConnectWayland(const QString& strSocket)
{
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    const QByteArray path = QFile::encodeName(strSocket);
    if (size_t(path.size()) >= sizeof addr.sun_path)
        return QStringLiteral("the socket path %1 is too long").arg(strSocket);
    std::memcpy(addr.sun_path, path.constData(), size_t(path.size()));
    const int nFd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (nFd < 0)
        return QString::fromLocal8Bit(std::strerror(errno));
    const int nResult = ::connect(nFd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr);
    const int nErrno = errno;
    ::close(nFd);
    if (nResult != 0)
        return QStringLiteral("no compositor at %1 (%2)")
            .arg(strSocket, QString::fromLocal8Bit(std::strerror(nErrno)));
    // Without the plug-in Qt passes over Wayland even when a compositor runs.
    for (const QString& strFolder : PlatformPluginFolders())
        if (!QDir(strFolder).entryList({QStringLiteral("libqwayland*.so")}, QDir::Files).isEmpty())
            return {};
    return QStringLiteral("Qt's Wayland platform plug-in is not installed (package qt6-wayland)");
}

QString CheckX11(const DisplayOptions& opts, const QProcessEnvironment& env,
                 const Connectors& connect)
{
    const bool bOption = !opts.strDisplay.isEmpty();
    const QString strName = bOption ? opts.strDisplay : env.value(QStringLiteral("DISPLAY"));
    if (strName.isEmpty())
        return QStringLiteral("DISPLAY is not set");
    const QString strError = connect.x11(strName);
    if (strError.isEmpty())
        return {};
    return QStringLiteral("the X display \"%1\" (%2) cannot be opened: %3")
        .arg(strName, bOption ? QStringLiteral("-display") : QStringLiteral("DISPLAY"), strError);
}

QString CheckWayland(const QProcessEnvironment& env, const Connectors& connect)
{
    // As the Wayland client library finds its socket.
    const QString strName = env.value(QStringLiteral("WAYLAND_DISPLAY"));
    const QString strRuntime = env.value(QStringLiteral("XDG_RUNTIME_DIR"));
    const QString strSocket = strName.isEmpty() ? QStringLiteral("wayland-0") : strName;
    if (!strSocket.startsWith(u'/') && strRuntime.isEmpty())
        return strName.isEmpty() ? QStringLiteral("WAYLAND_DISPLAY is not set")
                                 : QStringLiteral("XDG_RUNTIME_DIR is not set");
    const QString strPath =
        strSocket.startsWith(u'/') ? strSocket : QDir(strRuntime).filePath(strSocket);
    const QString strError = connect.wayland(strPath);
    if (strError.isEmpty())
        return {};
    if (strName.isEmpty())
        return QStringLiteral("WAYLAND_DISPLAY is not set");
    return QStringLiteral("the Wayland display \"%1\" (WAYLAND_DISPLAY) cannot be opened: %2")
        .arg(strName, strError);
}
} // namespace

DisplayOptions ReadDisplayOptions(const QStringList& args)
{
    DisplayOptions opts;
    for (qsizetype i = 0; i + 1 < args.size(); ++i)
    {
        const QString& a = args[i];
        const QString strName = a.startsWith(QStringLiteral("--")) ? a.mid(1) : a;
        if (strName == u"-platform")
            opts.strPlatform = args[++i];
        else if (strName == u"-display")
            opts.strDisplay = args[++i];
    }
    return opts;
}

Connectors SystemConnectors()
{
    return {ConnectX11, ConnectWayland};
}

QStringList PlatformOrder(const DisplayOptions& opts, const QProcessEnvironment& env)
{
    const QString strChosen = !opts.strPlatform.isEmpty()
                                  ? opts.strPlatform
                                  : env.value(QStringLiteral("QT_QPA_PLATFORM"));
    QStringList order;
    if (!strChosen.isEmpty())
    {
        for (const QString& strEntry : strChosen.split(u';', Qt::SkipEmptyParts))
        {
            const QString strName = strEntry.section(u':', 0, 0).trimmed().toLower();
            if (!strName.isEmpty())
                order.append(strName);
        }
        return order;
    }
    if (env.contains(QStringLiteral("WAYLAND_DISPLAY")) ||
        env.value(QStringLiteral("XDG_SESSION_TYPE")) == u"wayland")
        order.append(QStringLiteral("wayland"));
    order.append(QStringLiteral("xcb"));
    return order;
}

QString DisplayProblem(const DisplayOptions& opts, const QProcessEnvironment& env,
                       const Connectors& connect)
{
    const QStringList order = PlatformOrder(opts, env);
    QStringList failures;
    for (const QString& strName : order)
    {
        QString strError;
        if (strName == u"xcb")
            strError = CheckX11(opts, env, connect);
        else if (strName.startsWith(u"wayland"))
            strError = CheckWayland(env, connect);
        else
            return {}; // a platform only Qt can judge
        if (strError.isEmpty())
            return {};
        if (!failures.contains(strError))
            failures.append(strError);
    }
    const bool bChosen =
        !opts.strPlatform.isEmpty() || !env.value(QStringLiteral("QT_QPA_PLATFORM")).isEmpty();
    if (bChosen)
        return QStringLiteral("the platform is %1 and %2")
            .arg(!opts.strPlatform.isEmpty() ? opts.strPlatform
                                             : env.value(QStringLiteral("QT_QPA_PLATFORM")),
                 failures.join(QStringLiteral("; ")));
    if (env.value(QStringLiteral("DISPLAY")).isEmpty() && opts.strDisplay.isEmpty() &&
        env.value(QStringLiteral("WAYLAND_DISPLAY")).isEmpty())
        return QStringLiteral("neither DISPLAY nor WAYLAND_DISPLAY is set");
    return failures.join(QStringLiteral("; "));
}

bool ShowsNothing(const QString& strPlatformName)
{
    return strPlatformName == u"offscreen" || strPlatformName == u"minimal";
}
} // namespace displayprobe
