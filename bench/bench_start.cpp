// SPDX-License-Identifier: MIT
// The host's cold start as a user meets it: the whole process, from its
// start to its exit, loading the module and the demo project, showing the
// dialog and pressing OK through a two-step walkthrough. Held to the least a
// Qt program takes to show one empty dialog (bare_dialog.cpp), with the
// dialog's own form in a plain Qt program (form_dialog.cpp) beside them for
// what the dialog itself costs; all three started in turn so that the
// machine's load weighs on each alike.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace
{
using Clock = std::chrono::steady_clock;

// A child that fails fails the run, so the smoke test sees it.
bool g_bFailed = false;

struct Run
{
    double dWallMs = 0;
    double dCpuMs = 0; // user and system, the child's own
    bool bOk = false;
};

std::filesystem::path BinDir()
{
    return std::filesystem::read_symlink("/proc/self/exe").parent_path();
}

// The benchmark's environment with the offscreen platform: the children need no display.
std::vector<std::string> ChildEnvironment()
{
    std::vector<std::string> env;
    for (char** p = environ; *p; ++p)
        if (std::strncmp(*p, "QT_QPA_PLATFORM=", 16) != 0)
            env.emplace_back(*p);
    env.emplace_back("QT_QPA_PLATFORM=offscreen");
    return env;
}

// Starts the program, waits for its end; its output goes nowhere.
Run Start(const std::vector<std::string>& args, const std::vector<std::string>& env)
{
    std::vector<char*> argv;
    argv.reserve(args.size() + 1);
    for (const std::string& s : args)
        argv.push_back(const_cast<char*>(s.c_str()));
    argv.push_back(nullptr);
    std::vector<char*> envp;
    envp.reserve(env.size() + 1);
    for (const std::string& s : env)
        envp.push_back(const_cast<char*>(s.c_str()));
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);

    Run run;
    const auto t0 = Clock::now();
    pid_t pid = 0;
    const int nSpawn = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (nSpawn != 0)
        return run;
    int nStatus = 0;
    rusage usage{};
    while (wait4(pid, &nStatus, 0, &usage) < 0)
        if (errno != EINTR)
            return run;
    run.dWallMs = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
    const auto ms = [](const timeval& tv)
    { return double(tv.tv_sec) * 1e3 + double(tv.tv_usec) / 1e3; };
    run.dCpuMs = ms(usage.ru_utime) + ms(usage.ru_stime);
    run.bOk = WIFEXITED(nStatus) && WEXITSTATUS(nStatus) == 0;
    return run;
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n == 0 ? 0 : n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// Each iteration starts the host, the form and the bare dialog, in reverse
// order every other time. The time is the host's; the counters are medians
// over the iterations.
void BM_ColdStart(benchmark::State& state)
{
    const std::filesystem::path bin = BinDir();
    const std::string strSource = PHYSPROPS_SOURCE_DIR;
    const std::string strDemo = strSource + "/examples/demo";
    const std::vector<std::string> host = {(bin / "physprops").string(),
                                           "--project",
                                           strDemo + "/demo.ini",
                                           "--prop",
                                           "JEDEC_TYPE=SOIC14",
                                           "--prop",
                                           "ALT_SYMBOLS=(Top:SOIC14;DIP8)",
                                           "--prop",
                                           "DESCRIPTION=14-pin small outline",
                                           "--script",
                                           strSource + "/bench/coldstart.txt"};
    const std::vector<std::string> bare = {(bin / "physprops_bare_dialog").string()};
    const std::vector<std::string> form = {(bin / "physprops_form_dialog").string()};
    const std::vector<std::string> env = ChildEnvironment();

    // Once each unmeasured: the first start reads its files from disk.
    if (!Start(host, env).bOk || !Start(form, env).bOk || !Start(bare, env).bOk)
    {
        g_bFailed = true;
        state.SkipWithError("the host, the form or the bare dialog did not exit 0");
        return;
    }
    std::vector<double> hostMs, formMs, bareMs, hostCpuMs, bareCpuMs;
    bool bHostFirst = true;
    for (auto _ : state)
    {
        Run h, f, b;
        if (bHostFirst)
        {
            h = Start(host, env);
            f = Start(form, env);
            b = Start(bare, env);
        }
        else
        {
            b = Start(bare, env);
            f = Start(form, env);
            h = Start(host, env);
        }
        bHostFirst = !bHostFirst;
        if (!h.bOk || !f.bOk || !b.bOk)
        {
            g_bFailed = true;
            state.SkipWithError("the host, the form or the bare dialog did not exit 0");
            break;
        }
        state.SetIterationTime(h.dWallMs / 1e3);
        hostMs.push_back(h.dWallMs);
        formMs.push_back(f.dWallMs);
        bareMs.push_back(b.dWallMs);
        hostCpuMs.push_back(h.dCpuMs);
        bareCpuMs.push_back(b.dCpuMs);
    }
    if (g_bFailed)
        return;
    const double dHost = Median(hostMs);
    const double dBare = Median(bareMs);
    state.counters["host_ms"] = dHost;
    state.counters["bare_ms"] = dBare;
    state.counters["vs_bare"] = dBare > 0 ? dHost / dBare : 0;
    state.counters["form_ms"] = Median(formMs);
    state.counters["form_vs_bare"] = dBare > 0 ? Median(formMs) / dBare : 0;
    state.counters["host_cpu_ms"] = Median(hostCpuMs);
    state.counters["bare_cpu_ms"] = Median(bareCpuMs);
    state.counters["cpu_vs_bare"] =
        Median(bareCpuMs) > 0 ? Median(hostCpuMs) / Median(bareCpuMs) : 0;
}

BENCHMARK(BM_ColdStart)
    ->Name("ColdStart/Host")
    ->ComputeStatistics("min", [](const std::vector<double>& v)
                        { return *std::min_element(v.begin(), v.end()); })
    ->ComputeStatistics("max", [](const std::vector<double>& v)
                        { return *std::max_element(v.begin(), v.end()); })
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(10);
} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 2;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return g_bFailed ? 1 : 0;
}
