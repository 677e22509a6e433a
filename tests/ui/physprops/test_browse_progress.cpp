#include "TestSupport.h"

#include "footprints/FootprintSelectDlg.h"
#include "grid/Grids.h"
#include "physprops/PhysPropsDlg.h"
#include "properties/Property.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProgressDialog>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

using namespace std::chrono_literals;

namespace
{
// Twenty footprint folders on PSMPATH, each listed slowly: storage that
// answers late, as a busy network share does.
class SlowLibrary
{
public:
    explicit SlowLibrary(std::chrono::milliseconds delay)
    {
        QStringList folders;
        for (int i = 0; i < 20; ++i)
        {
            const QString strFolder = m_dir.filePath(QString::number(i));
            QDir().mkpath(strFolder);
            QFile file(strFolder + QStringLiteral("/F%1.dra").arg(i));
            EXPECT_TRUE(file.open(QIODevice::WriteOnly));
            folders.append(strFolder);
        }
        qputenv("PSMPATH", QFile::encodeName(folders.join(u':')));
        CFolderListings::Tuning tuning = m_old;
        tuning.folderDelay = delay;
        m_old = CFolderListings::SetTuning(tuning);
    }
    ~SlowLibrary()
    {
        CFolderListings::SetTuning(m_old);
        qunsetenv("PSMPATH");
    }

private:
    QTemporaryDir m_dir;
    CFolderListings::Tuning m_old;
};

TEST(BrowseProgress, slowListingShowsProgressAfterAWhileAndCancelLeavesTheDialogAsItWas)
{
    struct Case
    {
        std::chrono::milliseconds delay;
        bool bCancel;
        const char* pszAfter; // the value after Browse
    };
    // Twenty folders are read on two threads.
    const Case cases[] = {{120ms, true, "SOIC8"}, {50ms, false, "F0"}};
    for (const Case& c : cases)
    {
        SlowLibrary library(c.delay);
        CPropertyArray values{new CProperty(QStringLiteral("JEDEC_TYPE"), QStringLiteral("SOIC8")), nullptr};
        CServices services = CServices::Default();
        testsupport::MessageRecorder messages(services);
        CPhysPropsDlg dlg(&values, nullptr, services);
        ASSERT_TRUE(dlg.InitDialog());
        dlg.Grid()->SetCurrentCell(1, 1);

        QElapsedTimer clock;
        qint64 nShownAt = -1, nCancelledAt = -1;
        QStringList labels;
        QTimer watcher;
        watcher.setInterval(5);
        QObject::connect(&watcher, &QTimer::timeout, [&] {
            if (auto* pSelect = qobject_cast<CFootprintSelectDlg*>(QApplication::activeModalWidget()))
            {
                testsupport::FindButton(pSelect, QStringLiteral("OK"))->click();
                return;
            }
            auto* pProgress = dlg.findChild<QProgressDialog*>();
            if (!pProgress || !pProgress->isVisible() || nCancelledAt >= 0)
                return;
            if (nShownAt < 0)
                nShownAt = clock.elapsed();
            if (labels.isEmpty() || labels.last() != pProgress->labelText())
                labels.append(pProgress->labelText());
            if (c.bCancel && labels.size() >= 3)
            {
                nCancelledAt = clock.elapsed();
                testsupport::FindButton(pProgress, QStringLiteral("Cancel"))->click();
            }
        });
        watcher.start();
        clock.start();
        dlg.findChild<QPushButton*>(QStringLiteral("btnBrowse"))->click();
        const qint64 nReturnedAt = clock.elapsed();
        watcher.stop();

        EXPECT_GE(nShownAt, 300) << c.delay.count();
        ASSERT_GE(labels.size(), 2) << c.delay.count();
        EXPECT_TRUE(labels[0].startsWith(u"Reading footprint folders: ")) << labels[0].toStdString();
        EXPECT_TRUE(labels.last().contains(u" of 20\nFootprints found: ")) << labels.last().toStdString();
        if (c.bCancel)
        {
            // Well before the listing's remaining folders could have been read.
            ASSERT_GE(nCancelledAt, 0);
            EXPECT_LT(nReturnedAt - nCancelledAt, 500);
        }
        EXPECT_EQ(dlg.Grid()->GetValueRowCol(1, 2), QString::fromLatin1(c.pszAfter));
        EXPECT_TRUE(messages.texts.isEmpty());
        EXPECT_EQ(dlg.findChild<QProgressDialog*>(), nullptr);
        qDeleteAll(values);
    }
    // A cancelled listing's threads end after the folders under way.
    std::this_thread::sleep_for(400ms);
}
} // namespace
