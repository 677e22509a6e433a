// SPDX-License-Identifier: MIT
#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QStringList>
#include <QThread>

namespace testsupport
{
// Keeps the event loop turning until the condition holds or the time is up;
// generous limits keep a loaded machine from failing a test that is right.
template <class Condition> bool WaitUntil(Condition condition, int nTimeoutMs = 15000)
{
    const QDeadlineTimer deadline(nTimeoutMs);
    while (!condition())
    {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(5);
    }
    return true;
}

// The lines of a text file written by another process (UTF-8), or none.
inline QStringList ReadLines(const QString& strPath)
{
    QFile file(strPath);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}
} // namespace testsupport
