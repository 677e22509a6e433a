// SPDX-License-Identifier: MIT
#include "TestSupport.h"
#include "zorvcommon/zorvcommon.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <cstdlib>

TEST(InstallRoot, isThePrefixAboveTheLibraryWhateverTheCurrentFolder)
{
    const QString strBefore = QDir::currentPath();
    QDir::setCurrent(QDir::tempPath());
    char* pszRoot = zorvGetInstallRoot();
    QDir::setCurrent(strBefore);
    ASSERT_NE(pszRoot, nullptr);
    const QString strRoot = QFile::decodeName(pszRoot);
    std::free(pszRoot);

    EXPECT_FALSE(strRoot.endsWith(u'/'));
    EXPECT_EQ(strRoot, QFileInfo(testsupport::BinaryPath(QString())).canonicalFilePath());
    EXPECT_TRUE(QFileInfo(strRoot + QStringLiteral("/lib/libphysprops-zorvcommon.so")).exists());
    EXPECT_TRUE(QFileInfo(strRoot + QStringLiteral("/bin/brdedit")).isExecutable());
}
