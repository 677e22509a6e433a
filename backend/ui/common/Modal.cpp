// SPDX-License-Identifier: MIT
#include "common/Modal.h"

#include <QApplication>
#include <QDialog>
#include <QFontMetricsF>
#include <QSizeGrip>

namespace physprops::ui
{
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

namespace
{
constexpr qreal kDesignCharWidth = 6.078125;
constexpr qreal kDesignLineHeight = 14.0;
} // namespace

int FontScaledWidth(int nDesigned, const QWidget& widget)
{
    return qRound(nDesigned * QFontMetricsF(widget.font()).averageCharWidth() / kDesignCharWidth);
}

QSize FontScaledSize(const QSize& designed, const QWidget& widget)
{
    const QFontMetricsF fm(widget.font());
    return QSize(qRound(designed.width() * fm.averageCharWidth() / kDesignCharWidth),
                 qRound(designed.height() * fm.height() / kDesignLineHeight));
}

CDialogBase::CDialogBase(QWidget* pParent) : QDialog(pParent) {}

bool CDialogBase::InitDialog()
{
    if (!m_bInitialized)
    {
        m_bInitialized = true;
        m_bInitOk = OnInitDialog();
        // A screen reader would announce the resize corner as an unnamed object.
        if (auto* pGrip = findChild<QSizeGrip*>())
            pGrip->setAccessibleName(tr("Size grip"));
        // The form's size is the one for the default font; the layout keeps
        // every text whole when even that is too small.
        resize(FontScaledSize(size(), *this).expandedTo(minimumSizeHint()));
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
} // namespace physprops::ui
