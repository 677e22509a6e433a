// SPDX-License-Identifier: MIT
#pragma once

// What a footprint search tells as it goes: the folders it skipped and why,
// the files it left out, the progress. The library's own; not installed.

#include "pellium/Footprint.h"

#include <QSet>
#include <QString>

namespace pellium
{
// Writes into the report and the set of skipped folders of the search it is
// made for (borrowed), which keeps them until DeleteFootprintList.
class CSearchNotes
{
public:
    CSearchNotes(CSearchReport& report, QSet<QString>& skippedFolders,
                 const ListingProgressFn& fnProgress)
        : m_report(report), m_skippedFolders(skippedFolders), m_fnProgress(fnProgress)
    {
    }

    // A folder that was not searched, noted once however often it is met.
    void Skip(const QString& strFolder, CFolderFault fault, const QString& strUnexpanded = {},
              const CFolderOrigin& origin = {});
    // The path's folders that cannot be used as they stand: faults found
    // when the path was worked out (values that expand to nothing).
    void SkipEmpty(const CSearchPath& path);
    void NoteHidden(const QString& strFolder, qsizetype nFiles);
    // A path without a single folder, and where it came from.
    void NotePath(const CSearchPath& path);
    // False, with the project's error noted, when the path has one.
    bool NoteProjectError(const CSearchPath& path);
    // False when the progress says stop.
    bool Progress(const CListingProgress& progress) const;

private:
    CSearchReport& m_report;
    QSet<QString>& m_skippedFolders;
    const ListingProgressFn& m_fnProgress;
};
} // namespace pellium
