#include "TestSupport.h"

#include "BackEndDlg1.h"
#include "BackEndDlg2.h"
#include "Grids.h"
#include "PhysPropsDlg.h"
#include "Property.h"

#include <QAbstractButton>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace
{
// The part's properties, owned here as the host owns them.
struct Part
{
    Part()
    {
        for (const auto& [pszName, pszValue] : {std::pair{"JEDEC_TYPE", "SOIC8"},
                                                std::pair{"ALT_SYMBOLS", "(Top:SOIC8)"},
                                                std::pair{"DESCRIPTION", "8 pins"}})
            values.append(new CProperty(QString::fromUtf8(pszName), QString::fromUtf8(pszValue)));
        values.append(nullptr);
    }
    ~Part() { qDeleteAll(values); }
    CPropertyArray values;
};

// A footprint folder on PSMPATH, the search path used without a project.
class FootprintTree
{
public:
    explicit FootprintTree(std::initializer_list<const char*> files)
        : m_strOldPath(qEnvironmentVariable("PSMPATH")), m_bHadPath(qEnvironmentVariableIsSet("PSMPATH"))
    {
        for (const char* pszFile : files)
        {
            QFile file(QDir(m_dir.path()).filePath(QString::fromUtf8(pszFile)));
            EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        }
        qputenv("PSMPATH", QFile::encodeName(m_dir.path()));
    }
    ~FootprintTree()
    {
        if (m_bHadPath)
            qputenv("PSMPATH", m_strOldPath.toLocal8Bit());
        else
            qunsetenv("PSMPATH");
    }

private:
    QTemporaryDir m_dir;
    QString m_strOldPath;
    bool m_bHadPath;
};

// The dialog with its values, row nRow remembered.
struct Props
{
    explicit Props(quint32 nRow) : dlg(&part.values, nullptr)
    {
        EXPECT_TRUE(dlg.InitDialog());
        dlg.Grid()->SetCurrentCell(nRow, 1);
    }
    QString Value(quint32 nRow) const { return dlg.Grid()->GetValueRowCol(nRow, 2); }
    Part part;
    CPhysPropsDlg dlg;
};

// Whether the footprint search of this build finds files at all.
bool SearchFindsFootprints()
{
    FootprintTree tree{"PROBE.psm"};
    CFootprint search;
    search.CreateFootprintList(QString(), QStringLiteral(".psm"), PROP_JEDEC_TYPE, SEARCH_LISTING);
    QList<CFootprintEntry*> found;
    search.GetFootprintList(found);
    return !found.isEmpty();
}

TEST(Browse, withoutFootprintsSaysSoAndOpensNoDialog)
{
    FootprintTree tree{"README.txt"};
    testsupport::MessageRecorder messages;
    Props props(1);
    props.dlg.OnBrowse();
    EXPECT_EQ(messages.texts, QStringList{QStringLiteral("No .psm files found for the footprints")});
    EXPECT_EQ(props.Value(1), u"SOIC8");
}

TEST(Browse, onARowWithoutAPropertyDoesNothing)
{
    testsupport::MessageRecorder messages;
    Props props(4);
    props.dlg.OnBrowse();
    EXPECT_TRUE(messages.texts.isEmpty());
}

struct BrowseCase
{
    quint32 nRow;
    bool bSingle;
    const char* pszAfterOk;
};

TEST(Browse, opensTheDialogThePropertyNeedsAndTakesItsResult)
{
    if (!SearchFindsFootprints())
        GTEST_SKIP() << "the footprint search finds nothing in this build";
    FootprintTree tree{"DIP8.psm", "DIP8.dra", "QFP44.dra", "SOIC14.psm"};
    const BrowseCase cases[] = {
        {1, true, "DIP8"},
        {2, false, "(DIP8)"},
        {3, false, "(DIP8)"},
    };
    for (const BrowseCase& c : cases)
    {
        Props props(c.nRow);
        bool bSingle = false;
        int nRows = 0;
        testsupport::WhenModal([&](QWidget* pDialog) {
            bSingle = qobject_cast<CBackEndDlg1*>(pDialog) != nullptr;
            EXPECT_EQ(pDialog->windowTitle(), u"Footprints");
            if (auto* pSelect = qobject_cast<CFootprintSelectDlg*>(pDialog))
                nRows = pSelect->Grid()->model()->rowCount();
            testsupport::FindButton(pDialog, QStringLiteral("OK"))->click();
        });
        props.dlg.OnBrowse();
        EXPECT_EQ(bSingle, c.bSingle) << "row " << c.nRow;
        EXPECT_EQ(nRows, 3);
        EXPECT_EQ(props.Value(c.nRow), QString::fromUtf8(c.pszAfterOk)) << "row " << c.nRow;
    }
}

TEST(Browse, cancelKeepsTheValueAndASecondBrowseStartsAFreshList)
{
    if (!SearchFindsFootprints())
        GTEST_SKIP() << "the footprint search finds nothing in this build";
    FootprintTree tree{"DIP8.psm", "QFP44.dra"};
    Props props(2);
    for (int nRun = 0; nRun < 2; ++nRun)
    {
        int nRows = 0;
        testsupport::WhenModal([&](QWidget* pDialog) {
            nRows = qobject_cast<CFootprintSelectDlg*>(pDialog)->Grid()->model()->rowCount();
            testsupport::FindButton(pDialog, QStringLiteral("Cancel"))->click();
        });
        props.dlg.OnBrowse();
        EXPECT_EQ(nRows, 2) << "browse " << nRun + 1;
        EXPECT_EQ(props.Value(2), u"(Top:SOIC8)");
    }
}
} // namespace
