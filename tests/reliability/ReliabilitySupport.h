// SPDX-License-Identifier: MIT
#pragma once

#include "OtherUser.h"
#include "ipqc/IpqChannel.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QList>
#include <QString>

#include <ostream>

inline void PrintTo(const QString& str, std::ostream* pOut)
{
    *pOut << '"' << str.toStdString() << '"';
}

namespace reliability
{
using testsupport::ActAs;
using testsupport::Nobody;
using testsupport::OtherUser;

// Whether the process runs; one being collected reads as empty, dead (X)
// or a zombie (Z).
inline bool IsAlive(qint64 nPid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(nPid));
    if (!stat.open(QIODevice::ReadOnly))
        return false;
    const QByteArray text = stat.readAll();
    const QByteArray state = text.mid(text.lastIndexOf(')') + 2, 1);
    return !text.isEmpty() && state != "Z" && state != "X";
}

// The live processes, other than this one, that joined the session
// through their environment.
inline QList<qint64> SessionProcesses(const QByteArray& session)
{
    QList<qint64> pids;
    const QByteArray entry = QByteArray(ipqc::kSessionVariable) + '=' + session;
    for (const QString& strPid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs))
    {
        bool bOk = false;
        const qint64 nPid = strPid.toLongLong(&bOk);
        QFile environ(QStringLiteral("/proc/%1/environ").arg(strPid));
        if (bOk && nPid != QCoreApplication::applicationPid() &&
            environ.open(QIODevice::ReadOnly) && environ.readAll().split('\0').contains(entry) &&
            IsAlive(nPid))
            pids.append(nPid);
    }
    return pids;
}
} // namespace reliability
