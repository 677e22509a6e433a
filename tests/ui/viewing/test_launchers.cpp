// SPDX-License-Identifier: MIT
#include "FakeServices.h"
#include "MockToolManager.h"
#include "common/Services.h"
#include "entry/BackEndMain.h"
#include "ipqc/IpqChannel.h"
#include "physprops/PhysPropsDlg.h"
#include "project/SpiProject.h"
#include "viewing/Launchers.h"

#include <QFile>
#include <QObject>
#include <QPushButton>
#include <QTemporaryDir>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>

using physprops::ui::CLaunchers;
using physprops::ui::CServices;

using physprops::core::kPcbEditorToolId;
using physprops::core::kSetupEditorToolId;

using ::testing::_;
using ::testing::InSequence;
using ::testing::IsNull;
using ::testing::MockFunction;
using ::testing::Return;
using ::testing::StrictMock;

namespace
{
struct Launch
{
    const char* pszName;
    std::function<int(const CServices&)> call;
    unsigned nId;
    QString strProgram;
    QString strArgs;    // argument text when the tool is started
    QByteArray message; // what a running tool is sent; empty: nothing
};

const QString kSpacedPath = QStringLiteral("C:\\lib\\a b.dra");
const QString kForgingPath = QStringLiteral("/lib/a\"b\nInput new unnamed.dra");
const QString kLongPath = QStringLiteral("/lib/") + QString(3000, u'x') + QStringLiteral(".dra");

std::vector<Launch> Launches()
{
    return {
        {"newDrawing", [](const CServices& s) { return CLaunchers(s).NewFootprintDrawing(); },
         kPcbEditorToolId, "brdedit", "", "Input new unnamed.dra"},
        {"openPathWithBlanks",
         [](const CServices& s) { return CLaunchers(s).OpenFootprintDrawing(kSpacedPath); },
         kPcbEditorToolId, "brdedit", "\"C:\\lib\\a b.dra\"", "Input open \"C:\\lib\\a b.dra\""},
        {"openPathWithQuoteAndNewline",
         [](const CServices& s) { return CLaunchers(s).OpenFootprintDrawing(kForgingPath); },
         kPcbEditorToolId, "brdedit", "\"/lib/a\\\"b\nInput new unnamed.dra\"",
         "Input open \"/lib/a\"b\nInput new unnamed.dra\""},
        {"openPathEndingInBackslash",
         [](const CServices& s) { return CLaunchers(s).OpenFootprintDrawing("C:\\lib\\"); },
         kPcbEditorToolId, "brdedit", "\"C:\\lib\\\\\"", "Input open \"C:\\lib\\\""},
        {"openPathOfThousandsOfCharacters",
         [](const CServices& s) { return CLaunchers(s).OpenFootprintDrawing(kLongPath); },
         kPcbEditorToolId, "brdedit", QString(u'"' + kLongPath + u'"'),
         QByteArray("Input open \"" + kLongPath.toUtf8() + '"')},
        {"openNonAsciiPath",
         [](const CServices& s)
         { return CLaunchers(s).OpenFootprintDrawing(QStringLiteral("/lib/Stecker_Ü.dra")); },
         kPcbEditorToolId, "brdedit", QStringLiteral("\"/lib/Stecker_Ü.dra\""),
         QStringLiteral("Input open \"/lib/Stecker_Ü.dra\"").toUtf8()},
        {"setupEditor",
         [](const CServices& s) { return CLaunchers(s).OpenSetupEditor("/my projects/demo.ini"); },
         kSetupEditorToolId, "prjsetup", " -proj \"/my projects/demo.ini\"", ""},
        {"setupEditorWithoutPath",
         [](const CServices& s) { return CLaunchers(s).OpenSetupEditor(QString()); },
         kSetupEditorToolId, "prjsetup", " -proj \"\"", ""},
    };
}

class LauncherTest : public ::testing::TestWithParam<Launch>
{
protected:
    void SetUp() override
    {
        m_services.fnToolManager = [this] { return &m_tools; };
        m_services.fnSendMessage = [this](const QByteArray& message)
        { return m_sent.Call(message); };
        m_services.fnMessageBox = [this](const QString& strText, int, int)
        {
            m_boxes.append(strText);
            return 1;
        };
    }
    void TearDown() override
    {
        EXPECT_EQ(m_boxes, QStringList{})
            << "a launch the tool manager took told the user something";
    }

    void ExpectRegisterAndRun(const Launch& l)
    {
        EXPECT_CALL(m_tools, DoRegisterTool(l.nId, l.strProgram, l.strProgram, l.strArgs, IsNull(),
                                            1, 0, 0));
        EXPECT_CALL(m_tools, RunTool(l.nId));
    }

