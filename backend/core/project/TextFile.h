// SPDX-License-Identifier: MIT
#pragma once

#include "core/CoreExport.h"
#include "pellium/FileFault.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace physprops::core
{
// Reads a whole text file that the user named (a project file, a properties
// file, a script). Only a regular file of at most nMaxSize bytes is read: a
// pipe or a device could block for ever or never end. False and the fault
// on error.
PHYSPROPS_CORE_EXPORT bool ReadCheckedTextFile(const QString& strPath, qint64 nMaxSize,
                                               QByteArray& text, CFileFault& fault);
// The same with the fault in English, "PATH: what is wrong".
PHYSPROPS_CORE_EXPORT bool ReadCheckedTextFile(const QString& strPath, qint64 nMaxSize,
                                               QByteArray& text, QString& strError);

// Decodes UTF-8 exactly: false on any byte that is not UTF-8 (a sequence cut
// short at the end included). A U+FEFF that starts the text is kept, since a
// name or value may begin with one (QString::fromUtf8 would drop it).
PHYSPROPS_CORE_EXPORT bool DecodeUtf8(QByteArrayView bytes, QString& strText);

// Whether text is UTF-16: a byte order mark, or its start is ASCII with a
// NUL byte beside each character.
PHYSPROPS_CORE_EXPORT bool LooksUtf16(QByteArrayView text);

// What is wrong with one line of such a file as text (not UTF-8, a NUL
// byte), kNone when nothing is.
PHYSPROPS_CORE_EXPORT EFileFault TextLineFault(QByteArrayView line);
// The same in English, empty when nothing is wrong.
PHYSPROPS_CORE_EXPORT QString CheckTextLine(QByteArrayView line);
} // namespace physprops::core
