// SPDX-License-Identifier: MIT
// What the cold-start programs share: a dialog accepted once it has painted,
// from the event loop, as a user's OK would.
#pragma once

#include <QDialog>
#include <QEvent>

class AcceptAfterPaint : public QObject
{
public:
    explicit AcceptAfterPaint(QDialog& dialog) : m_dialog(dialog) {}

    bool eventFilter(QObject* pWatched, QEvent* pEvent) override
    {
        if (pWatched == &m_dialog && pEvent->type() == QEvent::Paint && !m_bPainted)
        {
            m_bPainted = true;
            QMetaObject::invokeMethod(&m_dialog, &QDialog::accept, Qt::QueuedConnection);
        }
        return false;
    }

private:
    QDialog& m_dialog;
    bool m_bPainted = false;
};
