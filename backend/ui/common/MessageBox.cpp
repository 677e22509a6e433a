// SPDX-License-Identifier: MIT
#include "common/MessageBox.h"
#include "common/Services.h"

#include <QApplication>
#include <QMessageBox>

#include <cstdio>

using physprops::ui::CServices;

int AfxMessageBox(const QString& strText, int nType, int nHelp)
{
    return CServices::Default().m_Messages.MessageBox(strText, nType, nHelp);
}

namespace physprops::ui
{
int ShowMessageBox(const QString& strText, int, int)
{
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
    {
        // No widgets to show a box with: say it where the host can see it.
        std::fprintf(stderr, "%s\n", strText.toLocal8Bit().constData());
        return 1;
    }
    QMessageBox box(QMessageBox::NoIcon, QApplication::applicationDisplayName(), strText,
                    QMessageBox::Ok, QApplication::activeWindow());
    box.setObjectName(QStringLiteral("afxMessageBox"));
    box.exec();
    return 1;
}
} // namespace physprops::ui
