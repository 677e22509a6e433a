// SPDX-License-Identifier: MIT
#include "grid/Grids.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QScopedValueRollback>

using physprops::ui::CGridBase;
using physprops::ui::TypesText;

CPhysPropsGrid::CPhysPropsGrid(QWidget* pParent) : CGridBase(pParent)
{
    setObjectName(QStringLiteral("grdProperties"));
}

void CPhysPropsGrid::keyPressEvent(QKeyEvent* pEvent)
{
    const QModelIndex current = currentIndex();
    if (m_pTypedEditor && indexWidget(current) == m_pTypedEditor)
    {
        if (pEvent->key() == Qt::Key_Return || pEvent->key() == Qt::Key_Enter)
        {
            m_pTypedEditor = nullptr;
            CommitPendingEdit();
            pEvent->ignore();
            return;
        }
        // Keys sent to the grid itself while the editor has just opened
        // (as scripted input does) belong to the editor.
        if (TypesText(*pEvent) && !m_bForwarding)
        {
            const QScopedValueRollback forwarding(m_bForwarding, true);
            QCoreApplication::sendEvent(m_pTypedEditor, pEvent);
            return;
        }
    }
    if (current.isValid() && current.column() == 0 && state() != EditingState &&
        TypesText(*pEvent) && !current.flags().testFlag(Qt::ItemIsEditable))
    {
        const QModelIndex value = current.siblingAtColumn(1);
        if (value.flags().testFlag(Qt::ItemIsEditable))
        {
            setCurrentIndex(value);
            // The editor opens with its text selected and takes the key, which replaces it.
            if (edit(value, AnyKeyPressed, pEvent))
            {
                m_pTypedEditor = indexWidget(value);
                return;
            }
        }
    }
    CGridBase::keyPressEvent(pEvent);
}

CSymbolGrid::CSymbolGrid(QWidget* pParent) : CGridBase(pParent)
{
    setObjectName(QStringLiteral("grdFootprints"));
}

CLocGrid::CLocGrid(QWidget* pParent) : CGridBase(pParent)
{
    setObjectName(QStringLiteral("grdLocations"));
}

bool CLocGrid::OnLButtonDblClkRowCol(quint32 nRow, int, Qt::KeyboardModifiers, QPoint)
{
    // The header row chooses nothing; a data row is handled, never edited.
    if (nRow != 0)
        Q_EMIT locationDoubleClicked(nRow, nRow == m_nSelRow ? GetSelectedLocation() : QString());
    return true;
}
