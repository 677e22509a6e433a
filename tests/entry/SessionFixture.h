#pragma once

#include "project/Session.h"
#include "project/SpiProject.h"

#include <gtest/gtest.h>

#include <vector>

// Keeps the process-wide option list and the name sources as they were, so
// that a test may change them freely.
class SessionFixture : public ::testing::Test
{
protected:
    SessionFixture()
        : m_savedOptions(ProcessOptions()),
          m_prevLogin(SetLoginNameSource([] { return QStringLiteral("lab user"); })),
          m_prevHost(SetHostNameSource([] { return QStringLiteral("bench-host"); }))
    {
        // A plain program name, whatever the test binary was started with.
        ProcessOptions() = QStringList{QStringLiteral("physprops")};
    }
    ~SessionFixture() override
    {
        ProcessOptions() = m_savedOptions;
        SetLoginNameSource(m_prevLogin);
        SetHostNameSource(m_prevHost);
    }

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

private:
    QStringList m_savedOptions;
    NameSource m_prevLogin;
    NameSource m_prevHost;
};
