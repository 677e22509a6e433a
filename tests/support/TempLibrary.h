// SPDX-License-Identifier: MIT
#pragma once

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace testsupport
{
// A footprint library in a temporary folder, with PSMPATH unset for the
// test and restored after it.
class TempLibraryTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_strRoot = m_dir.path();
        m_strOldPsmPath = qEnvironmentVariable("PSMPATH");
        m_bHadPsmPath = qEnvironmentVariableIsSet("PSMPATH");
        qunsetenv("PSMPATH");
    }
    void TearDown() override
    {
        if (m_bHadPsmPath)
            qputenv("PSMPATH", m_strOldPsmPath.toUtf8());
        else
            qunsetenv("PSMPATH");
    }

    QString Path(const QString& strRelative) const { return m_strRoot + u'/' + strRelative; }

    void Touch(const QString& strRelative)
    {
        const QString strPath = Path(strRelative);
        QDir().mkpath(QFileInfo(strPath).path());
        QFile file(strPath);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << strPath.toStdString();
    }

    QTemporaryDir m_dir;
    QString m_strRoot;
    QString m_strOldPsmPath;
    bool m_bHadPsmPath = false;
};
} // namespace testsupport
