#include "ViewFootprint.h"

#include "Launchers.h"
#include "LocationDlg.h"
#include "MessageBox.h"
#include "Modal.h"

#include <QApplication>
#include <QFileInfo>
#include <QPointer>

#include <memory>
#include <vector>

namespace
{
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
    if (Opener())
        return Opener()(strPath);
    return OpenFootprintDrawing(strPath);
}

void ViewFootprintDrawing(const QStringList& names, const QString& strProjectPath,
                          PROPERTY_NAMES nKind)
{
    // Entries live as long as the search that found them, so every search
    // is kept until the pooled hits have been shown and opened.
    std::vector<std::unique_ptr<CFootprint>> searches;
    QList<CFootprintEntry*> pooled;
    {
        CWaitCursor wait;
        for (const QString& strName : names)
        {
            auto pSearch = std::make_unique<CFootprint>();
            pSearch->DeleteFootprintList();
            pSearch->CreateFootprintList(strProjectPath, strName + QStringLiteral(".dra"), nKind,
                                         SEARCH_VIEWING);
            QList<CFootprintEntry*> found;
            pSearch->GetFootprintList(found);
            pooled.append(found);
            searches.push_back(std::move(pSearch));
        }
    }

    // The chooser and the message box have no parent window of ours, so the
    // window the user came from gets the focus back explicitly afterwards.
    const QPointer<QWidget> pCaller = QApplication::activeWindow();
    if (pooled.size() >= 2)
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
        if (!strLocation.isEmpty() && QFileInfo::exists(strLocation))
            OpenFootprintLocation(strLocation);
    }
    else
    {
        AfxMessageBox(QStringLiteral(
            "Footprint can't be viewed as corresponding .dra file not found in the PSMPATH"));
        if (pCaller)
            pCaller->activateWindow();
    }
}
