// SPDX-License-Identifier: MIT
#pragma once

#include "FakeServices.h"
#include "common/Services.h"
#include "project/Session.h"
#include "project/SpiProject.h"

#include <gtest/gtest.h>

#include <vector>

// Keeps the process-wide option list as it was, so that a test may change
// it freely; the login and host names come from m_services.
class SessionFixture : public ::testing::Test
{
protected:
    SessionFixture() : m_savedOptions(physprops::core::ProcessOptions())
    {
        // A plain program name, whatever the test binary was started with.
        physprops::core::ProcessOptions() = QStringList{QStringLiteral("physprops")};
        m_services.core.m_fnLoginName = [] { return QStringLiteral("lab user"); };
        m_services.core.m_fnHostName = [] { return QStringLiteral("bench-host"); };
    }
    ~SessionFixture() override { physprops::core::ProcessOptions() = m_savedOptions; }

    static void FillGlobal(CSpiProject& project, const QString& strSession)
    {
        CSpiProgram* pGlobal = project.AddProgram(QStringLiteral("Global"));
        if (!strSession.isNull())
            CSpiProject::AddValue(pGlobal, QStringLiteral("session_name"), strSession);
        CSpiProject::AddValue(pGlobal, QStringLiteral("psmpath"), QStringLiteral("symbols"));
    }

    static std::vector<std::string> Words(int nArgc, char** ppArgv)
    {
        std::vector<std::string> words;
        for (int i = 0; i < nArgc; ++i)
            words.emplace_back(ppArgv[i]);
        EXPECT_EQ(ppArgv[nArgc], nullptr);
        return words;
    }

    testsupport::CFakeServices m_services;

private:
    QStringList m_savedOptions;
};
