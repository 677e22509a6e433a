// SPDX-License-Identifier: MIT
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

class QSocketNotifier;
class QTimer;
class QWidget;

namespace companion
{
// Makes a text safe for one output line: backslash, line breaks, tabs and
// other control characters are written as escapes (\\ \n \r \t \xHH), so a
// path that holds a newline still reads as one line and cannot fake another.
QString EscapeForLine(const QString& strText);

// Writes one line to standard output, and appends it to the file that the
// environment variable names when it is set (for tests and demos).
void WriteLine(const QString& strLine, const char* pszLogVariable);

// Drops the offscreen platform's warnings about window hints it cannot
// honour, which would bury the companion's own lines.
void QuietenPlatformWarnings();

// Whether Qt can open a display with these arguments and this environment;
// if not, says which display failed, on standard error as "PROGRAM: ...".
// Call it before QApplication, which would end the process with SIGABRT.
bool CheckDisplay(const char* pszProgram, int argc, char** argv);

// Shows a window and brings it to the front where the window system can.
void BringToFront(QWidget* pWindow);

// The first "-ipqsession" or "-ipqhost" (also with '/', any case) of the
// arguments that has no value: it is the last argument, or the next one is
// such an option too. Null when each has its value (an empty word counts).
// The message library would read a missing value as empty; a companion
// refuses it as a usage error instead.
QString SessionOptionWithoutValue(const QStringList& args);

// The value of "--exit-after-ms" at args[i], and why it cannot be one (it
// is missing, or not a number of milliseconds from 0 up); the fault's text
// names the word as given. Milliseconds gives -1 for a bad value.
QString MillisecondsError(const QStringList& args, qsizetype i);
int Milliseconds(const QStringList& args, qsizetype i);

// A request from the session to the PCB editor.
struct EditorRequest
{
    enum class Kind
    {
        Invalid,
        Open,
        New,
    };
    Kind nKind = Kind::Invalid;
    QString strPath;  // Open: the drawing
    QString strError; // Invalid: why
};

// Reads a session message: "Input new unnamed.dra", or "Input open" and a
// path in double quotes. The path is everything between the first quote
// after "open " and the last quote of the message, so quotes inside it
// survive.
EditorRequest ParseEditorMessage(const QString& strMessage);

// The signal a host's tool manager sends to bring a companion forward.
// A tool manager starts companions with it blocked; BlockRaiseSignal does
// the same for a companion started otherwise. Call it first in main, before
// any thread starts, so that no thread takes the signal's default action
// (the end of the program).
void BlockRaiseSignal();

// Turns the raise signals into RaiseRequested, from the event loop.
class CRaiseWatcher : public QObject
{
    Q_OBJECT
public:
    explicit CRaiseWatcher(QObject* pParent = nullptr);
    ~CRaiseWatcher() override;

Q_SIGNALS:
    void RaiseRequested();

private:
    void OnReadable();

    int m_nFd;
    QSocketNotifier* m_pNotifier = nullptr;
};

// Without a display nobody can close a companion's window, and it outlives
// the host that started it: after this long without a request it ends.
inline constexpr int kOffscreenIdleExitMs = 60000;

// Ends the application after kOffscreenIdleExitMs without a call to Touch,
// on the offscreen platform only.
class CIdleExit : public QObject
{
public:
    explicit CIdleExit(QObject* pParent = nullptr);
    void Touch();

private:
    QTimer* m_pTimer = nullptr;
};
} // namespace companion
