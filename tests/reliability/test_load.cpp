// SPDX-License-Identifier: MIT
// Four hosts (load_sender processes, each with its own tool manager) send
// 1,000 View requests each to one PCB editor stand-in, all the way through
// the launcher, the tool manager and the session channel. Midway the editor
// is stopped for 5 s, or killed with its channel removed. No request may be
// lost without a report.
#include "ReliabilitySupport.h"
#include "WaitUntil.h"
#include "ipqc/IpqChannel.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <map>
#include <memory>
#include <set>

using reliability::SessionProcesses;
using testsupport::ReadLines;
using testsupport::WaitUntil;

namespace
{
constexpr int kSenders = 4;
constexpr int kRequests = 1000;

class LoadTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        static int s_nRun = 0;
        m_session = "load-" + QByteArray::number(QCoreApplication::applicationPid()) + '-' +
                    QByteArray::number(++s_nRun);
        m_addr = {QString::fromUtf8(m_session), QStringLiteral("loadhost")};
        m_strLog = m_dir.filePath(QStringLiteral("brdedit.log"));
    }

    void TearDown() override
    {
        for (const qint64 nPid : SessionProcesses(m_session))
            ::kill(pid_t(nPid), SIGKILL);
    }

    // The process that holds the session's channel, asked through the channel.
    qint64 ListenerPid() const
    {
        QString strError;
        ipqc::ListenerState state;
        const int fd =
            ipqc::ConnectChannel(ipqc::ChannelPath(m_addr, false, &strError), state, &strError);
        if (fd < 0)
            return 0;
        ucred cred{};
        socklen_t nLength = sizeof cred;
        const bool bOk = ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &cred, &nLength) == 0;
        ::close(fd);
        return bOk ? cred.pid : 0;
    }

    void StartSenders()
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("BRDEDIT_LOG"), m_strLog);
        for (int i = 0; i < kSenders; ++i)
        {
            auto pSender = std::make_unique<QProcess>();
            pSender->setProcessEnvironment(env);
            pSender->setProcessChannelMode(QProcess::SeparateChannels);
            pSender->start(QCoreApplication::applicationDirPath() + QStringLiteral("/load_sender"),
                           {QString::fromUtf8(m_session), QStringLiteral("S%1").arg(i),
                            QString::number(kRequests)});
            m_senders.push_back(std::move(pSender));
        }
    }

    // Each sender's requests as the editors logged them, in order.
    std::map<int, QList<int>> Arrivals() const
    {
        static const QRegularExpression line(
            QStringLiteral("^brdedit: open /load/S(\\d)/(\\d+)\\.dra$"));
        std::map<int, QList<int>> arrivals;
        for (const QString& strLine : ReadLines(m_strLog))
            if (const QRegularExpressionMatch m = line.match(strLine); m.hasMatch())
                arrivals[m.captured(1).toInt()].append(m.captured(2).toInt());
        return arrivals;
    }
    qsizetype ArrivalCount() const
    {
        qsizetype n = 0;
        for (const auto& [nSender, seqs] : Arrivals())
            n += seqs.size();
        return n;
    }

    // Waits for every sender; returns the requests they reported lost.
    qsizetype FinishSenders()
    {
        qsizetype nLost = 0;
        for (auto& pSender : m_senders)
        {
            EXPECT_TRUE(pSender->waitForFinished(120000));
            const QString strOut = QString::fromUtf8(pSender->readAllStandardOutput());
            EXPECT_EQ(pSender->exitCode(), 0)
                << strOut.toStdString() << pSender->readAllStandardError().toStdString();
            const QRegularExpressionMatch m =
                QRegularExpression(QStringLiteral("^lost (\\d+)$"),
                                   QRegularExpression::MultilineOption)
                    .match(strOut);
            EXPECT_TRUE(m.hasMatch()) << strOut.toStdString();
            nLost += m.captured(1).toLongLong();
            m_strOutput += strOut;
        }
        return nLost;
    }

    void EndEditorsAndCheckNothingIsLeft()
    {
        for (const qint64 nPid : SessionProcesses(m_session))
            ::kill(pid_t(nPid), SIGKILL);
        EXPECT_TRUE(WaitUntil([&] { return SessionProcesses(m_session).isEmpty(); }));
    }

    QTemporaryDir m_dir;
    QByteArray m_session;
    ipqc::SessionAddress m_addr;
    QString m_strLog;
    std::vector<std::unique_ptr<QProcess>> m_senders;
    QString m_strOutput;
};
} // namespace

TEST_F(LoadTest, everyRequestArrivesInOrderThroughAnEditorStoppedForFiveSeconds)
{
    StartSenders();
    ASSERT_TRUE(WaitUntil([&] { return ArrivalCount() >= kSenders * kRequests / 4; }, 60000));
    const qint64 nEditor = ListenerPid();
    ASSERT_GT(nEditor, 0);
    ASSERT_EQ(::kill(pid_t(nEditor), SIGSTOP), 0);
    QThread::sleep(5);
    ASSERT_EQ(::kill(pid_t(nEditor), SIGCONT), 0);

    const qsizetype nLost = FinishSenders();
    EXPECT_EQ(nLost, 0) << m_strOutput.toStdString();
    std::printf("sent %d, arrived %lld, reported %lld\n", kSenders * kRequests,
                static_cast<long long>(ArrivalCount()), static_cast<long long>(nLost));
    const auto arrivals = Arrivals();
    ASSERT_EQ(arrivals.size(), std::size_t(kSenders));
    for (const auto& [nSender, seqs] : arrivals)
    {
        QList<int> expected;
        for (int i = 1; i <= kRequests; ++i)
            expected.append(i);
        EXPECT_EQ(seqs, expected) << "sender " << nSender;
    }
    // Four hosts started together, and one editor took every request.
    EXPECT_EQ(ListenerPid(), nEditor);
    EXPECT_EQ(SessionProcesses(m_session), QList<qint64>{nEditor});
    EXPECT_FALSE(m_strOutput.contains(QStringLiteral("box:"))) << m_strOutput.toStdString();
    EndEditorsAndCheckNothingIsLeft();
}

TEST_F(LoadTest, everyRequestArrivesOrIsReportedWhenTheEditorIsKilledAndItsChannelRemoved)
{
    StartSenders();
    ASSERT_TRUE(WaitUntil([&] { return ArrivalCount() >= kSenders * kRequests / 4; }, 60000));
    const qint64 nEditor = ListenerPid();
    ASSERT_GT(nEditor, 0);
    QString strError;
    const QString strChannel = ipqc::ChannelPath(m_addr, false, &strError);
    ASSERT_EQ(::kill(pid_t(nEditor), SIGKILL), 0);
    ASSERT_TRUE(QFile::remove(strChannel));

    const qsizetype nLost = FinishSenders();
    std::set<std::pair<int, int>> unique;
    for (const auto& [nSender, seqs] : Arrivals())
        for (const int nSeq : seqs)
            unique.insert({nSender, nSeq});
    EXPECT_EQ(qsizetype(unique.size()) + nLost, kSenders * kRequests) << m_strOutput.toStdString();
    std::printf("sent %d, arrived %zu (%lld twice), reported %lld\n", kSenders * kRequests,
                unique.size(), static_cast<long long>(ArrivalCount()) - qsizetype(unique.size()),
                static_cast<long long>(nLost));
    // The requests that waited went to a restarted editor.
    const qint64 nRestarted = ListenerPid();
    EXPECT_GT(nRestarted, 0);
    EXPECT_NE(nRestarted, nEditor);
    EndEditorsAndCheckNothingIsLeft();
}
