// SPDX-License-Identifier: MIT
#include "pellium/FileFault.h"

QString CFileFault::Reason() const
{
    switch (eKind)
    {
    case EFileFault::kNone:
        break;
    case EFileFault::kNotAFile:
        return QStringLiteral("not a file");
    case EFileFault::kTooLarge:
        return QStringLiteral("too large (more than %1 bytes)").arg(nLimit);
    case EFileFault::kCannotOpen:
        return QStringLiteral("cannot open: %1").arg(strSystem);
    case EFileFault::kCannotRead:
        return QStringLiteral("cannot read: %1").arg(strSystem);
    case EFileFault::kUnreadable:
        return QStringLiteral("cannot be read");
    case EFileFault::kEmpty:
        return QStringLiteral("the project file is empty");
    case EFileFault::kBinary:
        return QStringLiteral("binary data (a NUL byte) in the file");
    case EFileFault::kNotUtf8:
        return QStringLiteral("not UTF-8 text (save the file as UTF-8)");
    case EFileFault::kCarriageReturn:
        return QStringLiteral(
            "carriage return inside a line (save the file with LF or CR LF line ends)");
    case EFileFault::kMalformed:
        return QStringLiteral("malformed line (expected [program] or name = value)");
    case EFileFault::kNoName:
        return QStringLiteral("a value without a name");
    case EFileFault::kNoPathSource:
        return QStringLiteral("the footprint search was given no way to read a project's "
                              "search path");
    }
    return {};
}

QString CFileFault::Describe() const
{
    const QString strName = strFile.isEmpty() && eKind == EFileFault::kNoPathSource
                                ? QStringLiteral("(no project file)")
                                : strFile;
    return nLine > 0 ? QStringLiteral("%1:%2: %3").arg(strName).arg(nLine).arg(Reason())
                     : QStringLiteral("%1: %2").arg(strName, Reason());
}
