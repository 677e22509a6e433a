// SPDX-License-Identifier: MIT
#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <Qt>

namespace host
{
// One step of a walkthrough script, as read from its line.
struct ScriptStep
{
    int nLine = 0;
    QString strVerb;
    QStringList args; // the words after the verb
    QString strRest;  // everything after the verb, escapes undone
};

// The whole script's limit, in milliseconds.
inline constexpr int kScriptLimitMs = 120000;

// Every step with its arguments and what it does, one a line, for --help.
QString ScriptStepsHelp();

// The script's lines; false and "FILE: what" or "FILE:LINE: what" when the
// file cannot be read as text.
bool ReadScript(const QString& strPath, QStringList& lines, QString& strError);

// Checks every step before any runs: a known step, the arguments it needs,
// waits within the script's limit. False and "FILE:LINE: step \"VERB\": what"
// for the first that is wrong (strFile empty: "line LINE: ...").
bool ParseScript(const QStringList& lines, const QString& strFile, QList<ScriptStep>& steps,
                 QString& strError, int nScriptLimitMs = kScriptLimitMs);

// Why a step cannot run as written; empty when it can. Adds a wait's time
// to nWaitedMs, so the waits together stay within nLimitMs.
QString CheckStep(const ScriptStep& step, qint64& nWaitedMs, int nLimitMs);

// Where a line stands in messages: "FILE:LINE", or "line LINE" without a file.
QString ScriptPlace(const QString& strFile, int nLine);

// The keys a "key" step may name, lower case.
const QHash<QString, Qt::Key>& KeyNames();

// The rest of a step's text after its first nWords words, exactly as written.
QString TextAfterWords(const QString& strRest, int nWords);
} // namespace host
