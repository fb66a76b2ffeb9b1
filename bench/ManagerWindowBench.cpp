// The manager window at scale: filling its table for 1,000 references on a scene of 100k nodes, and a
// burst of host notifications (every reference renamed by script) answered by one rebuild. Runs offscreen.
#include "bench/PluginBenchSupport.h"
#include "bench/ScaleScene.h"
#include "host/scene/INode.h"
#include "plugin/helper/OstrivansHelper.h"
#include "plugin/ui/ManagerWindow.h"
#include "plugin/ui/OstrivansQtManager.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTableWidget>

#include <string>
#include <vector>

namespace {

constexpr int kReferences = 1000;

// The scale scene of n nodes with the references linked under scene nodes at even steps, each with a file
// name (not loaded).
std::vector<INode*> BuildScene(int n, bool selected = true) {
    AttachPluginForBench();
    Interface* ip = GetCOREInterface();
    ip->FileReset(TRUE);
    BuildScaleScene(ip, n);
    std::vector<INode*> nodes, helpers;
    INode* root = ip->GetRootNode();
    for (int i = 0; i < root->NumberOfChildren(); ++i) nodes.push_back(root->GetChildNode(i));
    for (int k = 0; k < kReferences; ++k) {
        auto* helper = new OstrivansHelper(FALSE);
        INode* node = ip->CreateObjectNode(helper);
        node->SetName(WStr(L"Ref" + std::to_wstring(k)).data());
        const std::wstring file = L"/scenes/set_" + std::to_wstring(k) + L".max";
        AccessorDisabler off(helper);
        helper->GetParamBlock()->SetValue(pb_filename, 0, file.c_str());
        helper->GetParamBlock()->SetValue(pb_selected_in_manager, 0, selected ? 1 : 0);
        nodes[nodes.size() * static_cast<size_t>(k) / kReferences]->AttachChild(node, FALSE);
        helpers.push_back(node);
    }
    return helpers;
}

OstrivansQtManager* OpenManager() {
    if (!OpenManagerWindow()) std::abort();
    return GetManagerWindow();
}

// range(1): every reference selected in the manager (1), or none (0).
void BM_PopulateReferences(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    BuildScene(n, state.range(1) != 0);
    OstrivansQtManager* w = OpenManager();
    for (auto _ : state) w->PopulateReferences();
    if (w->findChild<QTableWidget*>(QStringLiteral("References"))->rowCount() != kReferences) std::abort();
    state.counters["nodes"] = n + kReferences;
    state.counters["rows"] = kReferences;
    state.counters["selected"] = state.range(1) ? kReferences : 0;
    w->close();
}

// Every reference renamed by one script pass, then the event loop: one rebuild for the whole burst.
void BM_RenameBurst(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const std::vector<INode*> helpers = BuildScene(n);
    OstrivansQtManager* w = OpenManager();
    int round = 0, rebuilds = 0;
    for (auto _ : state) {
        const int before = w->PopulateCount();
        ++round;
        for (INode* h : helpers) h->SetName(WStr(std::wstring(h->GetName()) + std::to_wstring(round % 10)).data());
        QCoreApplication::processEvents();
        rebuilds = w->PopulateCount() - before;
    }
    if (rebuilds != 1) std::abort();
    state.counters["notifications"] = kReferences;
    state.counters["rebuilds"] = rebuilds;
    w->close();
}

BENCHMARK(BM_PopulateReferences)->Args({100000, 1})->Args({100000, 0})->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_RenameBurst)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    DestroyManagerWindow();
    return 0;
}
