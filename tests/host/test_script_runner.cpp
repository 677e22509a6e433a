// The walkthrough runner against a dialog of the test's own.
#include "ScriptRunner.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <gtest/gtest.h>

using host::ScriptRunner;

namespace
{
struct OkDialog
{
    QDialog dialog;
    QDialogButtonBox buttons{QDialogButtonBox::Ok};
    bool bSafetyClosed = false;

    OkDialog()
    {
        dialog.setWindowTitle(QStringLiteral("Test Dialog"));
        (new QVBoxLayout(&dialog))->addWidget(&buttons);
        QObject::connect(&buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
        // Only so a runner that never closes the dialog fails instead of hanging.
        QTimer::singleShot(15000, &dialog, [this] {
            bSafetyClosed = true;
            dialog.reject();
        });
    }
};
} // namespace

TEST(ScriptRunner, waitDelaysTheNextStepsAndAnOpenDialogAtTheEndFails)
{
    const struct
    {
        QStringList steps;
        int nAcceptedAfterMs; // -1: the dialog must not be accepted
        QString strError;     // empty: the script succeeds
    } cases[] = {
        {{QStringLiteral("wait 400"), QStringLiteral("press OK")}, 400, {}},
        {{QStringLiteral("dialog Test Dialog"), QStringLiteral("press OK")}, 0, {}},
        {{QStringLiteral("dialog Test Dialog")},
         -1,
         QStringLiteral("the script ended while the dialog \"Test Dialog\" is still open")},
        {{}, -1, QStringLiteral("\"Test Dialog\" is still open")},
        {{QStringLiteral("wait soon")}, -1, QStringLiteral("expected a number of milliseconds")},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.steps.join(QStringLiteral(" / ")).toStdString());
        OkDialog dlg;
        ScriptRunner runner(QString(), [](const QString&) {});
        runner.m_nEndGraceMs = 200;
        runner.SetSteps(c.steps);
        QElapsedTimer clock;
        qint64 nAcceptedMs = -1;
        QObject::connect(&dlg.dialog, &QDialog::accepted, [&] { nAcceptedMs = clock.elapsed(); });
        clock.start();
        runner.Start();
        dlg.dialog.exec();
        EXPECT_EQ(runner.Failed(), !c.strError.isEmpty());
        EXPECT_TRUE(runner.Error().contains(c.strError)) << runner.Error().toStdString();
        if (c.nAcceptedAfterMs < 0)
            EXPECT_EQ(nAcceptedMs, -1);
        else
            EXPECT_GE(nAcceptedMs, c.nAcceptedAfterMs);
        // The runner ended the dialog itself.
        EXPECT_FALSE(dlg.bSafetyClosed);
    }
}
