// What the plug-in benchmarks share: the plug-in attached as the host has it, a file loaded as a reference,
// and the host's bare merge of a file timed on its own, the yardstick every reference operation is measured
// against.
#pragma once

#include "host/core/ClassDesc.h"
#include "host/core/ClassDirectory.h"
#include "host/core/Notify.h"
#include "host/scene/INode.h"
#include "host/scene/Interface.h"
#include "plugin/frame/ModuleState.h"
#include "plugin/helper/OstrivansHelper.h"
#include "plugin/module/ModuleExports.h"

#include <cstdlib>
#include <ctime>
#include <vector>

// The plug-in as the host has it after loading the module (the benchmarks link it statically); once per
// program.
inline void AttachPluginForBench() {
    static const bool attached = [] {
        static int tag = 0;
        SetModuleInstance(&tag);
        ClassDirectory& dir = GetClassDirectory();
        for (int i = 0; i < OstrivansLibNumberClasses(); ++i) {
            ClassDesc* cd = OstrivansLibClassDesc(i);
            if (!dir.FindClass(cd->SuperClassID(), cd->ClassID())) dir.AddClass(cd);
        }
        OstrivansLibInitialize();
        BroadcastNotification(NOTIFY_SYSTEM_STARTUP);
        return true;
    }();
    (void)attached;
}

// A stopwatch of the thread's processor time: the machine the benchmarks run on is shared, and wall time
// would count the time other programs hold the processor.
class BenchCpuTimer {
public:
    void StartTimer() { start_ = Now(); }
    double EndTimer() const { return Now() - start_; }

private:
    static double Now() {
        timespec ts{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
        return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
    }
    double start_ = 0.0;
};

// Processor seconds the host takes to merge the file into a new scene, with the arguments a reference's load passes.
inline double TimeBareMerge(const MSTR& path) {
    Interface* ip = GetCOREInterface();
    ip->FileReset(TRUE);
    BenchCpuTimer timer;
    timer.StartTimer();
    if (!ip->MergeFromFile(path.c_str(), TRUE, FALSE, FALSE, MERGE_DUPS_MERGE, nullptr, MERGE_DUP_MTL_RENAME))
        std::abort();
    return timer.EndTimer();
}

// Processor seconds the host takes to delete nodes and everything below them (children do not keep their
// transforms, no redraw), as an unload asks it to.
inline double TimeDeleteNodes(const std::vector<INode*>& list) {
    INodeTab nodes;
    for (INode* node : list) {
        INode* n = node;
        nodes.Append(1, &n);
    }
    BenchCpuTimer timer;
    timer.StartTimer();
    GetCOREInterface()->DeleteNodes(nodes, false, false);
    return timer.EndTimer();
}

// A fresh scene holding the file at path, of n nodes, as a loaded reference (quiet, as benchmarks run).
inline OstrivansHelper* LoadReferenceForBench(const MSTR& path, int n) {
    AttachPluginForBench();
    Interface* ip = GetCOREInterface();
    ip->SetQuietMode(TRUE);
    ip->FileReset(TRUE);
    auto* helper = new OstrivansHelper();
    ip->CreateObjectNode(helper)->SetName(L"Ostrivan01");
    {
        AccessorDisabler off(helper);
        helper->GetParamBlock()->SetValue(pb_filename, 0, path.c_str());
    }
    if (helper->Load() != 1 || helper->NumRefNodes() != n) std::abort();
    return helper;
}
