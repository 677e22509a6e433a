// SPDX-License-Identifier: MIT
// The walkthrough runner against a dialog of the test's own.
#include "ScriptRunner.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTableView>
#include <QTimer>
#include <QTranslator>
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
        QTimer::singleShot(15000, &dialog,
                           [this]
                           {
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
        // Refused before any step runs.
        {{QStringLiteral("press OK"), QStringLiteral("wait soon")},
         -1,
         QStringLiteral("line 2: step \"wait\" takes MS, got \"soon\"")},
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

TEST(ScriptRunner, everyStepIsCheckedBeforeTheFirstRuns)
{
    const QString strLong = QStringLiteral("edit 1 2 ") + QString(100000, u'x');
    const struct
    {
        QStringList lines;
        QString strError; // empty: accepted
    } cases[] = {
        {{QStringLiteral("# a comment"), QStringLiteral(""), QStringLiteral("dialog Test Dialog"),
          QStringLiteral("click 1"), QStringLiteral("click 2 3"), QStringLiteral("edit 1 2 a  b"),
          QStringLiteral("key enter"), QStringLiteral("say"), QStringLiteral("grid"),
          QStringLiteral("wait 120000"), strLong, QStringLiteral("edit 1 2 x\r"),
          QStringLiteral("message a\\nb\\tc ")},
         {}},
        // Typed text goes to the keyboard: Enter and Tab would end the edit.
        {{QStringLiteral("edit 1 2 a\\nb")},
         QStringLiteral("s.txt:1: step \"edit\": \\n in the text would press Enter")},
        {{QStringLiteral("edit 1 2 a\\tb")}, QStringLiteral("step \"edit\": a tab in the text")},
        {{QStringLiteral("type a\tb")}, QStringLiteral("step \"type\": a tab in the text")},
        {{QStringLiteral("edit 1 2 x  ")},
         QStringLiteral("step \"edit\": the text ends in a blank")},
        {{QStringLiteral("press OK"), QStringLiteral("frobnicate 1")},
         QStringLiteral("s.txt:2: unknown step \"frobnicate\"")},
        {{QStringLiteral("edit 1 2")},
         QStringLiteral("s.txt:1: step \"edit\" needs ROW COL TEXT, got \"1 2\"")},
        {{QStringLiteral("edit 0 2 x")},
         QStringLiteral("step \"edit\" takes ROW COL TEXT, got \"0 2 x\"")},
        {{QStringLiteral("click")}, QStringLiteral("step \"click\" needs ROW [COL]")},
        {{QStringLiteral("click 1 2 3")},
         QStringLiteral("step \"click\" takes ROW [COL], got \"1 2 3\"")},
        {{QStringLiteral("header-dblclick x")},
         QStringLiteral("step \"header-dblclick\" takes COL")},
        {{QStringLiteral("press")}, QStringLiteral("step \"press\" needs BUTTON")},
        {{QStringLiteral("dialog")}, QStringLiteral("step \"dialog\" needs TITLE")},
        {{QStringLiteral("message")}, QStringLiteral("step \"message\" needs TEXT")},
        {{QStringLiteral("shot ../x")}, QStringLiteral("step \"shot\" takes NAME")},
        {{QStringLiteral("key F13")}, QStringLiteral("step \"key\": unknown key \"F13\"")},
        {{QStringLiteral("grid 1")}, QStringLiteral("step \"grid\" takes nothing more")},
        {{QStringLiteral("wait -1")}, QStringLiteral("step \"wait\" takes MS, got \"-1\"")},
        {{QStringLiteral("wait 99999999999")},
         QStringLiteral("s.txt:1: step \"wait\": 99999999999 ms is more than the script's limit of "
                        "120 s (120000 ms)")},
        {{QStringLiteral("wait 60000"), QStringLiteral("wait 60001")},
         QStringLiteral(
             "s.txt:2: step \"wait\": the waits up to here add up to 120001 ms, more than the "
             "script's limit of 120 s")},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.lines.join(QStringLiteral(" / ")).left(200).toStdString());
        QList<host::ScriptStep> steps;
        QString strError;
        EXPECT_EQ(host::ParseScript(c.lines, QStringLiteral("s.txt"), steps, strError),
                  c.strError.isEmpty());
        EXPECT_TRUE(strError.contains(c.strError)) << strError.toStdString();
        EXPECT_EQ(steps.isEmpty(), !c.strError.isEmpty());
    }
}

namespace
{
// A dialog with a grid of one editable cell, and a button made with a
// translated text.
struct GridDialog
{
    QDialog dialog;
    QStandardItemModel model{1, 1};
    QTableView* pView = new QTableView(&dialog);
    QDialogButtonBox buttons;

    explicit GridDialog(const char* pszButton)
    {
        dialog.setWindowTitle(QCoreApplication::translate("GridDialog", "Grid Dialog"));
        pView->setModel(&model);
        buttons.addButton(QCoreApplication::translate("GridDialog", pszButton),
                          QDialogButtonBox::AcceptRole);
        auto* pLayout = new QVBoxLayout(&dialog);
        pLayout->addWidget(pView);
        pLayout->addWidget(&buttons);
        QObject::connect(&buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
        QTimer::singleShot(15000, &dialog, &QDialog::reject);
    }
};

// The dialogs' language for the test: German for two texts.
class GermanCatalogue : public QTranslator
{
public:
    QString translate(const char* pszContext, const char* pszSource, const char*,
                      int) const override
    {
        if (qstrcmp(pszContext, "GridDialog") != 0)
            return {};
        if (qstrcmp(pszSource, "&Proceed") == 0)
            return QStringLiteral("&Weiter");
        if (qstrcmp(pszSource, "Grid Dialog") == 0)
            return QStringLiteral("Tabellendialog");
        return {};
    }
    bool isEmpty() const override { return false; }
};

// Plays the steps against the dialog; the runner's error, empty when it passed.
QString Play(GridDialog& dlg, const QStringList& steps)
{
    ScriptRunner runner(QString(), [](const QString&) {});
    runner.m_nEndGraceMs = 200;
    EXPECT_TRUE(runner.SetSteps(steps)) << runner.Error().toStdString();
    runner.Start();
    dlg.dialog.exec();
    return runner.Error();
}
} // namespace

TEST(ScriptRunner, editTypesIntoTheCellEvenWhileTheWindowIsNotActiveYet)
{
    GridDialog dlg("OK");
    // Never active: as a loaded machine or a window manager may leave it.
    dlg.dialog.setWindowFlag(Qt::WindowDoesNotAcceptFocus);
    // Typed exactly, blanks and all, and in one insertion (a long text once took minutes).
    const QString strText = QStringLiteral(" two  blanks ") + QString(20000, u'y');
    EXPECT_EQ(Play(dlg, {QStringLiteral("edit 1 1 ") + strText + QStringLiteral("z"),
                         QStringLiteral("press OK")}),
              QString());
    EXPECT_EQ(dlg.dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dlg.model.item(0, 0)->text(), strText + QStringLiteral("z"));
}

TEST(ScriptRunner, scriptsNameTextsInEnglishWhateverTheLanguage)
{
    GermanCatalogue german;
    QCoreApplication::installTranslator(&german);
    const struct
    {
        QStringList steps;
        QString strError;
    } cases[] = {
        {{QStringLiteral("dialog Grid Dialog"), QStringLiteral("press Proceed")}, {}},
        // What the dialog shows works too.
        {{QStringLiteral("dialog Tabellendialog"), QStringLiteral("press Weiter")}, {}},
        {{QStringLiteral("press Continue")},
         QStringLiteral("no button \"Continue\" in \"Tabellendialog\"")},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.steps.join(QStringLiteral(" / ")).toStdString());
        // The runner first: it learns the source of each text made after it.
        ScriptRunner runner(QString(), [](const QString&) {});
        runner.m_nStepTimeoutMs = 300;
        runner.m_nEndGraceMs = 200;
        GridDialog dlg("&Proceed");
        ASSERT_TRUE(runner.SetSteps(c.steps));
        runner.Start();
        dlg.dialog.exec();
        EXPECT_EQ(dlg.dialog.windowTitle(), QStringLiteral("Tabellendialog"));
        EXPECT_TRUE(runner.Error().contains(c.strError)) << runner.Error().toStdString();
        EXPECT_EQ(runner.Failed(), !c.strError.isEmpty());
    }
    QCoreApplication::removeTranslator(&german);
}
