// SPDX-License-Identifier: MIT
#pragma once

#include "TestSupport.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

namespace testsupport
{
struct HostRun
{
    int nExit = -1;
    QString strOut;
    QString strErr;
};

// Runs the built reference host to its end in this environment.
inline HostRun RunHost(const QStringList& args, const QProcessEnvironment& env)
{
    QProcess proc;
    proc.setProcessEnvironment(env);
    proc.start(BinaryPath(QStringLiteral("bin/physprops")), args);
    EXPECT_TRUE(proc.waitForFinished(60000));
    return {proc.exitCode(), QString::fromUtf8(proc.readAllStandardOutput()),
            QString::fromUtf8(proc.readAllStandardError())};
}

// Runs the built reference host offscreen to its end.
inline HostRun RunHost(const QStringList& args)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    return RunHost(args, env);
}
} // namespace testsupport