    StrictMock<MockToolManager> m_tools;
    StrictMock<MockFunction<int(const QByteArray&)>> m_sent;
    CBaseTool m_tool{0, "tool", "tool", ""};
    QObject m_window;
    testsupport::CFakeServices m_services;
    QStringList m_boxes;
};

std::string LaunchName(const ::testing::TestParamInfo<Launch>& info)
{
    return info.param.pszName;
}
} // namespace

TEST_P(LauncherTest, registersAndStartsWhenNotRegistered)
{
    const Launch& l = GetParam();
    InSequence order;
    EXPECT_CALL(m_tools, DoFindTool(l.nId)).WillOnce(Return(nullptr));
    ExpectRegisterAndRun(l);
    EXPECT_EQ(l.call(m_services), 1);
}

TEST_P(LauncherTest, bringsRunningToolForwardThenSendsItsCommand)
{
    const Launch& l = GetParam();
    InSequence order;
    EXPECT_CALL(m_tools, DoFindTool(l.nId)).WillOnce(Return(&m_tool));
    EXPECT_CALL(m_tools, DoGetToolWindow(l.nId, 1)).WillOnce(Return(&m_window));
    EXPECT_CALL(m_tools, RunTool(l.nId));
    if (!l.message.isEmpty())
        EXPECT_CALL(m_sent, Call(l.message)).WillOnce(Return(0));
    EXPECT_EQ(l.call(m_services), 1);
}

TEST_P(LauncherTest, replacesStaleRegistration)
{
    const Launch& l = GetParam();
    InSequence order;
    EXPECT_CALL(m_tools, DoFindTool(l.nId)).WillOnce(Return(&m_tool));
    EXPECT_CALL(m_tools, DoGetToolWindow(l.nId, 1)).WillOnce(Return(nullptr));
    EXPECT_CALL(m_tools, DoUnregisterTool(l.nId));
    EXPECT_CALL(m_tools, RemoveTool(l.nId, 1));
    ExpectRegisterAndRun(l);
    EXPECT_EQ(l.call(m_services), 1);
}

TEST_P(LauncherTest, refusedWithoutToolManager)
{
    m_services.fnToolManager = [] { return nullptr; };
    EXPECT_EQ(GetParam().call(m_services), 0);
}

// The launches that send the running tool a command.
class MessagedLauncherTest : public LauncherTest
{
};

TEST_P(MessagedLauncherTest, messageFailureStillCountsAsHandedOver)
{
    const Launch& l = GetParam();
    EXPECT_CALL(m_tools, DoFindTool(l.nId)).WillOnce(Return(&m_tool));
    EXPECT_CALL(m_tools, DoGetToolWindow(l.nId, 1)).WillOnce(Return(&m_window));
    EXPECT_CALL(m_tools, RunTool(l.nId));
    EXPECT_CALL(m_sent, Call(l.message)).WillOnce(Return(-1));
    EXPECT_EQ(l.call(m_services), 1);
}

INSTANTIATE_TEST_SUITE_P(Launchers, LauncherTest, ::testing::ValuesIn(Launches()), LaunchName);

namespace
{
std::vector<Launch> MessagedLaunches()
{
    std::vector<Launch> launches;
    for (const Launch& l : Launches())
        if (!l.message.isEmpty())
            launches.push_back(l);
    return launches;
}
} // namespace
INSTANTIATE_TEST_SUITE_P(Launchers, MessagedLauncherTest, ::testing::ValuesIn(MessagedLaunches()),
                         LaunchName);

class RefusedDrawingTest : public LauncherTest
{
};

TEST_F(RefusedDrawingTest, unusablePathsAreRefusedBeforeAnyCall)
{
    // The strict mocks fail on any call.
    const CLaunchers launchers(m_services);
    EXPECT_EQ(launchers.OpenFootprintDrawing(QString()), 0);
    EXPECT_EQ(launchers.OpenFootprintDrawing(QStringLiteral("")), 0);
    EXPECT_EQ(launchers.OpenFootprintDrawing(QStringLiteral("/lib/a") + QChar(u'\0') +
                                             QStringLiteral("b.dra")),
              0);
    m_services.fnToolManager = [] { return nullptr; };
    EXPECT_EQ(launchers.OpenFootprintDrawing(QString()), 0);
}

