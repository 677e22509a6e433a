// SPDX-License-Identifier: MIT
#pragma once

#include "ui/UiExport.h"

#include "common/Services.h"
#include "viewing/LaunchRequests.h"

#include <QString>

// Start a companion program through the services' tool manager (the host's
// for the forms without services), or, when it already runs, bring it
// forward (and tell the PCB editor what to do). 1 when the request was
// handed to the tool manager, 0 when refused: no tool manager, or for
// OpenFootprintDrawing an empty path or one holding a NUL character (no
// file is named so). Texts of any length are passed whole. A program the
// tool manager could not start is named in a message box, with the folders
// it was looked for in. A request for the PCB editor never waits and is never
// dropped silently: it waits in the session's outbox until the editor takes
// it (one that another host started, if it listens), and one that cannot be
// delivered is told in a message box, once per fault.
PHYSPROPS_UI_EXPORT int OpenSetupEditor(QString strProjectPath);
PHYSPROPS_UI_EXPORT int NewFootprintDrawing();
PHYSPROPS_UI_EXPORT int OpenFootprintDrawing(QString strPath);

namespace physprops::ui
{
// The same launches through the services given; CEditorDelivery does the work.
class PHYSPROPS_UI_EXPORT CLaunchers
{
public:
    explicit CLaunchers(const CServices& services) : m_services(services) {}

    int OpenSetupEditor(const QString& strProjectPath) const;
    int NewFootprintDrawing() const;
    int OpenFootprintDrawing(const QString& strPath) const;

private:
    const CServices& m_services;
};
} // namespace physprops::ui
