// SPDX-License-Identifier: MIT
#include "MockToolManager.h"
#include "TestSupport.h"
#include "entry/BackEndMain.h"
#include "grid/Grids.h"
#include "physprops/PhysPropsDlg.h"
#include "project/SpiProject.h"
#include "viewing/Launchers.h"

#include <QAbstractButton>
#include <QLibrary>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

using physprops::ui::BackendInstance;
using physprops::ui::GridClassRegistrationCount;
using physprops::ui::GXIsInitialized;
using physprops::ui::IsGridClassRegistered;

using testsupport::FindButton;
using testsupport::MessageRecorder;
using testsupport::WhenModal;

namespace
{
struct OwnedArray
{
    CPropertyArray values;
    ~OwnedArray() { qDeleteAll(values); }
    void Add(const QString& n, const QString& v) { values.append(new CProperty(n, v)); }
    QStringList Dump() const
    {
        QStringList out;
        for (const CProperty* p : values)
            out.append(p ? p->GetName() + u'=' + p->GetValue() : QStringLiteral("<null>"));
        return out;
    }
};

void PressInNextModal(const QString& strButton)
{
    WhenModal(
        [strButton](QWidget* pTop)
        {
            QAbstractButton* pButton = FindButton(pTop, strButton);
            ASSERT_NE(pButton, nullptr) << strButton.toStdString();
            pButton->click();
        });
}
} // namespace

TEST(BackEndMain, startWithoutValuesReturnsMinusOneAndShowsNothing)
{
    MessageRecorder messages;
    std::unique_ptr<QObject> pObject(classCBackEndMain.m_pfnCreateObject());
    auto* pMain = static_cast<CBackEndMain*>(pObject.get());
    EXPECT_EQ(pMain->StartBackEnd(), -1);
    pMain->SetValues(nullptr, nullptr);
    EXPECT_EQ(pMain->StartBackEnd(), -1);
    EXPECT_TRUE(messages.texts.isEmpty());
}

TEST(BackEndMain, classRecordDescribesTheEntryObject)
{
    EXPECT_STREQ(classCBackEndMain.m_lpszClassName, "CBackEndMain");
    EXPECT_EQ(classCBackEndMain.m_wSchema, 0xFFFFu);
    EXPECT_EQ(classCBackEndMain.m_nObjectSize, int(sizeof(CBackEndMain)));
    ASSERT_NE(classCBackEndMain.m_pBaseClass, nullptr);
    EXPECT_STREQ(classCBackEndMain.m_pBaseClass->m_lpszClassName, "CDocument");
    CBackEndMain main;
    EXPECT_EQ(main.GetRuntimeClass(), &classCBackEndMain);
    EXPECT_EQ(CBackEndMain::GetThisClass(), &classCBackEndMain);
    EXPECT_EQ(main.m_pValues, nullptr);
    EXPECT_EQ(main.m_pProject, nullptr);
}

TEST(BackEndMain, moduleFileExportsTheClassRecord)
{
    QLibrary lib(testsupport::BinaryPath(QStringLiteral("lib/libphysprops_backend.so")));
    ASSERT_TRUE(lib.load()) << lib.errorString().toStdString();
    const auto* pClass = reinterpret_cast<const CRuntimeClass*>(lib.resolve("classCBackEndMain"));
    ASSERT_NE(pClass, nullptr);
    std::unique_ptr<QObject> pObject(pClass->m_pfnCreateObject());
    ASSERT_NE(pObject, nullptr);
    EXPECT_EQ(static_cast<CBackEndMain*>(pObject.get())->StartBackEnd(), -1);
}

