#include "BackEndMain.h"

void CBackEndMain::SetValues(CPropertyArray* pValues, CSpiProject* pProject)
{
    m_pValues = pValues;
    m_pProject = pProject;
    if (!pProject)
        return;
    // Joining the project's message session follows here.
}
