#pragma once

#include <QString>

class CToolManager;

inline constexpr unsigned kPcbEditorToolId = 62723;
inline constexpr unsigned kSetupEditorToolId = 62724;

// 1 when the request was handed to the tool manager, 0 when refused.
int OpenSetupEditor(QString strProjectPath);
int NewFootprintDrawing();
int OpenFootprintDrawing(QString strPath);
