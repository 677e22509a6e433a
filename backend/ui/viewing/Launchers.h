#pragma once

#include <QString>

class CToolManager;

// The host's tool manager, shared by every entry object of the module.
extern CToolManager* g_pToolManager;

inline constexpr unsigned kPcbEditorToolId = 62723;
inline constexpr unsigned kSetupEditorToolId = 62724;

// Start a companion program through the host's tool manager, or, when it
// already runs, bring it forward (and tell the PCB editor what to do).
// 1 when the request was handed to the tool manager, 0 when refused: no
// tool manager, or for OpenFootprintDrawing an empty path or one holding a
// NUL character (no file is named so). Texts of any length are passed whole.
// A program the tool manager could not start is named in a message box,
// with the folders it was looked for in.
int OpenSetupEditor(QString strProjectPath);
int NewFootprintDrawing();
int OpenFootprintDrawing(QString strPath);
