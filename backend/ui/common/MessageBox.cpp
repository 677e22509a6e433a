#include "common/MessageBox.h"

#include <QApplication>
#include <QMessageBox>

#include <cstdio>

namespace
{
MessageBoxHandler& Handler()
{
    static MessageBoxHandler s_handler;
    return s_handler;
}
} // namespace

int AfxMessageBox(const QString& strText, int nType, int nHelp)
{
    if (Handler())
        return Handler()(strText, nType, nHelp);
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

MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler)
{
    MessageBoxHandler old = std::move(Handler());
    Handler() = std::move(handler);
    return old;
}
