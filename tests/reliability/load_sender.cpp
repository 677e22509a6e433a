// SPDX-License-Identifier: MIT
// One host of the load test: its own tool manager and services, sending
// View requests for "/load/<NAME>/<n>.dra" (n = 1..COUNT) through the
// launcher, a few every event-loop turn, then waiting for the editor to take
// them. Prints "lost N" (requests reported undeliverable) and every message
// box as "box: TEXT"; exits 1 when it left a descriptor or a child process
// behind.
#include "FakeServices.h"
#include "common/Services.h"
#include "harbex/ToolManager.h"
#include "ipqc/IpqChannel.h"
#include "ipqc/IpqOutbox.h"
#include "viewing/Launchers.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTimer>

#include <cstdio>
#include <memory>

using physprops::ui::CLaunchers;
using physprops::ui::CServices;

namespace
{
qsizetype OpenDescriptors()
{
    return QDir(QStringLiteral("/proc/self/fd"))
        .entryList(QDir::NoDotAndDotDot | QDir::System)
        .size();
}

// Children of any of this process's threads, ended or not.
QByteArray Children()
{
    QByteArray children;
    for (const QString& strTask :
         QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
    {
        QFile file(QStringLiteral("/proc/self/task/%1/children").arg(strTask));
        if (file.open(QIODevice::ReadOnly))
            children += file.readAll().trimmed();
    }
    return children;
}
} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    if (args.size() != 4)
    {
        std::fputs("usage: load_sender SESSION NAME COUNT\n", stderr);
        return 2;
    }
    const ipqc::SessionAddress addr{args[1], QStringLiteral("loadhost")};
    ipqc::SetCurrentSession(addr);
    // The editors this host starts join the session.
    qputenv(ipqc::kSessionVariable, addr.strSession.toUtf8());
    qputenv(ipqc::kHostVariable, addr.strHost.toUtf8());
    const QString strName = args[2];
    const int nCount = args[3].toInt();

    auto pTools = std::make_unique<CToolManager>();
    pTools->SetErrorHandler([](const QString& s)
                            { std::fprintf(stderr, "tools: %s\n", qPrintable(s)); });
    testsupport::CFakeServices services;
    services.fnToolManager = [&pTools] { return pTools.get(); };
    services.fnMessageBox = [](const QString& strText, int, int)
    {
        std::printf("box: %s\n", qPrintable(QString(strText).replace(u'\n', u' ')));
        std::fflush(stdout);
        return 1;
    };
    const qsizetype nFdsBefore = OpenDescriptors();

    int nSent = 0;
    QTimer pace;
    QObject::connect(&pace, &QTimer::timeout, &app,
                     [&]
                     {
                         for (int i = 0; i < 2 && nSent < nCount; ++i)
                         {
                             ++nSent;
                             CLaunchers(services).OpenFootprintDrawing(
                                 QStringLiteral("/load/%1/%2.dra").arg(strName).arg(nSent));
                         }
                         if (nSent == nCount)
                             app.quit();
                     });
    pace.start(5);
    app.exec();

    const qsizetype nLost = ipqc::COutbox::FlushAll(120000);
    std::printf("lost %lld\n", static_cast<long long>(nLost));
    // The handles on the editors it started go with the tool manager.
    pTools.reset();
    int nStatus = 0;
    if (OpenDescriptors() != nFdsBefore)
    {
        std::printf("descriptors: %lld before, %lld after\n", static_cast<long long>(nFdsBefore),
                    static_cast<long long>(OpenDescriptors()));
        nStatus = 1;
    }
    if (!Children().isEmpty())
    {
        std::printf("children left: %s\n", Children().constData());
        nStatus = 1;
    }
    return nStatus;
}
