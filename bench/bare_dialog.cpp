// SPDX-License-Identifier: MIT
// The least a Qt program does to show a dialog: one empty QDialog, shown,
// painted once, accepted. The cold-start benchmark holds the host to it.
#include "AcceptAfterPaint.h"

#include <QApplication>
#include <QDialog>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QDialog dialog;
    dialog.setWindowTitle(QStringLiteral("Bare"));
    AcceptAfterPaint accept(dialog);
    dialog.installEventFilter(&accept);
    return dialog.exec() == QDialog::Accepted ? 0 : 1;
}
