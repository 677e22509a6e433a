// SPDX-License-Identifier: MIT
#pragma once

#include "ui/UiExport.h"

#include "harbex/ToolManager.h"
#include "pellium/FileFault.h"

#include <QString>

#include <optional>
#include <utility>

namespace physprops::ui
{
// Why the PCB editor could not be given the View requests that wait for it:
// a kind and its values. Describe() words it in English for the log, or in
// the user's language with the dialogs' catalogue (CTexts).
struct PHYSPROPS_UI_EXPORT CEditorFault
{
    enum class EKind : quint8
    {
        kNoToolManager, // the host's tool manager is gone
        kDeaf,          // strProgram, nPid: it runs but does not answer
        kEndedAtStart,  // strProgram, nPid, status: it ended before it answered
        kNeverAnswered, // strProgram, nStarts: started that often, never answered
        kNotFound,      // strProgram: no such program
        kNotStarted,    // strPath, startFault: found, but it did not start
    };
    explicit CEditorFault(EKind eWhat = EKind::kNoToolManager, QString strName = {})
        : eKind(eWhat), strProgram(std::move(strName))
    {
    }

    EKind eKind;
    QString strProgram;
    qint64 nPid = 0;
    std::optional<int> status; // how it ended, when that is known
    int nStarts = 0;
    QString strPath;
    CToolStartFault startFault;

    QString Describe(TextFn fnText = nullptr) const;
};
} // namespace physprops::ui
