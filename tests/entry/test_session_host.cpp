// SPDX-License-Identifier: MIT
// The built host joins the session its options or its project name.
#include "HostRun.h"
#include "TestSupport.h"
#include "project/Session.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using physprops::core::LoginName;

namespace
{
using testsupport::HostRun;

// The host on the demo project with a walkthrough that only cancels.
HostRun RunHost(const QStringList& args)
{
    QTemporaryDir dir;
    const QString strScript = dir.filePath(QStringLiteral("cancel.txt"));
    QFile file(strScript);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("dialog Physical Properties\npress Cancel\n");
    file.close();

    return testsupport::RunHost(
        QStringList{QStringLiteral("--project"),
                    testsupport::SourcePath(QStringLiteral("examples/demo/demo.ini")),
                    QStringLiteral("--prop"), QStringLiteral("JEDEC_TYPE=SOIC8"),
                    QStringLiteral("--verbose"), QStringLiteral("--script"), strScript} +
        args);
}
} // namespace

TEST(HostSession, printsTheSessionItJoined)
{
    const QString strLogin = LoginName().replace(u' ', u'_');
    ASSERT_FALSE(strLogin.isEmpty());
    const struct
    {
        QStringList args;
        QString strSession;
    } cases[] = {
        {{QStringLiteral("-ipqsession"), QStringLiteral("abc")}, QStringLiteral("abc")},
        {{QStringLiteral("/IPQSESSION"), QStringLiteral("a!b")}, QStringLiteral("a!b")},
        {{}, strLogin + QStringLiteral("_demo")},
        // Last without a value: the empty session, as the option says.
        {{QStringLiteral("-ipqsession")}, QString()},
    };
    for (const auto& c : cases)
    {
        const HostRun r = RunHost(c.args);
        EXPECT_EQ(r.nExit, 1) << r.strErr.toStdString();
        EXPECT_TRUE(r.strErr.contains(QStringLiteral("\nsession: ") + c.strSession + u'\n'))
            << r.strErr.toStdString();
    }
}

TEST(HostSession, anOptionInPlaceOfTheValueIsRefused)
{
    const HostRun r = RunHost({QStringLiteral("-ipqsession"), QStringLiteral("--verbose")});
    EXPECT_EQ(r.nExit, 2);
    EXPECT_TRUE(r.strErr.contains(QStringLiteral("-ipqsession needs a value")))
        << r.strErr.toStdString();
}
