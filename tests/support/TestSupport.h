#pragma once

#include <QString>
#include <QStringList>
#include <QWidget>

#include <functional>

class QAbstractButton;
class QTableView;

namespace testsupport
{
// Replaces the module's message box for its lifetime and keeps the texts.
class MessageRecorder
{
public:
    MessageRecorder();
    ~MessageRecorder();
    QStringList texts;
};

// Runs fn on the next modal widget that opens (other than the one open
// now), from a timer inside that widget's own event loop. Gives up after
// nTimeoutMs and closes whatever is open, so a test never hangs.
void WhenModal(std::function<void(QWidget*)> fn, int nTimeoutMs = 5000);

// Finds a visible button by its text without '&'.
QAbstractButton* FindButton(QWidget* pTop, const QString& strText);

// Clicks the cell (row, col) of a view; rows and columns count from 1.
void ClickCell(QTableView* pView, int nRow, int nCol,
               Qt::KeyboardModifiers mods = Qt::NoModifier);

// Rows of a view's model flattened to "a|b;c|d" (visible columns only when bVisibleOnly).
QString FlattenModel(const QTableView* pView, bool bVisibleOnly = false);

// A folder with the demo footprint names file of the shared data, or "".
QString SourcePath(const QString& strRelative);
QString BinaryPath(const QString& strRelative);
} // namespace testsupport
