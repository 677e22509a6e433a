// SPDX-License-Identifier: MIT
#include "TestSupport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDateTime>
#include <QDialog>
#include <QDir>
#include <QMessageBox>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace testsupport
{
MessageRecorder::MessageRecorder()
{
    QCoreApplication::instance()->installEventFilter(this);
}

MessageRecorder::MessageRecorder(CFakeServices& services)
    : m_pServices(&services), m_fnPrevious(services.fnMessageBox)
{
    services.fnMessageBox = [this](const QString& strText, int, int)
    {
        texts.append(strText);
        return 1;
    };
    QCoreApplication::instance()->installEventFilter(this);
}

MessageRecorder::~MessageRecorder()
{
    QCoreApplication::instance()->removeEventFilter(this);
    if (m_pServices)
        m_pServices->fnMessageBox = m_fnPrevious;
}

bool MessageRecorder::eventFilter(QObject* pWatched, QEvent* pEvent)
{
    auto* pBox = qobject_cast<QMessageBox*>(pWatched);
    if (pEvent->type() == QEvent::Show && pBox &&
        pBox->objectName() == QLatin1String("afxMessageBox") &&
        !pBox->property("recorded").toBool())
    {
        pBox->setProperty("recorded", true);
        texts.append(pBox->text());
        ++nShownBoxes;
        QMetaObject::invokeMethod(pBox, &QDialog::accept, Qt::QueuedConnection);
    }
    return false;
}

void WhenModal(std::function<void(QWidget*)> fn, int nTimeoutMs)
{
    QWidget* pBefore = QApplication::activeModalWidget();
    const qint64 nStart = QDateTime::currentMSecsSinceEpoch();
    auto* pTimer = new QTimer;
    pTimer->setInterval(10);
    QObject::connect(pTimer, &QTimer::timeout,
                     [=]()
                     {
                         QWidget* pNow = QApplication::activeModalWidget();
                         // Active too: on a busy machine the dialog is shown before it gets the
                         // focus.
                         if (pNow && pNow != pBefore && pNow->isVisible() && pNow->isActiveWindow())
                         {
                             pTimer->stop();
                             pTimer->deleteLater();
                             fn(pNow);
                             return;
                         }
                         if (QDateTime::currentMSecsSinceEpoch() - nStart > nTimeoutMs)
                         {
                             pTimer->stop();
                             pTimer->deleteLater();
                             ADD_FAILURE() << "no modal dialog opened";
                             while (auto* pDialog =
                                        qobject_cast<QDialog*>(QApplication::activeModalWidget()))
                                 pDialog->done(QDialog::Rejected);
                         }
                     });
    pTimer->start();
}

QAbstractButton* FindButton(QWidget* pTop, const QString& strText)
{
    for (QAbstractButton* pButton : pTop->findChildren<QAbstractButton*>())
        if (QString(pButton->text()).remove(u'&') == strText)
            return pButton;
    return nullptr;
}

void ClickCell(QTableView* pView, int nRow, int nCol, Qt::KeyboardModifiers mods)
{
    const QModelIndex idx = pView->model()->index(nRow - 1, nCol - 1);
    pView->scrollTo(idx);
    QTest::mouseClick(pView->viewport(), Qt::LeftButton, mods, pView->visualRect(idx).center());
}

QString FlattenModel(const QTableView* pView, bool bVisibleOnly)
{
    const QAbstractItemModel* pModel = pView->model();
    QStringList rows;
    for (int r = 0; r < pModel->rowCount(); ++r)
    {
        QStringList cells;
        for (int c = 0; c < pModel->columnCount(); ++c)
            if (!bVisibleOnly || !pView->isColumnHidden(c))
                cells.append(pModel->index(r, c).data().toString());
        rows.append(cells.join(u'|'));
    }
    return rows.join(u';');
}

QString SourcePath(const QString& strRelative)
{
    return QDir(QStringLiteral(PHYSPROPS_SOURCE_DIR)).filePath(strRelative);
}

QString BinaryPath(const QString& strRelative)
{
    return QDir(QStringLiteral(PHYSPROPS_BINARY_DIR)).filePath(strRelative);
}
} // namespace testsupport
