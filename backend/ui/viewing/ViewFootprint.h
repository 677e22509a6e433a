// SPDX-License-Identifier: MIT
#pragma once

#include "ui/UiExport.h"

#include "common/Services.h"
#include "pellium/Footprint.h"

#include <QString>
#include <QStringList>

class QWidget;

// Looks up each name's drawing (name + ".dra") on the project's footprint
// search path and pools the hits: none gives a message, one opens it in the
// PCB editor, several go to the "Location" chooser.
PHYSPROPS_UI_EXPORT void ViewFootprintDrawing(const QStringList& names,
                                              const QString& strProjectPath, PROPERTY_NAMES nKind);

namespace physprops::ui
{
// The same flow through the services given.
class PHYSPROPS_UI_EXPORT CFootprintViewer
{
public:
    explicit CFootprintViewer(const CServices& services) : m_services(services) {}

    void ViewFootprintDrawing(const QStringList& names, const QString& strProjectPath,
                              PROPERTY_NAMES nKind) const;

private:
    const CServices& m_services;
};

// Opens a found location if it names an existing file, for the chooser: a
// drawing that cannot be read is named in a message box; a readable one goes
// to the services' drawing opener, or without one to the PCB editor through
// them. The file is looked at on a search thread, behind the wait cursor and,
// when slow, a progress dialog with Cancel over pParent (null: the active
// modal window). 0 when nothing was opened (Cancel included), else the
// opener's answer.
PHYSPROPS_UI_EXPORT int OpenFootprintLocation(const QString& strLocation, const CServices& services,
                                              QWidget* pParent = nullptr);
} // namespace physprops::ui
