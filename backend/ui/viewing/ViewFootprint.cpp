#include "viewing/ViewFootprint.h"

#include "viewing/Launchers.h"
#include "viewing/LocationDlg.h"
#include "project/SearchPath.h"
#include "common/MessageBox.h"
#include "common/Modal.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QPointer>

#include <cerrno>

#include <fcntl.h>
#include <unistd.h>

namespace
{
// Why a drawing cannot be read, or an empty text when it can. Never waits:
// a pipe put in the drawing's place must not hang the dialog.
QString UnreadableReason(const QString& strPath)
{
    const int nFd = ::open(QFile::encodeName(strPath).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (nFd < 0)
        return qt_error_string(errno);
    ::close(nFd);
    return {};
}

FootprintOpener& Opener()
{
    static FootprintOpener s_opener;
    return s_opener;
}
} // namespace

FootprintOpener SetFootprintOpener(FootprintOpener opener)
{
    FootprintOpener old = std::move(Opener());
    Opener() = std::move(opener);
    return old;
}

int OpenFootprintLocation(const QString& strPath)
{
    // A drawing the PCB editor could not read would fail out of sight; this
    // serves the single hit, the chooser and a double-click alike.
    if (const QString strReason = UnreadableReason(strPath); !strReason.isEmpty())
    {
        AfxMessageBox(QStringLiteral("The footprint drawing %1 can't be opened: %2").arg(strPath, strReason));
        return 0;
    }
    if (Opener())
        return Opener()(strPath);
    return OpenFootprintDrawing(strPath);
}

void ViewFootprintDrawing(const QStringList& names, const QString& strProjectPath,
                          PROPERTY_NAMES nKind)
{
    // One search for every name: the path is read once, not once per name.
    // Its entries stay valid until it ends with this function.
    CFootprint search(ProjectSearchPath);
    QList<CFootprintEntry*> pooled;
    {
        CWaitCursor wait;
        QStringList files;
        files.reserve(names.size());
        for (const QString& strName : names)
            files.append(strName + QStringLiteral(".dra"));
        search.DeleteFootprintList();
        search.CreateFootprintList(strProjectPath, files, nKind);
        search.GetFootprintList(pooled);
    }
    const CSearchReport& report = search.Report();

    // The chooser and the message box have no parent window of ours, so the
    // window the user came from gets the focus back explicitly afterwards.
    const QPointer<QWidget> pCaller = QApplication::activeWindow();
    const auto tell = [&pCaller](const QString& strText) {
        AfxMessageBox(strText);
        if (pCaller)
            pCaller->activateWindow();
    };
    if (!report.strProjectError.isEmpty())
        tell(report.ProjectErrorText());
    else if (pooled.size() >= 2)
    {
        {
            CLocationDlg chooser(&pooled);
            chooser.DoModal();
        }
        if (pCaller)
            pCaller->activateWindow();
    }
    else if (pooled.size() == 1)
    {
        // Only the file's existence decides; "Not Found" names no file.
        const QString strLocation = pooled.front() ? pooled.front()->GetLocation() : QString();
        if (strLocation.isEmpty() || !QFileInfo::exists(strLocation))
            return;
        // A refusal has said why in a message box; the user goes on where they were.
        if (OpenFootprintLocation(strLocation) == 0 && pCaller)
            pCaller->activateWindow();
    }
    else
        tell(QStringLiteral(
                 "Footprint can't be viewed as corresponding .dra file not found in the PSMPATH") +
             report.SkippedText());
}
