// SPDX-License-Identifier: MIT
#include "viewing/LaunchRequests.h"

#include "harbex/ToolArguments.h"

namespace physprops::core
{
namespace
{
const QString kPcbEditorProgram = QStringLiteral("brdedit");
} // namespace

CLaunchRequest SetupEditorRequest(const QString& strProjectPath)
{
    return {kSetupEditorToolId, QStringLiteral("prjsetup"), ECompanion::kSetupEditor,
            QStringLiteral(" -proj ") + QuoteToolArgument(strProjectPath), QString()};
}

CLaunchRequest NewDrawingRequest()
{
    return {kPcbEditorToolId, kPcbEditorProgram, ECompanion::kPcbEditor, QStringLiteral(""),
            QStringLiteral("new unnamed.dra")};
}

std::optional<CLaunchRequest> OpenDrawingRequest(const QString& strPath)
{
    if (strPath.isEmpty() || strPath.contains(QChar(u'\0')))
        return std::nullopt;
    // Framed by the message library, so the path travels whole whatever it holds.
    return CLaunchRequest{kPcbEditorToolId, kPcbEditorProgram, ECompanion::kPcbEditor,
                          QuoteToolArgument(strPath), QStringLiteral("open \"") + strPath + u'"'};
}

QString PcbEditorArgsForMessage(const QByteArray& message)
{
    const QString strMessage = QString::fromUtf8(message);
    const QString strOpen = QStringLiteral("Input open \"");
    if (strMessage.startsWith(strOpen) && strMessage.endsWith(u'"') &&
        strMessage.size() > strOpen.size() + 1)
        return QuoteToolArgument(
            strMessage.mid(strOpen.size(), strMessage.size() - strOpen.size() - 1));
    return QStringLiteral("");
}
} // namespace physprops::core
