// SPDX-License-Identifier: MIT
#include "properties/AltSymbols.h"
#include "properties/PropertyKind.h"
#include "properties/Value.h"
#include "viewing/ViewDecision.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using physprops::core::CViewDecision;
using physprops::core::DecideView;
using physprops::core::EAltSymbolsFault;
using physprops::core::EViewBlock;
using physprops::core::PropertyKind;
using physprops::core::SplitAltSymbols;
using physprops::core::ViewBlockOf;

TEST(DecideView, projectErrorThenChooserThenTheOneFileThenNotFound)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString strFile = dir.filePath(QStringLiteral("SOIC8.dra"));
    QFile file(strFile);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    const QString strGone = dir.filePath(QStringLiteral("GONE.dra"));

    using A = CViewDecision::EAction;
    using F = CViewDecision::EFault;
    const struct
    {
        const char* pszWhat;
        bool bProjectUnreadable;
        QStringList locations;
        CViewDecision::EAction nAction;
        CViewDecision::EFault eFault;
        QString strLocation;
    } cases[] = {
        {"broken project", true, {strFile}, A::kTell, F::kProjectUnreadable, {}},
        {"broken project, no hit", true, {}, A::kTell, F::kProjectUnreadable, {}},
        {"several hits", false, {strGone, strFile}, A::kChoose, F::kNone, {}},
        {"one file", false, {strFile}, A::kOpen, F::kNone, strFile},
        {"one missing file", false, {strGone}, A::kNothing, F::kNone, {}},
        {"one place without a drawing",
         false,
         {QStringLiteral("Not Found")},
         A::kNothing,
         F::kNone,
         {}},
        {"one null entry", false, {QString()}, A::kNothing, F::kNone, {}},
        {"nothing", false, {}, A::kTell, F::kNotFound, {}},
    };
    for (const auto& c : cases)
    {
        const CViewDecision decision = DecideView(c.bProjectUnreadable, c.locations);
        EXPECT_EQ(decision.m_nAction, c.nAction) << c.pszWhat;
        EXPECT_EQ(decision.m_eFault, c.eFault) << c.pszWhat;
        EXPECT_EQ(decision.m_strLocation, c.strLocation) << c.pszWhat;
    }
}

// Every row on which View would do nothing says why before the press; a
// malformed ALT_SYMBOLS value is not one of them (the press tells the syntax).
TEST(ViewBlockOf, namesTheReasonViewWouldDoNothing)
{
    using B = EViewBlock;
    const struct
    {
        const char* pszName;
        QString strValue;
        EViewBlock nBlock;
    } cases[] = {
        {"JEDEC_TYPE", "SOIC8", B::kCanView},
        {"jedec_type", " \tSOIC8\n", B::kCanView},
        {"JEDEC_TYPE", "()", B::kCanView}, // a footprint may be named so
        {"ALT_SYMBOLS", "(Top:A;B)", B::kCanView},
        {"Alt_Symbols", "  ()x", B::kCanView}, // malformed: the press shows the syntax message
        {"ALT_SYMBOLS", "Top:A", B::kCanView},
        {"ALT_SYMBOLS", "( )", B::kCanView}, // one empty name, searched as such
        {"ALT_SYMBOLS", "(", B::kCanView},
        {"", "SOIC8", B::kNoProperty},
        {"", "", B::kNoProperty},
        {"DESCRIPTION", "SOIC8", B::kOtherProperty},
        {"DESCRIPTION", "", B::kOtherProperty},
        {"JEDEC_TYPE ", "SOIC8", B::kOtherProperty}, // names are compared whole
        {"JEDEC_TYPE", "", B::kEmptyValue},
        {"JEDEC_TYPE", " \t\r\n\u3000", B::kEmptyValue},
        {"ALT_SYMBOLS", "   ", B::kEmptyValue},
        {"ALT_SYMBOLS", "()", B::kNoSymbols},
        {"alt_symbols", " \t() ", B::kNoSymbols},
        {"JEDEC_TYPE", QString(4 << 20, u' ') + u'X', B::kCanView},
    };
    for (const auto& c : cases)
    {
        const QString strName = QString::fromLatin1(c.pszName);
        SCOPED_TRACE(std::string(c.pszName) + " = " + c.strValue.left(40).toStdString());
        EXPECT_EQ(ViewBlockOf(strName, c.strValue), c.nBlock);
        // Blocked ALT_SYMBOLS values are exactly those the split refuses in silence.
        if (PropertyKind(strName) != PROP_ALT_SYMBOLS || c.strValue.trimmed().isEmpty())
            continue;
        QList<CValue*> names;
        const EAltSymbolsFault eFault = SplitAltSymbols(c.strValue.trimmed(), &names);
        qDeleteAll(names);
        EXPECT_EQ(eFault == EAltSymbolsFault::kNoSymbols, c.nBlock == B::kNoSymbols);
    }
}
