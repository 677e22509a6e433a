// SPDX-License-Identifier: MIT
// Costs that the tests must not assert on a clock: reading the largest
// project file the reader accepts, and what a send costs when the listener
// at the other end accepts and then never reads.
#include "ipqc/IpqChannel.h"
#include "ipqc/IpqFrame.h"
#include "project/ProjectFile.h"
#include "project/SpiProject.h"

#include <QCoreApplication>
#include <QFile>

#include <benchmark/benchmark.h>

#include <malloc.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

namespace
{
// One program of short distinct directives ("d0001f3a=1"), nDirectives of
// them, or as many as the largest accepted file holds when 0.
QByteArray ProjectText(qsizetype nDirectives, qsizetype& nWritten)
{
    QByteArray text = "[P]\n";
    nWritten = 0;
    while (nDirectives ? nWritten < nDirectives : text.size() + 11 <= kMaxProjectFileSize)
        text += QByteArray::number(nWritten++, 16).rightJustified(7, '0').prepend('d') + "=1\n";
    return text;
}

void BM_ReadProjectFile(benchmark::State& state)
{
    qsizetype nDirectives = 0;
    const QByteArray text = ProjectText(qsizetype(state.range(0)), nDirectives);
    for (auto _ : state)
    {
        CSpiProject project;
        const CProjectFileResult r = LoadProjectText(text, QStringLiteral("bench.ini"), project);
        if (!r.bOk || project.m_programs.m_nodes.front()->m_directives.m_nodes.size() !=
                          std::size_t(nDirectives))
            state.SkipWithError("the project was not read whole");
        benchmark::DoNotOptimize(project);
        // Freeing the project is not reading it; nor is the merging of the
        // freed blocks that the allocator would otherwise leave to the next
        // read's first large allocation.
        state.PauseTiming();
        project.m_programs.m_nodes.clear();
        ::malloc_trim(0);
        state.ResumeTiming();
    }
    state.counters["directives"] = double(nDirectives);
    state.counters["MiB"] = double(text.size()) / (1 << 20);
}
BENCHMARK(BM_ReadProjectFile)
    ->Name("ReadProjectFile")
    ->Arg(20000)
    ->Arg(40000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadProjectFile)
    ->Name("ReadProjectFile/Largest")
    ->Arg(0)
    ->Unit(benchmark::kMillisecond);

// A listener that accepts every connection and never reads: a small
// message fits the socket buffers, a large one is given up after the
// send's own timeout.
void BM_SendToDeafListener(benchmark::State& state)
{
    const ipqc::SessionAddress addr{
        QStringLiteral("bench-deaf-%1").arg(QCoreApplication::applicationPid()),
        QStringLiteral("host")};
    QString strError;
    const QString strPath = ipqc::ChannelPath(addr, true, &strError);
    const int nListen = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un sa{};
    sa.sun_family = AF_UNIX;
    const QByteArray path = QFile::encodeName(strPath);
    std::memcpy(sa.sun_path, path.constData(), std::size_t(path.size()) + 1);
    if (strPath.isEmpty() || ::bind(nListen, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0 ||
        ::listen(nListen, 64) != 0)
    {
        state.SkipWithError("no listener");
        ::close(nListen);
        return;
    }
    const QByteArray payload(state.range(0) ? qsizetype(ipqc::kMaxFrameSize) : 100, 'x');
    for (auto _ : state)
    {
        benchmark::DoNotOptimize(ipqc::SendPayload(addr, payload, ipqc::kSendTimeoutMs, &strError));
        state.PauseTiming();
        if (const int nConn = ::accept4(nListen, nullptr, nullptr, SOCK_CLOEXEC); nConn >= 0)
            ::close(nConn);
        state.ResumeTiming();
    }
    ::close(nListen);
    ::unlink(path.constData());
}
BENCHMARK(BM_SendToDeafListener)
    ->Name("SendToDeafListener/Small")
    ->Arg(0)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SendToDeafListener)
    ->Name("SendToDeafListener/Large")
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(10);
} // namespace
