// SPDX-License-Identifier: MIT
#include "common/EditorFault.h"

namespace physprops::ui
{
QString CEditorFault::Describe(TextFn fnText) const
{
    switch (eKind)
    {
    case EKind::kNoToolManager:
        return WordText(fnText, QT_TRANSLATE_NOOP("CTexts", "the host's tool manager is gone"));
    case EKind::kDeaf:
        return WordText(fnText,
                        QT_TRANSLATE_NOOP("CTexts", "\"%1\" (process %2) runs but does not answer"))
            .arg(strProgram)
            .arg(nPid);
    case EKind::kEndedAtStart:
    {
        QString strText =
            WordText(fnText, QT_TRANSLATE_NOOP("CTexts", "\"%1\" (process %2) ended right "
                                                         "after it started, before it answered"))
                .arg(strProgram)
                .arg(nPid);
        if (status)
            strText += QStringLiteral(" (%1)").arg(CToolProcess::WaitStatusText(*status, fnText));
        return strText;
    }
    case EKind::kNeverAnswered:
        return WordText(fnText, QT_TRANSLATE_NOOP("CTexts",
                                                  "\"%1\" was started %2 times and never answered"))
            .arg(strProgram)
            .arg(nStarts);
    case EKind::kNotFound:
        return WordText(fnText, QT_TRANSLATE_NOOP("CTexts", "the program \"%1\" was not found"))
            .arg(strProgram);
    case EKind::kNotStarted:
        return WordText(fnText, QT_TRANSLATE_NOOP("CTexts", "\"%1\" could not be started: %2"))
            .arg(strPath, startFault.Reason(fnText));
    }
    return {};
}
} // namespace physprops::ui
