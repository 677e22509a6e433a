// SPDX-License-Identifier: MIT
#include "viewing/Launchers.h"
#include "viewing/EditorDelivery.h"

#include <optional>

using physprops::core::CLaunchRequest;
using physprops::core::NewDrawingRequest;
using physprops::core::OpenDrawingRequest;
using physprops::core::SetupEditorRequest;
using physprops::ui::CEditorDelivery;
using physprops::ui::CLaunchers;
using physprops::ui::CServices;

namespace
{
int Launch(const CLaunchRequest& request, const CServices& services)
{
    // No tool manager: refused before anything of the session is touched.
    if (!services.ToolManager())
        return 0;
    return CEditorDelivery::ForSession(ipqc::CurrentSession()).Launch(request, services);
}
} // namespace

int OpenSetupEditor(QString strProjectPath)
{
    return CLaunchers(CServices::Default()).OpenSetupEditor(strProjectPath);
}

int NewFootprintDrawing()
{
    return CLaunchers(CServices::Default()).NewFootprintDrawing();
}

int OpenFootprintDrawing(QString strPath)
{
    return CLaunchers(CServices::Default()).OpenFootprintDrawing(strPath);
}

namespace physprops::ui
{
int CLaunchers::OpenSetupEditor(const QString& strProjectPath) const
{
    return Launch(SetupEditorRequest(strProjectPath), m_services);
}

int CLaunchers::NewFootprintDrawing() const
{
    return Launch(NewDrawingRequest(), m_services);
}

int CLaunchers::OpenFootprintDrawing(const QString& strPath) const
{
    const std::optional<CLaunchRequest> request = OpenDrawingRequest(strPath);
    return request ? Launch(*request, m_services) : 0;
}
} // namespace physprops::ui
