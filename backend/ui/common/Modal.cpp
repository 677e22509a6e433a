#include "common/Modal.h"

#include <QApplication>
#include <QDialog>
#include <QPointer>

CWaitCursor::CWaitCursor() : m_bActive(qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
{
    if (m_bActive)
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
}

CWaitCursor::~CWaitCursor()
{
    if (m_bActive)
        QGuiApplication::restoreOverrideCursor();
}

int RunModalDialog(QDialog& dialog)
{
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        return -1;
    // Our dialogs often have no parent of ours, and not every platform hands
    // the focus back when a parentless modal closes: give it back ourselves,
    // so the keyboard works in the window the user came from.
    const QPointer<QWidget> pCaller = QApplication::activeWindow();
    const int nResult = dialog.exec() == QDialog::Accepted ? IDOK : IDCANCEL;
    if (pCaller && pCaller != &dialog && pCaller->isVisible())
        pCaller->activateWindow();
    return nResult;
}

CDialogBase::CDialogBase(QWidget* pParent) : QDialog(pParent) {}

bool CDialogBase::InitDialog()
{
    if (!m_bInitialized)
    {
        m_bInitialized = true;
        m_bInitOk = OnInitDialog();
    }
    return m_bInitOk;
}

int CDialogBase::DoModal()
{
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()) || !InitDialog())
        return -1;
    return RunModalDialog(*this);
}
