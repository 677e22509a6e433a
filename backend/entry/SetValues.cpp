// SPDX-License-Identifier: MIT
#include "common/Services.h"
#include "entry/BackEndMain.h"
#include "ipqc/ipqc.h"
#include "project/Session.h"
#include "project/SpiProject.h"

#include <QCoreApplication>

void CBackEndMain::SetValues(CPropertyArray* pValues, CSpiProject* pProject)
{
    m_pValues = pValues;
    m_pProject = pProject;
    if (!pProject)
        return;

    // The calling host's name starts the message client's command line.
    const QByteArray appName =
        QCoreApplication::instance() ? QCoreApplication::applicationName().toUtf8() : QByteArray();
    int nArgc = 0;
    char** ppArgv = nullptr;
    if (InitMessageSession(*pProject, appName.isNull() ? nullptr : appName.constData(), &nArgc,
                           &ppArgv, m_pServices->m_Core) != 0)
        return;
    ipqcInit(&nArgc, ppArgv);
    // Only the array: the texts stay with the split for the message client.
    delete[] ppArgv;
}
