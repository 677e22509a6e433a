// SPDX-License-Identifier: MIT
#include "harbex/QuietMessages.h"

#include <QString>
#include <QtGlobal>

namespace
{
void QuietHandler(QtMsgType type, const QMessageLogContext& context, const QString& strText)
{
    if (strText.contains(QLatin1String("propagateSizeHints")))
        return;
    qt_message_output(type, context, strText);
}
} // namespace

void InstallQuietMessageHandler()
{
    qInstallMessageHandler(QuietHandler);
}
