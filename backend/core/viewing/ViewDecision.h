#pragma once

#include "core/CoreExport.h"

#include <QString>
#include <QStringList>

// What the viewing flow does with the places a drawing search found.
struct PHYSPROPS_CORE_EXPORT CViewDecision
{
    enum EAction
    {
        kNothing, // the one hit names no file: nothing to open, nothing to say
        kTell,    // m_strText is the message for the user
        kOpen,    // m_strText is the drawing to open
        kChoose,  // several places: the user chooses in the "Location" chooser
    };
    EAction m_nAction = kNothing;
    QString m_strText;
};

// strProjectError: the message when the project file cannot be read (the
// search then found nothing), else empty. locations: one per hit, in order.
// strSkipped: what to add after the "not found" message (skipped folders).
PHYSPROPS_CORE_EXPORT CViewDecision DecideView(const QString& strProjectError,
                                               const QStringList& locations,
                                               const QString& strSkipped);

// Whether a found location is a drawing to open: a file that exists now
// ("Not Found" names none).
PHYSPROPS_CORE_EXPORT bool IsOpenableLocation(const QString& strLocation);
