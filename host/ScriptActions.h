// SPDX-License-Identifier: MIT
#pragma once

#include "ScriptSteps.h"

#include <QString>

#include <functional>

class QTableView;
class QWidget;

namespace host
{
class SourceTexts;

// What each walkthrough step needs on screen before it acts, and what it
// does then, looked up by the step's verb. The runner decides when to ask.
class ScriptActions
{
public:
    using Log = std::function<void(const QString&)>;

    // texts outlives the actions; it names dialogs, buttons and choices.
    ScriptActions(QString strShotsDir, Log log, const SourceTexts& texts);

    // Whether the step acts on a dialog (all but "wait" and "say").
    static bool NeedsDialog(const ScriptStep& step);
    // 1 ready, 0 not yet (looked at again), -1 failed, with strError saying
    // why. pTop is the topmost dialog, on screen; bMayWait: the step may
    // still wait for its window to become active.
    int Ready(const ScriptStep& step, QWidget* pTop, bool bMayWait, QString& strError) const;
    // Does what the step says; false and strError when it cannot.
    bool Act(const ScriptStep& step, QString& strError);

private:
    struct Verb;
    static const Verb* VerbOf(const QString& strVerb);

    int Always(const ScriptStep&, QWidget*, bool, QString&) const { return 1; }
    int DialogReady(const ScriptStep& step, QWidget* pTop, bool, QString& strError) const;
    int MessageReady(const ScriptStep& step, QWidget* pTop, bool, QString& strError) const;
    int ButtonReady(const ScriptStep& step, QWidget* pTop, bool, QString& strError) const;
    int GridReady(const ScriptStep& step, QWidget* pTop, bool bMayWait, QString& strError) const;
    int KeysReady(const ScriptStep& step, QWidget* pTop, bool bMayWait, QString& strError) const;

    bool Nothing(const ScriptStep&, QWidget*, QString&) { return true; }
    bool Say(const ScriptStep& step, QWidget*, QString&);
    bool AnswerMessage(const ScriptStep& step, QWidget* pTop, QString&);
    bool Press(const ScriptStep& step, QWidget* pTop, QString&);
    bool Shot(const ScriptStep& step, QWidget* pTop, QString& strError);
    bool Type(const ScriptStep& step, QWidget* pTop, QString&);
    bool ClearText(const ScriptStep& step, QWidget* pTop, QString& strError);
    bool Key(const ScriptStep& step, QWidget* pTop, QString& strError);
    bool PrintGrid(const ScriptStep& step, QWidget* pTop, QString&);
    bool HeaderDoubleClick(const ScriptStep& step, QWidget* pTop, QString&);
    bool Click(const ScriptStep& step, QWidget* pTop, QString& strError);
    bool DoubleClick(const ScriptStep& step, QWidget* pTop, QString& strError);
    bool Edit(const ScriptStep& step, QWidget* pTop, QString& strError);
    bool Choose(const ScriptStep& step, QWidget* pTop, QString& strError);

    QString m_strShotsDir;
    Log m_log;
    const SourceTexts& m_texts;
};
} // namespace host
