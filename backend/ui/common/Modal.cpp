#include "common/Modal.h"

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

CFocusReturn::CFocusReturn() : m_pCaller(QApplication::activeWindow()) {}

void CFocusReturn::GiveBack(const QWidget* pExcept) const
{
    if (m_pCaller && m_pCaller != pExcept && m_pCaller->isVisible())
        m_pCaller->activateWindow();
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
    const CFocusReturn focus;
    const int nResult = exec() == QDialog::Accepted ? IDOK : IDCANCEL;
    focus.GiveBack(this);
    return nResult;
}
