// SPDX-License-Identifier: MIT
#pragma once

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <functional>

// Whether the window system that Qt will pick can be reached. Qt ends the
// process (SIGABRT) when no platform in its list can start, so a program
// that shows windows asks this first and says what is wrong instead.
namespace displayprobe
{
// Qt's own options that choose the window system (-platform NAME,
// -display NAME; also with two dashes), read from a program's arguments.
struct DisplayOptions
{
    QString strPlatform; // empty: not given
    QString strDisplay;  // empty: not given
};
DisplayOptions ReadDisplayOptions(const QStringList& args);

// Opens a connection and closes it again: empty when it worked, else why not.
struct Connectors
{
    std::function<QString(const QString& strDisplay)> x11;
    // The socket path the Wayland client library would use.
    std::function<QString(const QString& strSocket)> wayland;
};
// The real ones: libxcb, and a local socket for Wayland.
Connectors SystemConnectors();

// The platforms Qt tries, in its order: -platform, else QT_QPA_PLATFORM,
// else what the session offers (wayland when WAYLAND_DISPLAY or
// XDG_SESSION_TYPE=wayland says so, xcb when DISPLAY is set), else xcb.
QStringList PlatformOrder(const DisplayOptions& opts, const QProcessEnvironment& env);

// Why no platform in that order can show a window, naming each display that
// failed ("the X display \":99\" (DISPLAY) cannot be opened: ..."); empty when
// one can, or when only Qt can tell (a platform other than xcb and wayland).
QString DisplayProblem(const DisplayOptions& opts, const QProcessEnvironment& env,
                       const Connectors& connect = SystemConnectors());

// A platform that shows nothing on any screen: a dialog there can only be
// answered by a program (offscreen, minimal).
bool ShowsNothing(const QString& strPlatformName);
} // namespace displayprobe
