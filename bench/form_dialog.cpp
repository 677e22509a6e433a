// SPDX-License-Identifier: MIT
// The "Physical Properties" form alone in a plain Qt program: its Designer
// layout with a plain table of the same three rows, shown, painted once,
// accepted. What showing this dialog costs any Qt program (fonts, text,
// the style's pictures); the cold-start benchmark reports it beside the
// host and the bare dialog.
#include "ui_PhysPropsDlg.h"

#include "AcceptAfterPaint.h"

#include <QApplication>
#include <QDialog>
#include <QStandardItemModel>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QDialog dialog;
    Ui::CPhysPropsDlg form;
    form.setupUi(&dialog);
    QStandardItemModel model(3, 2);
    model.setHorizontalHeaderLabels({QStringLiteral("Property"), QStringLiteral("Value")});
    const char* const rows[3][2] = {{"JEDEC_TYPE", "SOIC14"},
                                    {"ALT_SYMBOLS", "(Top:SOIC14;DIP8)"},
                                    {"DESCRIPTION", "14-pin small outline"}};
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 2; ++c)
            model.setItem(r, c, new QStandardItem(QString::fromLatin1(rows[r][c])));
    form.grdProperties->setModel(&model);
    AcceptAfterPaint accept(dialog);
    dialog.installEventFilter(&accept);
    return dialog.exec() == QDialog::Accepted ? 0 : 1;
}
