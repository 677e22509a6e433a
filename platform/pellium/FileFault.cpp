// SPDX-License-Identifier: MIT
#include "pellium/FileFault.h"

QString CFileFault::Reason(TextFn fnText) const
{
    switch (eKind)
    {
    case EFileFault::kNone:
        break;
    case EFileFault::kNotAFile:
    {
        QString strNot = WordText(fnText, QT_TRANSLATE_NOOP("CTexts", "not a file"));
        switch (eType)
        {
        case EFileType::kUnknown:
            break;
        case EFileType::kFolder:
            return strNot + WordText(fnText, QT_TRANSLATE_NOOP("CTexts", ": it is a folder"));
        case EFileType::kFifo:
            return strNot +
                   WordText(fnText, QT_TRANSLATE_NOOP("CTexts", ": it is a named pipe (FIFO)"));
        case EFileType::kDevice:
            return strNot + WordText(fnText, QT_TRANSLATE_NOOP("CTexts", ": it is a device"));
        case EFileType::kSocket:
            return strNot + WordText(fnText, QT_TRANSLATE_NOOP("CTexts", ": it is a socket"));
        }
        return strNot;
    }
    case EFileFault::kTooLarge:
        return WordText(fnText, QT_TRANSLATE_NOOP("CTexts", "too large (more than %1 bytes)"))
            .arg(nLimit);
    case EFileFault::kCannotOpen:
        return WordText(fnText, QT_TRANSLATE_NOOP("CTexts", "cannot open: %1")).arg(strSystem);
    case EFileFault::kCannotRead:
        return WordText(fnText, QT_TRANSLATE_NOOP("CTexts", "cannot read: %1")).arg(strSystem);
    case EFileFault::kUnreadable:
        return WordText(fnText, QT_TRANSLATE_NOOP("CTexts", "cannot be read"));
    case EFileFault::kBinary:
        return WordText(fnText,
                        QT_TRANSLATE_NOOP("CTexts", "binary data (a NUL byte) in the file"));
    case EFileFault::kUtf16:
        return WordText(fnText,
                        QT_TRANSLATE_NOOP("CTexts", "UTF-16 text (save the file as UTF-8)"));
    case EFileFault::kPathNotUtf8:
        return WordText(fnText,
                        QT_TRANSLATE_NOOP("CTexts", "the name of a folder on its path is not UTF-8 "
                                                    "text, so the file cannot be named again "
                                                    "(rename the folder to UTF-8)"));
    case EFileFault::kNotUtf8:
        return WordText(fnText,
                        QT_TRANSLATE_NOOP("CTexts", "not UTF-8 text (save the file as UTF-8)"));
    case EFileFault::kCarriageReturn:
        return WordText(
            fnText,
            QT_TRANSLATE_NOOP(
                "CTexts",
                "carriage return inside a line (save the file with LF or CR LF line ends)"));
    case EFileFault::kMalformed:
        return WordText(
            fnText,
            QT_TRANSLATE_NOOP("CTexts", "malformed line (expected [program] or name = value)"));
    case EFileFault::kNoName:
        return WordText(fnText, QT_TRANSLATE_NOOP("CTexts", "a value without a name"));
    case EFileFault::kNoPathSource:
        return WordText(
            fnText,
            QT_TRANSLATE_NOOP("CTexts", "the footprint search was given no way to read a project's "
                                        "search path"));
    }
    return {};
}

QString CFileFault::Describe(TextFn fnText) const
{
    const QString strName = strFile.isEmpty() && eKind == EFileFault::kNoPathSource
                                ? WordText(fnText, QT_TRANSLATE_NOOP("CTexts", "(no project file)"))
                                : strFile;
    return nLine > 0 ? QStringLiteral("%1:%2: %3").arg(strName).arg(nLine).arg(Reason(fnText))
                     : QStringLiteral("%1: %2").arg(strName, Reason(fnText));
}
