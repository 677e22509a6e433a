// SPDX-License-Identifier: MIT
#pragma once

#include "common/Services.h"
#include "pellium/Footprint.h"

#include <QList>
#include <QString>

#include <memory>

class QWidget;

namespace physprops::ui
{
class CFootprintSearchJob;
class CFootprintSelectDlg;

// The Browse flow: lists the .psm and .dra footprints on the project's
// footprint search path and lets the user pick one (JEDEC_TYPE) or several
// with their board sides (any other property) in a "Footprints" dialog.
// Every Browse searches afresh; the list lives as long as its dialog.
class CFootprintBrowser
{
public:
    explicit CFootprintBrowser(const CServices& services) : m_services(services) {}

    // The value picked for a property of the kind given, or an empty text
    // when nothing was: the search was cancelled, found nothing or failed
    // (each but a cancel told in a message box), or the dialog was left
    // without OK. The search's progress shows over pParent.
    QString BrowseFootprints(PROPERTY_NAMES nKind, const QString& strProjectPath,
                             QWidget* pParent) const;

private:
    // The footprints found; false, having said why, when there are none to offer.
    bool Listed(CFootprintSearchJob& job, QList<CFootprintEntry*>& footprints) const;
    // The "Footprints" dialog that the property needs, set up with the
    // footprints (borrowed) and ready to show.
    std::unique_ptr<CFootprintSelectDlg> Chooser(QList<CFootprintEntry*>& footprints,
                                                 PROPERTY_NAMES nKind,
                                                 const QString& strProjectPath,
                                                 const CSearchReport& report) const;

    const CServices& m_services;
};
} // namespace physprops::ui
