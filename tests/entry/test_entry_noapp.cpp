// SPDX-License-Identifier: MIT
#include "entry/BackEndMain.h"

#include <QApplication>
#include <QCoreApplication>
#include <QGuiApplication>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <thread>

// A process that has no QApplication when the host calls StartBackEnd (or
// calls it off the application's thread) gets -1 and a line on standard
// error, never an abort. Its own program: a QApplication, once made, would
// hide the first cases.
namespace
{
int g_argc = 1;
char g_arg0[] = "test_entry_noapp";
char* g_argv[] = {g_arg0, nullptr};
} // namespace

TEST(BackEndMainWithoutApplication, startReturnsMinusOneAndSaysWhy)
{
    struct Case
    {
        const char* pszName;
        std::function<std::unique_ptr<QCoreApplication>()> fnMakeApp;
        bool bOtherThread;
        const char* pszWhy;
    };
    const Case cases[] = {
        {"no application object", [] { return std::unique_ptr<QCoreApplication>(); }, false,
         "needs a QApplication"},
        {"QCoreApplication only", [] { return std::make_unique<QCoreApplication>(g_argc, g_argv); },
         false, "needs a QApplication"},
        {"QGuiApplication only", [] { return std::make_unique<QGuiApplication>(g_argc, g_argv); },
         false, "needs a QApplication"},
        {"QApplication, called from another thread",
         [] { return std::make_unique<QApplication>(g_argc, g_argv); }, true,
         "on the QApplication's thread"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.pszName);
        const std::unique_ptr<QCoreApplication> pApp = c.fnMakeApp();
        CProperty value(QStringLiteral("JEDEC_TYPE"), QStringLiteral("SOIC8"));
        CPropertyArray values{&value};
        std::unique_ptr<QObject> pObject(classCBackEndMain.m_pfnCreateObject());
        auto* pMain = static_cast<CBackEndMain*>(pObject.get());
        pMain->SetValues(&values, nullptr);

        int nResult = 0;
        testing::internal::CaptureStderr();
        if (c.bOtherThread)
            std::thread([&] { nResult = pMain->StartBackEnd(); }).join();
        else
            nResult = pMain->StartBackEnd();
        const std::string strErr = testing::internal::GetCapturedStderr();

        EXPECT_EQ(nResult, -1);
        EXPECT_NE(strErr.find("Backend dialog-box creation failed: "), std::string::npos) << strErr;
        EXPECT_NE(strErr.find(c.pszWhy), std::string::npos) << strErr;
        EXPECT_EQ(value.GetValue(), QStringLiteral("SOIC8"));
    }
}
