// SPDX-License-Identifier: MIT
// A second host of the module for the live session test: sets the values
// with a project (whose own session name is "peer"), prints the session it
// joined, and asks the PCB editor of that session to open the drawing given
// as the last argument. Exit status 0 when the request was delivered.
#include "entry/BackEndMain.h"
#include "ipqc/ipqc.h"
#include "project/Session.h"
#include "project/SpiProject.h"

#include <QApplication>

#include <cstdio>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    if (args.size() < 2)
        return 2;

    CSpiProject project;
    CSpiProject::AddValue(project.AddProgram(QStringLiteral("Global")),
                          QStringLiteral("session_name"), QStringLiteral("peer"));
    CPropertyArray values;
    CBackEndMain main;
    main.SetValues(&values, &project);

    QString strSession;
    FindCommandOption(QStringLiteral("ipqsession"), strSession);
    std::printf("session: %s\n", strSession.toUtf8().constData());
    std::fflush(stdout);

    const QByteArray path = args.last().toUtf8();
    return ipqSend(ipqListN("Input open \"%s\"", path.constData())) == 0 ? 0 : 1;
}
