// SPDX-License-Identifier: MIT
// The least a Qt program does to show a dialog: one empty QDialog, shown,
// painted once, accepted. The cold-start benchmark holds the host to it.
#include <QApplication>
#include <QDialog>
#include <QEvent>

namespace
{
// Accepts the dialog once it has painted, from the event loop, as a user's
// OK would.
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
} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QDialog dialog;
    dialog.setWindowTitle(QStringLiteral("Bare"));
    AcceptAfterPaint accept(dialog);
    dialog.installEventFilter(&accept);
    return dialog.exec() == QDialog::Accepted ? 0 : 1;
}
