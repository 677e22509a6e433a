// SPDX-License-Identifier: MIT
#include "entry/BackEndMain.h"
#include "harbex/QuietMessages.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>

#include <gmock/gmock.h>

#include <cstdlib>

int main(int argc, char** argv)
{
    InstallQuietMessageHandler();
    // Dialog tests run without a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir runtimeDir;
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR") && runtimeDir.isValid())
    {
        QFile::setPermissions(runtimeDir.path(),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtimeDir.path()));
    }
    // Companions the tests start log there, not in the developer's home.
    if (qEnvironmentVariableIsEmpty("XDG_STATE_HOME") && runtimeDir.isValid())
        qputenv("XDG_STATE_HOME", QFile::encodeName(runtimeDir.filePath("state")));
    // The tests read the English texts, whatever the developer's language.
    qputenv("LANGUAGE", "en");
    QApplication app(argc, argv);
    // Each test process loads the module as a host does (its start-up runs
    // with the application), also when the test itself calls only the ui.
    if (!classCBackEndMain.m_lpszClassName)
        return 1;
    ::testing::InitGoogleMock(&argc, argv);
    return RUN_ALL_TESTS();
}
