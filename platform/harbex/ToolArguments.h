// SPDX-License-Identifier: MIT
#pragma once

#include "harbex/HarbexExport.h"

#include <QString>
#include <QStringList>

// Splits a tool's argument text into words the way a command line is read,
// never through a shell: blanks and tabs separate words; a double quote
// starts or ends a group in which blanks are kept, and disappears (a group
// of nothing gives an empty word). Backslashes are plain characters except
// right before a double quote: 2n backslashes and a quote give n
// backslashes and a group boundary, 2n+1 give n backslashes and a quote.
HARBEX_EXPORT QStringList SplitToolArguments(const QString& strArgs);

// Encloses a text in double quotes so that SplitToolArguments gives it back
// as one word, whole. A text without double quotes and without a trailing
// backslash is only enclosed: "C:\lib\a b.dra" stays as it reads.
HARBEX_EXPORT QString QuoteToolArgument(const QString& strArg);
