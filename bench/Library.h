// SPDX-License-Identifier: MIT
#pragma once

#include "pellium/Footprint.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

// Footprint names for the benchmarks: the real names of the shared test data
// when that file is there, scaled up by suffixes, otherwise synthetic names
// of the same families and length. Footprint i of N lives in folder
// i / (N / F), so every folder holds a run of consecutive names.
class CNameSource
{
public:
    // Reads the real names when found; falls back to synthetic ones.
    CNameSource();

    // "kicad" or "synthetic": which names the figures were made with.
    QString Origin() const { return m_strOrigin; }
    // Name of footprint i; unique among the footprints of one folder.
    QString Name(std::size_t i) const;

private:
    QStringList m_base;
    QString m_strOrigin;
};

// An on-disk library: nCount drawing files ("NAME.dra", empty) in nFolders
// folders under strRoot. Made once and reused while its marker file says it
// was completed with the same names.
struct CDiskLibrary
{
    QString strRoot;
    QStringList folders; // absolute paths, in search order
    std::size_t nFiles = 0;
};
CDiskLibrary MakeDiskLibrary(const CNameSource& names, const QString& strBaseDir,
                             std::size_t nCount, std::size_t nFolders);
