// SPDX-License-Identifier: MIT
#pragma once

#include "pellium/PelliumExport.h"

#include <QString>

// Puts a text marked for translation (context "CTexts") into the user's
// language; without one, the text stays the English it was written in.
using TextFn = QString (*)(const char* pszText);

// pszText in the words fnText gives, or as written without one.
inline QString WordText(TextFn fnText, const char* pszText)
{
    return fnText ? fnText(pszText) : QString::fromLatin1(pszText);
}

// What is wrong with a text file the user named (a project file, a
// properties file, a script), or why a project gives no search path. One
// wording for both: the dialogs pass their catalogue's TextFn, the English
// for logs, the host's output and scripts passes none.
enum class EFileFault : quint8
{
    kNone,
    kNotAFile,       // a folder, pipe or device
    kTooLarge,       // more than nLimit bytes
    kCannotOpen,     // strSystem: the system's reason
    kCannotRead,     // strSystem: the system's reason
    kUnreadable,     // cannot be read, no more is known
    kBinary,         // a NUL byte
    kUtf16,          // UTF-16 text (a byte order mark, or every other byte NUL)
    kPathNotUtf8,    // its path (its folder's) is not UTF-8, so it cannot be named again
    kNotUtf8,        // bytes that are not UTF-8
    kCarriageReturn, // a carriage return inside a line (old Mac line ends)
    kMalformed,      // neither [program] nor name = value
    kNoName,         // a value without a name
    kNoPathSource,   // the footprint search cannot read a project's search path
};

// What a path names that is not a file, for kNotAFile.
enum class EFileType : quint8
{
    kUnknown,
    kFolder,
    kFifo,
    kDevice,
    kSocket,
};

struct PELLIUM_EXPORT CFileFault
{
    EFileFault eKind = EFileFault::kNone;
    QString strFile = {}; // as named; empty for a project not named
    int nLine = 0;        // the first bad line, 0 when the file as a whole is at fault
    qint64 nLimit = 0;
    QString strSystem = {};
    int nErrno = 0; // the system's error behind strSystem, 0 when none
    EFileType eType = EFileType::kUnknown;

    // Whether the file could not be reached or read, as opposed to what it holds.
    bool IsAccessFault() const
    {
        return eKind == EFileFault::kCannotOpen || eKind == EFileFault::kCannotRead ||
               eKind == EFileFault::kUnreadable;
    }

    explicit operator bool() const { return eKind != EFileFault::kNone; }
    // What is wrong, without the file: "not a file".
    QString Reason(TextFn fnText = nullptr) const;
    // "FILE:LINE: what is wrong", or "FILE: what is wrong" without a line.
    QString Describe(TextFn fnText = nullptr) const;
};
