#pragma once

#include <QObject>
#include <QString>

class QSocketNotifier;
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

// Shows a window and brings it to the front where the window system can.
void BringToFront(QWidget* pWindow);

// A request from the session to the PCB editor.
struct EditorRequest
{
    enum Kind
    {
        Invalid,
        Open,
        New,
    };
    Kind nKind = Invalid;
    QString strPath;  // Open: the drawing
    QString strError; // Invalid: why
};

// Reads a session message: "Input new unnamed.dra", or "Input open" and a
// path in double quotes. The path is everything between the first quote
// after "open " and the last quote of the message, so quotes inside it
// survive.
EditorRequest ParseEditorMessage(const QString& strMessage);

// Watches standard input for the tool manager's "raise" lines.
class CStdinWatcher : public QObject
{
    Q_OBJECT
public:
    explicit CStdinWatcher(QObject* pParent = nullptr);

Q_SIGNALS:
    void RaiseRequested();

private:
    void OnReadable();

    QSocketNotifier* m_pNotifier;
    QByteArray m_pending;
};
} // namespace companion
