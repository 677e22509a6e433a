// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QtGlobal>

#include <cstdio>

namespace bench
{
// The offscreen platform says on every dialog shown that it does without
// size hints; that would bury the results.
inline void QuietOffscreen(QtMsgType type, const QMessageLogContext& context,
                           const QString& strMessage)
{
    if (strMessage.contains(u"propagateSizeHints"))
        return;
    std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, strMessage)));
}
} // namespace bench
