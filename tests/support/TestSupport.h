// SPDX-License-Identifier: MIT
#pragma once

#include "FakeServices.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <functional>

class QAbstractButton;
class QTableView;

namespace testsupport
{
// Keeps the texts of the module's message boxes for its lifetime: those
// told through the services given (whose message box it replaces until it
// ends), and every real box that code on the default services shows
// (answered at once with OK).
class MessageRecorder : public QObject
{
public:
    MessageRecorder();
    explicit MessageRecorder(CFakeServices& services);
    ~MessageRecorder() override;
    QStringList texts;
    // How many of the texts came from real boxes rather than the services.
    int nShownBoxes = 0;

protected:
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;

private:
    CFakeServices* m_pServices = nullptr;
    std::function<int(const QString&, int, int)> m_fnPrevious;
};

// Runs fn on the next modal widget that opens (other than the one open
// now), from a timer inside that widget's own event loop. Gives up after
// nTimeoutMs and closes whatever is open, so a test never hangs.
void WhenModal(std::function<void(QWidget*)> fn, int nTimeoutMs = 5000);

// Finds a visible button by its text without '&'.
QAbstractButton* FindButton(QWidget* pTop, const QString& strText);

// Clicks the cell (row, col) of a view; rows and columns count from 1.
void ClickCell(QTableView* pView, int nRow, int nCol, Qt::KeyboardModifiers mods = Qt::NoModifier);

// Rows of a view's model flattened to "a|b;c|d" (visible columns only when bVisibleOnly).
QString FlattenModel(const QTableView* pView, bool bVisibleOnly = false);

// A folder with the demo footprint names file of the shared data, or "".
QString SourcePath(const QString& strRelative);
QString BinaryPath(const QString& strRelative);
} // namespace testsupport
