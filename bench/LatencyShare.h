// SPDX-License-Identifier: MIT
#pragma once

// The share benchmark's library and the latency share that serves it
// (physprops_latency_share, bench/latency_share.c).

#include "LatencyShareControl.h"

#include <QString>
#include <QStringList>

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>

namespace bench
{
// A library laid out like the real one: the real folders with their real
// footprint names, each name as NAME.psm and NAME.dra (empty), and a project
// file whose search path lists every folder.
struct CShareLibrary
{
    QString strSource;   // the local folder the share serves
    QString strError;    // why there is none; empty when made
    QStringList folders; // folder names, in search order
    QString strViewName; // a name found in one folder only, the middle one
    std::size_t nNames = 0;
};

// The project file's name in the library's root.
inline QString ShareProjectName()
{
    return QStringLiteral("share.ini");
}

// nFolders folders under strBaseDir: the real ones in order, then again and
// again with "_1", "_2", ... on the folders and their names. Made once and
// reused while its marker file is there.
CShareLibrary MakeShareLibrary(const QString& strBaseDir, std::size_t nFolders);

using CallCounts = std::array<std::uint64_t, kLatencyCallCount>;

// A folder mounted through the latency share while the object lives.
class CLatencyShare
{
public:
    // strDir holds the mount point and the control file.
    CLatencyShare(const QString& strSource, const QString& strDir);
    ~CLatencyShare();
    CLatencyShare(const CLatencyShare&) = delete;
    CLatencyShare& operator=(const CLatencyShare&) = delete;

    // Why nothing is mounted ("no /dev/fuse", ...); empty when mounted.
    const QString& Error() const { return m_strError; }
    const QString& MountPoint() const { return m_strMount; }

    void SetDelay(std::chrono::microseconds delay);
    // The calls answered so far, by kind.
    CallCounts Calls() const;
    static const char* CallName(int nCall);

private:
    QString m_strMount;
    QString m_strError;
    LatencyShareControl* m_pControl = nullptr;
};
} // namespace bench