TEST_F(RefusedDrawingTest, setupButtonOpensProjectFileOrNoneWithoutProject)
{
    CPropertyArray values;
    CSpiProject project;
    project.m_strProjectPath = QStringLiteral("/work/my project/demo.ini");
    const struct
    {
        CSpiProject* pProject;
        QString strArgs;
    } cases[] = {
        {&project, " -proj \"/work/my project/demo.ini\""},
        {nullptr, " -proj \"\""},
    };
    for (const auto& c : cases)
    {
        CPhysPropsDlg dlg(&values, c.pProject, m_services);
        InSequence order;
        EXPECT_CALL(m_tools, DoFindTool(kSetupEditorToolId)).WillOnce(Return(nullptr));
        EXPECT_CALL(m_tools, DoRegisterTool(kSetupEditorToolId, QString("prjsetup"),
                                            QString("prjsetup"), c.strArgs, IsNull(), 1, 0, 0));
        EXPECT_CALL(m_tools, RunTool(kSetupEditorToolId));
        dlg.findChild<QPushButton*>(QStringLiteral("btnEditorSetup"))->click();
        ::testing::Mock::VerifyAndClearExpectations(&m_tools);
    }
}

TEST_F(RefusedDrawingTest, setupButtonReadsProjectPathAfresh)
{
    CPropertyArray values;
    CSpiProject project;
    CPhysPropsDlg dlg(&values, &project, m_services);
    InSequence order;
    for (const char* pszPath : {"/a/first.ini", "/b/second.ini"})
    {
        project.m_strProjectPath = QString::fromLatin1(pszPath);
        EXPECT_CALL(m_tools, DoFindTool(kSetupEditorToolId)).WillOnce(Return(nullptr));
        EXPECT_CALL(m_tools, DoRegisterTool(kSetupEditorToolId, _, _,
                                            QString(" -proj \"" + project.m_strProjectPath + '"'),
                                            IsNull(), 1, 0, 0));
        EXPECT_CALL(m_tools, RunTool(kSetupEditorToolId));
        dlg.findChild<QPushButton*>(QStringLiteral("btnEditorSetup"))->click();
    }
}

TEST(MissingCompanion, eachLauncherNamesTheProgramAndTheFoldersItWasLookedFor)
{
    QTemporaryDir bin;
    QTemporaryDir other;
    ASSERT_TRUE(bin.isValid() && other.isValid());
    const QString strFolders = bin.path() + ", " + other.path();
    const QString strInstall = "\nInstall it, or add its folder to PATH.";
    // A file of the editor's name that the system cannot run.
    QTemporaryDir broken;
    QFile garbage(broken.filePath("brdedit"));
    ASSERT_TRUE(garbage.open(QIODevice::WriteOnly));
    garbage.write(QByteArray(64, '\x7f'));
    garbage.close();
    garbage.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    const struct
    {
        const char* pszWhat;
        QStringList folders;
        std::function<int(const CServices&)> call;
        QString strBox;
    } cases[] = {
        {"view",
         {bin.path(), other.path()},
         [](const CServices& s) { return CLaunchers(s).OpenFootprintDrawing("/lib/a.dra"); },
         "Cannot start the PCB editor: the program \"brdedit\" was not found.\nLooked in: " +
             strFolders + strInstall},
        {"new drawing",
         {bin.path(), other.path()},
         [](const CServices& s) { return CLaunchers(s).NewFootprintDrawing(); },
         "Cannot start the PCB editor: the program \"brdedit\" was not found.\nLooked in: " +
             strFolders + strInstall},
        {"setup",
         {bin.path(), other.path()},
         [](const CServices& s) { return CLaunchers(s).OpenSetupEditor("/p/demo.ini"); },
         "Cannot start the project setup editor: the program \"prjsetup\" was not found.\n"
         "Looked in: " +
             strFolders + strInstall},
        {"no folders",
         {},
         [](const CServices& s) { return CLaunchers(s).NewFootprintDrawing(); },
         "Cannot start the PCB editor: the program \"brdedit\" was not found.\n"
         "Looked in: no folder (PATH is empty)" +
             strInstall},
        {"cannot run",
         {broken.path()},
         [](const CServices& s) { return CLaunchers(s).NewFootprintDrawing(); },
         "Cannot start the PCB editor \"" + broken.filePath("brdedit") + "\": Exec format error."},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.pszWhat);
        CToolManager tools;
        tools.SetErrorHandler([](const QString&) {});
        tools.SetSearchFolders(c.folders);
        QStringList boxes;
        testsupport::CFakeServices services;
        services.fnToolManager = [&tools] { return &tools; };
        services.fnMessageBox = [&boxes](const QString& strText, int nType, int nHelp)
        {
            EXPECT_EQ(nType, 0);
            EXPECT_EQ(nHelp, 0);
            boxes.append(strText);
            return 1;
        };
        // The second time over the stale registration.
        EXPECT_EQ(c.call(services), 1);
        EXPECT_EQ(c.call(services), 1);
        EXPECT_EQ(boxes, (QStringList{c.strBox, c.strBox}));
    }
}
