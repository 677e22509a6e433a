// SPDX-License-Identifier: MIT
#pragma once

// The start the benchmark programs that show dialogs share: a quiet
// offscreen Qt before the application is made, then the data folder and
// Google Benchmark's own flags once it is.

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDir>
#include <QString>
#include <QtGlobal>

#include <cstdio>

namespace bench
{
// The offscreen platform says on every dialog shown that it does without
// size hints; that would bury the results.
inline void QuietOffscreen(QtMsgType type, const QMessageLogContext& context,
                           const QString& strMessage)
{
    if (strMessage.contains(u"propagateSizeHints"))
        return;
    std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, strMessage)));
}

// Before the application is made: offscreen unless a platform was chosen.
inline void StartQuietOffscreen()
{
    qInstallMessageHandler(QuietOffscreen);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}

// Once it is: the data folder (by default bench-data beside the program's
// folder) made, and Google Benchmark's flags taken; false on one it does
// not know.
inline bool StartBenchmark(int& argc, char** argv, QString& strDataDir)
{
    if (strDataDir.isEmpty())
        strDataDir = QDir(QCoreApplication::applicationDirPath())
                         .absoluteFilePath(QStringLiteral("../bench-data"));
    QDir().mkpath(strDataDir);
    benchmark::Initialize(&argc, argv);
    return !benchmark::ReportUnrecognizedArguments(argc, argv);
}
} // namespace bench
