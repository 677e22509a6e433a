// SPDX-License-Identifier: MIT
#include "Library.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <QTextStream>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <random>

namespace
{
// The real names kept with the tests; PHYSPROPS_FOOTPRINT_NAMES points
// elsewhere.
QStringList NameFileCandidates()
{
    QStringList candidates;
    const QString strEnv = qEnvironmentVariable("PHYSPROPS_FOOTPRINT_NAMES");
    if (!strEnv.isEmpty())
        candidates << strEnv;
    candidates << QStringLiteral(PHYSPROPS_SOURCE_DIR "/tests/data/kicad-footprints.tsv");
    return candidates;
}

QStringList ReadNames(const QString& strPath)
{
    QFile file(strPath);
    QStringList names;
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return names;
    QSet<QString> seen;
    while (!file.atEnd())
    {
        QString strLine = QString::fromUtf8(file.readLine()).trimmed();
        const qsizetype nTab = strLine.indexOf(u'\t');
        const QString strName = nTab >= 0 ? strLine.mid(nTab + 1) : strLine;
        // A name repeated in two source folders would collide in one of ours.
        if (!strName.isEmpty() && !strName.contains(u'/') && !seen.contains(strName.toUpper()))
        {
            seen.insert(strName.toUpper());
            names.append(strName);
        }
    }
    return names;
}

// Names shaped like real package names ("SOIC-8_3.9x4.9mm_P1.27mm"), about
// as long, in a fixed pseudo-random order.
QStringList SyntheticNames()
{
    static const char* const kFamilies[] = {
        "SOIC",         "TSSOP",         "LQFP",    "TQFP",      "QFN",    "DFN",
        "BGA",          "SOT-23",        "DIP",     "R_0603",    "C_0805", "L_1210",
        "PinHeader_1x", "TerminalBlock", "SW_Push", "LED_D5.0mm"};
    std::mt19937 rng(20261208);
    QStringList names;
    QSet<QString> seen;
    while (names.size() < 12000)
    {
        const QString strName = QStringLiteral("%1-%2_%3.%4x%5.%6mm_P%7mm")
                                    .arg(QLatin1String(kFamilies[rng() % std::size(kFamilies)]))
                                    .arg(2 + rng() % 200)
                                    .arg(1 + rng() % 30)
                                    .arg(rng() % 10)
                                    .arg(1 + rng() % 30)
                                    .arg(rng() % 10)
                                    .arg(QLatin1String(rng() % 2 ? "0.5" : "1.27"));
        if (!seen.contains(strName))
        {
            seen.insert(strName);
            names.append(strName);
        }
    }
    return names;
}

QString FolderName(std::size_t nFolder)
{
    return QStringLiteral("lib%1").arg(nFolder, 5, 10, QChar(u'0'));
}
} // namespace

CNameSource::CNameSource()
{
    // "synthetic" asks for the names used where the real ones are missing.
    const bool bSynthetic = qEnvironmentVariable("PHYSPROPS_FOOTPRINT_NAMES") == u"synthetic";
    for (const QString& strPath : bSynthetic ? QStringList() : NameFileCandidates())
    {
        m_base = ReadNames(strPath);
        if (m_base.size() >= 1000)
        {
            m_strOrigin = QStringLiteral("kicad");
            return;
        }
    }
    m_base = SyntheticNames();
    m_strOrigin = QStringLiteral("synthetic");
}

QString CNameSource::Name(std::size_t i) const
{
    const std::size_t nBase = std::size_t(m_base.size());
    const QString& strBase = m_base.at(qsizetype(i % nBase));
    const std::size_t nRound = i / nBase;
    // Consecutive names are distinct base names, so a folder of fewer than
    // nBase footprints never holds one name twice.
    return nRound == 0 ? strBase : strBase + u'_' + QString::number(nRound);
}

CDiskLibrary MakeDiskLibrary(const CNameSource& names, const QString& strBaseDir,
                             std::size_t nCount, std::size_t nFolders)
{
    CDiskLibrary lib;
    nFolders = std::max<std::size_t>(1, nFolders);
    const std::size_t nPerFolder = std::max<std::size_t>(1, nCount / nFolders);
    lib.strRoot =
        QDir(strBaseDir)
            .absoluteFilePath(
                QStringLiteral("lib-%1-%2-%3").arg(nCount).arg(nFolders).arg(names.Origin()));
    for (std::size_t f = 0; f * nPerFolder < nCount; ++f)
        lib.folders.append(lib.strRoot + u'/' + FolderName(f));
    lib.nFiles = nCount;

    const QString strMarker = lib.strRoot + QStringLiteral("/.complete");
    if (QFile::exists(strMarker))
        return lib;
    QDir(lib.strRoot).removeRecursively();
    QDir().mkpath(lib.strRoot);
    for (std::size_t i = 0; i < nCount; ++i)
    {
        const QString& strFolder = lib.folders.at(qsizetype(i / nPerFolder));
        if (i % nPerFolder == 0)
            mkdir(QFile::encodeName(strFolder).constData(), 0755);
        const QByteArray path =
            QFile::encodeName(strFolder + u'/' + names.Name(i) + QStringLiteral(".dra"));
        const int fd = open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (fd >= 0)
            close(fd);
    }
    QFile marker(strMarker);
    if (marker.open(QIODevice::WriteOnly))
        marker.write("done\n");
    return lib;
}
