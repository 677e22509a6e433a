// SPDX-License-Identifier: MIT
#pragma once

#include "core/CoreExport.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace physprops::core
{
inline constexpr unsigned kPcbEditorToolId = 62723;
inline constexpr unsigned kSetupEditorToolId = 62724;

// The companion programs, as the user knows them; the ui names them.
enum class ECompanion
{
    kPcbEditor,
    kSetupEditor,
};

// One launch of a companion program: the tool, what to start it with, and
// what to tell it when it already runs.
struct PHYSPROPS_CORE_EXPORT CLaunchRequest
{
    unsigned m_nToolId = 0;
    QString m_strProgram;
    ECompanion m_eWhat = ECompanion::kPcbEditor;
    QString m_strArgs; // the argument text it is started with
    // Sent after "Input" to a running tool; null: only bring it forward.
    QString m_strCommand;
};

// The project setup editor on a project file (none without one).
PHYSPROPS_CORE_EXPORT CLaunchRequest SetupEditorRequest(const QString& strProjectPath);
// The PCB editor on a new, unnamed drawing.
PHYSPROPS_CORE_EXPORT CLaunchRequest NewDrawingRequest();
// The PCB editor on a drawing; none for an empty path or one holding a NUL
// character, which would cut the message short and names no file.
PHYSPROPS_CORE_EXPORT std::optional<CLaunchRequest> OpenDrawingRequest(const QString& strPath);

// The argument text that starts the PCB editor on what a message to the
// running editor ("Input ...") asks of it; empty for anything else.
PHYSPROPS_CORE_EXPORT QString PcbEditorArgsForMessage(const QByteArray& message);
} // namespace physprops::core
