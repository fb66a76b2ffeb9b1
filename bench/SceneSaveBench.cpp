// Saving a scene that references the scale scene against the host's bare save of the same content merged
// as plain nodes: the save cycle (collect, park, write the helper, records and overrides, put back) per
// node, flat from 10k to 100k nodes.
#include "bench/PluginBenchSupport.h"
#include "bench/ScaleScene.h"

#include "host/core/PerformanceTimer.h"
#include "host/scene/Control.h"
#include "host/scene/INode.h"
#include "host/scene/Interface.h"
#include "plugin/helper/OstrivansHelper.h"
#include "plugin/records/RefNode.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>

#include <time.h>
#include <unistd.h>

namespace {

MSTR SavePath() {
    static const MSTR path(
        (std::filesystem::temp_directory_path() / ("ostrivans-bench-save-" + std::to_string(::getpid()) + ".max"))
            .wstring());
    return path;
}

double ThreadCpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

// Seconds the host takes to write the open scene; cpu gets this thread's CPU seconds of the save, which
// the other programs of a shared machine disturb far less than the wall time.
double TimeSave(double& cpu) {
    MaxSDK::PerformanceTools::Timer timer;
    const double cpuStart = ThreadCpuSeconds();
    timer.StartTimer();
    if (!GetCOREInterface()->SaveToFile(SavePath().c_str())) std::abort();
    const double seconds = timer.EndTimer();
    cpu += ThreadCpuSeconds() - cpuStart;
    return seconds;
}

// The iteration time is the save of the scene with the reference (every tenth node moved locally); the bare
// save of the merged file with no plug-in in the scene is timed beside it for the ratio.
void BM_SaveSceneWithReference(benchmark::State& state) {
    AttachPluginForBench();
    const int n = static_cast<int>(state.range(0));
    const MSTR& path = ScaleSceneFile(n);
    Interface* ip = GetCOREInterface();
    ip->SetQuietMode(TRUE);
    double bareSeconds = 0.0;
    double saveSeconds = 0.0;
    double bareCpu = 0.0;
    double saveCpu = 0.0;
    for (auto _ : state) {
        TimeBareMerge(path);
        bareSeconds += TimeSave(bareCpu);
        OstrivansHelper* helper = LoadReferenceForBench(path, n);
        for (int i = 0; i < n; i += 10) {
            Point3 p(static_cast<float>(i), 1.0f, 2.0f);
            helper->GetRefNode(i)->GetNode()->GetTMController()->GetPositionController()->SetValue(0, &p);
        }
        const double seconds = TimeSave(saveCpu);
        saveSeconds += seconds;
        state.SetIterationTime(seconds);
        // Everything is back: every record still holds its node in the scene.
        int inScene = 0;
        for (int i = 0; i < helper->NumRefNodes(); ++i) {
            INode* node = helper->GetRefNode(i)->GetNode();
            inScene += node && node->GetParentNode() && !ip->GetRootNode()->GetXRefFileCount() ? 1 : 0;
        }
        if (inScene != n) state.SkipWithError("the save did not put every node back");
    }
    ip->FileReset(TRUE);
    std::filesystem::remove(std::filesystem::path(SavePath().str()));
    const auto iterations = static_cast<double>(state.iterations());
    state.counters["nodes"] = n;
    state.counters["save_vs_bare"] = saveSeconds / bareSeconds;
    state.counters["save_us_per_node"] = saveSeconds / iterations / n * 1e6;
    state.counters["bare_us_per_node"] = bareSeconds / iterations / n * 1e6;
    state.counters["cpu_save_vs_bare"] = saveCpu / bareCpu;
    state.counters["cpu_save_us_per_node"] = saveCpu / iterations / n * 1e6;
    state.counters["cpu_bare_us_per_node"] = bareCpu / iterations / n * 1e6;
}

BENCHMARK(BM_SaveSceneWithReference)
    ->Arg(10000)
    ->Arg(100000)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->MinTime(0.5);

} // namespace

BENCHMARK_MAIN();
