#include "Modal.h"

#include <QApplication>
#include <QDialog>

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
    return dialog.exec() == QDialog::Accepted ? IDOK : IDCANCEL;
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
