// SPDX-License-Identifier: MIT
#include "LatencyShare.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSet>

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

namespace bench
{
namespace
{
struct CRealFolder
{
    QString strName;
    QStringList names;
};

// The real library's folders and names, in the order of the names' file
// (tests/data/kicad-footprints.tsv: "folder<TAB>name" a line).
QList<CRealFolder> RealFolders()
{
    QString strPath = qEnvironmentVariable("PHYSPROPS_FOOTPRINT_NAMES");
    if (strPath.isEmpty() || strPath == u"synthetic")
        strPath = QStringLiteral(PHYSPROPS_SOURCE_DIR "/tests/data/kicad-footprints.tsv");
    QFile file(strPath);
    QList<CRealFolder> folders;
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return folders;
    QSet<QString> seen; // case-blind, per folder: one drawing a name
    while (!file.atEnd())
    {
        const QStringList parts = QString::fromUtf8(file.readLine()).trimmed().split(u'\t');
        if (parts.size() != 2 || parts[0].isEmpty() || parts[1].isEmpty() ||
            parts[1].contains(u'/'))
            continue;
        if (folders.isEmpty() || folders.last().strName != parts[0])
            folders.append({parts[0], {}});
        if (!seen.contains(parts[0] + u'/' + parts[1].toUpper()))
        {
            seen.insert(parts[0] + u'/' + parts[1].toUpper());
            folders.last().names.append(parts[1]);
        }
    }
    return folders;
}

bool WriteEmpty(const QString& strPath)
{
    const int fd = open(QFile::encodeName(strPath).constData(),
                        O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    return fd >= 0 && close(fd) == 0;
}

bool WriteFolders(const CShareLibrary& lib, const QList<CRealFolder>& real)
{
    QFile project(lib.strSource + u'/' + ShareProjectName());
    if (!project.open(QIODevice::WriteOnly | QIODevice::Text))
        return false;
    project.write("; The share benchmark's library: every folder, in search order.\n[Global]\n");
    for (qsizetype k = 0; k < lib.folders.size(); ++k)
    {
        const QString strFolder = lib.strSource + u'/' + lib.folders[k];
        const QString strSuffix =
            k < real.size() ? QString() : u'_' + QString::number(k / real.size());
        if (!QDir().mkpath(strFolder))
            return false;
        for (const QString& strName : real[k % real.size()].names)
            if (!WriteEmpty(strFolder + u'/' + strName + strSuffix + QStringLiteral(".psm")) ||
                !WriteEmpty(strFolder + u'/' + strName + strSuffix + QStringLiteral(".dra")))
                return false;
        project.write("psmpath = " + lib.folders[k].toUtf8() + '\n');
    }
    return project.flush();
}
} // namespace

CShareLibrary MakeShareLibrary(const QString& strBaseDir, std::size_t nFolders)
{
    CShareLibrary lib;
    const QList<CRealFolder> real = RealFolders();
    if (real.isEmpty())
    {
        lib.strError = QStringLiteral("no footprint names (tests/data/kicad-footprints.tsv)");
        return lib;
    }
    lib.strSource = QDir(strBaseDir).absoluteFilePath(QStringLiteral("share-%1").arg(nFolders));
    for (std::size_t k = 0; k < nFolders; ++k)
    {
        const CRealFolder& folder = real[qsizetype(k % std::size_t(real.size()))];
        const std::size_t nRound = k / std::size_t(real.size());
        const QString strSuffix = nRound == 0 ? QString() : u'_' + QString::number(nRound);
        lib.folders.append(folder.strName + strSuffix);
        lib.nNames += std::size_t(folder.names.size());
        if (k == nFolders / 2)
            lib.strViewName = folder.names.first() + strSuffix;
    }
    const QString strMarker = lib.strSource + QStringLiteral("/.complete");
    if (QFile::exists(strMarker))
        return lib;
    QDir(lib.strSource).removeRecursively();
    QFile marker(strMarker);
    if (!QDir().mkpath(lib.strSource) || !WriteFolders(lib, real) ||
        !marker.open(QIODevice::WriteOnly))
        lib.strError = QStringLiteral("cannot write the library under %1").arg(strBaseDir);
    return lib;
}

namespace
{
// Unmounts quietly; false when nothing was unmounted.
bool Unmount(const QString& strMount, bool bLazy)
{
    QProcess fusermount;
    fusermount.setProcessChannelMode(QProcess::MergedChannels);
    fusermount.start(QStringLiteral("fusermount3"),
                     {bLazy ? QStringLiteral("-uqz") : QStringLiteral("-uq"), strMount});
    return fusermount.waitForFinished(-1) && fusermount.exitStatus() == QProcess::NormalExit &&
           fusermount.exitCode() == 0;
}

LatencyShareControl* MapControl(const QString& strFile)
{
    const int fd = open(QFile::encodeName(strFile).constData(), O_RDWR | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    void* p = mmap(nullptr, sizeof(LatencyShareControl), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    close(fd);
    auto* pControl = p == MAP_FAILED ? nullptr : static_cast<LatencyShareControl*>(p);
    if (pControl && __atomic_load_n(&pControl->magic, __ATOMIC_ACQUIRE) != LATENCY_SHARE_MAGIC)
    {
        munmap(p, sizeof(LatencyShareControl));
        return nullptr;
    }
    return pControl;
}
} // namespace

CLatencyShare::CLatencyShare(const QString& strSource, const QString& strDir)
    : m_strMount(strDir + QStringLiteral("/mnt"))
{
    const QString strProgram =
        QCoreApplication::applicationDirPath() + QStringLiteral("/physprops_latency_share");
    if (!QFileInfo::exists(QStringLiteral("/dev/fuse")))
    {
        m_strError = QStringLiteral("no /dev/fuse: the share rows are skipped");
        return;
    }
    if (!QFileInfo(strProgram).isExecutable())
    {
        m_strError = QStringLiteral("no %1").arg(strProgram);
        return;
    }
    // A share left mounted by a run that did not end goes first.
    Unmount(m_strMount, true);
    QDir().mkpath(m_strMount);
    const QString strControl = strDir + QStringLiteral("/control");
    QProcess share;
    share.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    share.start(strProgram, {strSource, m_strMount, strControl, QStringLiteral("0")});
    // The program returns once the share is mounted.
    if (!share.waitForFinished(-1) || share.exitStatus() != QProcess::NormalExit ||
        share.exitCode() != 0)
    {
        m_strError = QStringLiteral("the latency share did not mount (fusermount3, fuse3?)");
        return;
    }
    m_pControl = MapControl(strControl);
    if (!m_pControl)
    {
        m_strError = QStringLiteral("cannot read %1").arg(strControl);
        Unmount(m_strMount, true);
    }
}

CLatencyShare::~CLatencyShare()
{
    if (!m_pControl)
        return;
    SetDelay(std::chrono::microseconds(0));
    if (!Unmount(m_strMount, false))
        Unmount(m_strMount, true);
    munmap(m_pControl, sizeof(LatencyShareControl));
}

void CLatencyShare::SetDelay(std::chrono::microseconds delay)
{
    if (m_pControl)
        __atomic_store_n(&m_pControl->delay_ns, std::uint64_t(delay.count()) * 1000u,
                         __ATOMIC_RELAXED);
}

CallCounts CLatencyShare::Calls() const
{
    CallCounts counts{};
    for (std::size_t i = 0; m_pControl && i < counts.size(); ++i)
        counts[i] = __atomic_load_n(&m_pControl->calls[i], __ATOMIC_RELAXED);
    return counts;
}

const char* CLatencyShare::CallName(int nCall)
{
    static const char* const s_names[] = {
#define LATENCY_SHARE_NAME(name) #name,
        LATENCY_SHARE_CALLS(LATENCY_SHARE_NAME)
#undef LATENCY_SHARE_NAME
    };
    return nCall >= 0 && nCall < kLatencyCallCount ? s_names[nCall] : "";
}
} // namespace bench