TEST(BackEndMain, moduleStartRegistersTheThreeGridClassesOnce)
{
    EXPECT_TRUE(CBackendApp::Instance().IsInitialized());
    EXPECT_TRUE(GXIsInitialized());
    for (const char* pszName : {"CLocGrid", "CSymbolGrid", "CPhysPropsGrid"})
    {
        EXPECT_TRUE(IsGridClassRegistered(BackendInstance(), pszName)) << pszName;
        EXPECT_EQ(GridClassRegistrationCount(pszName), 1) << pszName;
    }
    CBackendApp::Instance().InitInstance();
    EXPECT_EQ(GridClassRegistrationCount("CPhysPropsGrid"), 1);
}

TEST(BackEndMain, toolManagerSetOnOneObjectServesAllAndOutlivesIt)
{
    MockToolManager tools;
    CToolManager* pBefore = g_pToolManager;
    {
        CBackEndMain first;
        EXPECT_EQ(first.SetToolObject(&tools), 1);
    }
    EXPECT_EQ(g_pToolManager, &tools);
    CBackEndMain second;
    EXPECT_EQ(second.SetToolObject(nullptr), 0);
    EXPECT_EQ(g_pToolManager, &tools);
    g_pToolManager = pBefore;
}

TEST(BackEndMain, setProjectFileOnlyRemembersThePath)
{
    CBackEndMain main;
    main.SetProjectFile(QStringLiteral("/p/a b.ini"));
    EXPECT_EQ(g_strProjectFile, QStringLiteral("/p/a b.ini"));
    EXPECT_EQ(main.m_pProject, nullptr);
}

struct CloseCase
{
    const char* pszName;
    std::function<void(QWidget*)> close;
    int nExpected;
};

class StartBackEndClose : public ::testing::TestWithParam<int>
{
};

TEST_P(StartBackEndClose, resultAndWriteBackFollowTheWayTheDialogCloses)
{
    const std::vector<CloseCase> cases = {
        {"OK", [](QWidget* p) { FindButton(p, QStringLiteral("OK"))->click(); }, 1},
        {"Cancel", [](QWidget* p) { FindButton(p, QStringLiteral("Cancel"))->click(); }, 2},
        {"close box", [](QWidget* p) { p->close(); }, 2},
        {"Escape", [](QWidget* p) { QTest::keyClick(p, Qt::Key_Escape); }, 2},
    };
    const CloseCase& c = cases[std::size_t(GetParam())];
    OwnedArray a;
    a.Add(QStringLiteral("JEDEC_TYPE"), QStringLiteral("SOIC8"));
    a.values.append(nullptr);
    a.Add(QStringLiteral("ALT_SYMBOLS"), QStringLiteral("(A)"));
    const QStringList before = a.Dump();

    CBackEndMain main;
    main.SetValues(&a.values, nullptr); // no project: the dialog still runs
    WhenModal(
        [&](QWidget* pTop)
        {
            // Clear before any click acts on row 1.
            FindButton(pTop, QStringLiteral("Clear"))->click();
            c.close(pTop);
        });
    EXPECT_EQ(main.StartBackEnd(), c.nExpected) << c.pszName;
    if (c.nExpected == 1)
        EXPECT_EQ(a.Dump(), (QStringList{QStringLiteral("JEDEC_TYPE="), QStringLiteral("<null>"),
                                         QStringLiteral("ALT_SYMBOLS=(A)")}));
    else
        EXPECT_EQ(a.Dump(), before) << c.pszName;
}

INSTANTIATE_TEST_SUITE_P(Closing, StartBackEndClose, ::testing::Range(0, 4));

TEST(BackEndMain, eachStartRunsAFreshDialogOnTheSameArray)
{
    OwnedArray a;
    a.Add(QStringLiteral("JEDEC_TYPE"), QStringLiteral("SOIC8"));
    CBackEndMain main;
    main.SetValues(&a.values, nullptr);
    PressInNextModal(QStringLiteral("Cancel"));
    EXPECT_EQ(main.StartBackEnd(), 2);
    PressInNextModal(QStringLiteral("OK"));
    EXPECT_EQ(main.StartBackEnd(), 1);
    EXPECT_EQ(a.values[0]->GetValue(), QStringLiteral("SOIC8"));
}
