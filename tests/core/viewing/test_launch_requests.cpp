// SPDX-License-Identifier: MIT
#include "viewing/LaunchRequests.h"

#include <gtest/gtest.h>

using physprops::core::CLaunchRequest;
using physprops::core::kPcbEditorToolId;
using physprops::core::kSetupEditorToolId;
using physprops::core::NewDrawingRequest;
using physprops::core::OpenDrawingRequest;
using physprops::core::SetupEditorRequest;

TEST(LaunchRequests, nameTheToolItsArgumentsAndWhatARunningOneIsTold)
{
    const QString strLong = QStringLiteral("/lib/") + QString(3000, u'x') + QStringLiteral(".dra");
    const struct
    {
        const char* pszWhat;
        CLaunchRequest request;
        unsigned nId;
        const char* pszProgram;
        QString strArgs;
        QString strCommand; // null: only brought forward
    } cases[] = {
        {"setup", SetupEditorRequest("/my projects/demo.ini"), kSetupEditorToolId, "prjsetup",
         " -proj \"/my projects/demo.ini\"", QString()},
        {"setup without a project", SetupEditorRequest(QString()), kSetupEditorToolId, "prjsetup",
         " -proj \"\"", QString()},
        {"new drawing", NewDrawingRequest(), kPcbEditorToolId, "brdedit", "", "new unnamed.dra"},
        {"open", *OpenDrawingRequest("C:\\lib\\a b.dra"), kPcbEditorToolId, "brdedit",
         "\"C:\\lib\\a b.dra\"", "open \"C:\\lib\\a b.dra\""},
        {"open a long path", *OpenDrawingRequest(strLong), kPcbEditorToolId, "brdedit",
         u'"' + strLong + u'"', "open \"" + strLong + u'"'},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.pszWhat);
        EXPECT_EQ(c.request.m_nToolId, c.nId);
        EXPECT_EQ(c.request.m_strProgram, QString::fromLatin1(c.pszProgram));
        EXPECT_EQ(c.request.m_strArgs, c.strArgs);
        EXPECT_EQ(c.request.m_strCommand, c.strCommand);
        EXPECT_EQ(c.request.m_strCommand.isNull(), c.strCommand.isNull());
    }
    const QString refused[] = {QString(), QStringLiteral(""), QStringLiteral("/a") + QChar(u'\0')};
    for (const QString& strPath : refused)
        EXPECT_FALSE(OpenDrawingRequest(strPath).has_value());
}
