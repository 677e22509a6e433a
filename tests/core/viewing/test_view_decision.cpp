#include "viewing/ViewDecision.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace
{
const QString kNotFound =
    QStringLiteral("Footprint can't be viewed as corresponding .dra file not found in the PSMPATH");
}

TEST(DecideView, projectErrorThenChooserThenTheOneFileThenNotFound)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString strFile = dir.filePath(QStringLiteral("SOIC8.dra"));
    QFile file(strFile);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    const QString strGone = dir.filePath(QStringLiteral("GONE.dra"));

    const struct
    {
        const char* pszWhat;
        QString strProjectError;
        QStringList locations;
        CViewDecision::EAction nAction;
        QString strText;
    } cases[] = {
        {"broken project", "cannot read", {strFile}, CViewDecision::kTell, "cannot read"},
        {"several hits", {}, {strGone, strFile}, CViewDecision::kChoose, {}},
        {"one file", {}, {strFile}, CViewDecision::kOpen, strFile},
        {"one missing file", {}, {strGone}, CViewDecision::kNothing, {}},
        {"one place without a drawing",
         {},
         {QStringLiteral("Not Found")},
         CViewDecision::kNothing,
         {}},
        {"one null entry", {}, {QString()}, CViewDecision::kNothing, {}},
        {"nothing", {}, {}, CViewDecision::kTell, kNotFound + "\nskipped"},
    };
    for (const auto& c : cases)
    {
        const CViewDecision decision = DecideView(c.strProjectError, c.locations, "\nskipped");
        EXPECT_EQ(decision.m_nAction, c.nAction) << c.pszWhat;
        EXPECT_EQ(decision.m_strText, c.strText) << c.pszWhat;
    }
}
