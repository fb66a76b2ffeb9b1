// libFuzzer target: damaged scene files fed to open and merge must be refused cleanly or read whole, the
// plug-in's helpers, records and mirrors among them.
#include "bench/PluginBenchSupport.h"
#include "bench/ScaleScene.h"

#include "host/core/ClassDirectory.h"
#include "host/scene/Interface.h"
#include "host/scene/INode.h"
#include "plugin/helper/OstrivansHelper.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

MSTR ScratchFile() {
    static const MSTR path = WStr::FromUTF8(
        (fs::temp_directory_path() / ("ostrivans-fuzz-" + std::to_string(::getpid()) + ".max")).string());
    return path;
}

// A scene with two references to a small scene: one kept in the scene file, one unloaded, with their
// records, mirrors, names to delete and a renamed layer.
void WriteReferenceSeed(const char* dir) {
    Interface* ip = GetCOREInterface();
    ip->FileReset(TRUE);
    BuildScaleScene(ip, 3);
    const MSTR referenced = WStr::FromUTF8((fs::path(dir) / "referenced.max").string());
    ip->SaveToFile(referenced.c_str(), false, false);
    ip->FileReset(TRUE);
    for (const bool kept : {true, false}) {
        auto* h = new OstrivansHelper(FALSE);
        ip->CreateObjectNode(h)->SetName(kept ? L"Kept" : L"Unloaded");
        {
            AccessorDisabler off(h);
            h->GetParamBlock()->SetValue(pb_filename, 0, referenced.c_str());
            h->GetParamBlock()->SetValue(pb_persist_ref, 0, kept ? 1 : 0);
        }
        h->Load();
        h->AddNodeToDelete(L"Gone01");
        h->AddRenamedLayer({L"Walls", L"Walls_local", 1});
        if (!kept) h->Unload();
    }
    ip->SaveToFile(WStr::FromUTF8((fs::path(dir) / "references.max").string()).c_str());
    ip->FileReset(TRUE);
}

// With OSTRIVANS_FUZZ_SEEDS set, writes a few valid scene files there to start the corpus from.
void WriteSeeds(const char* dir) {
    Interface* ip = GetCOREInterface();
    fs::create_directories(dir);
    for (int n : {1, 3, 12}) {
        ip->FileReset(TRUE);
        BuildScaleScene(ip, n);
        const std::string file = (fs::path(dir) / ("scene" + std::to_string(n) + ".max")).string();
        ip->SaveToFile(WStr::FromUTF8(file).c_str());
        INodeTab first;
        first.Append(ip->GetRootNode()->GetChildNode(0));
        ip->SaveNodes(&first, WStr::FromUTF8((fs::path(dir) / ("nodes" + std::to_string(n) + ".max")).string()).c_str());
    }
    ip->FileReset(TRUE);
    WriteReferenceSeed(dir);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    GetCOREInterface()->SetQuietMode(TRUE);
    AttachPluginForBench();
    if (const char* dir = std::getenv("OSTRIVANS_FUZZ_SEEDS")) WriteSeeds(dir);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    Interface* ip = GetCOREInterface();
    const MSTR path = ScratchFile();
    {
        std::ofstream out(path.ToUTF8(), std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    if (ip->LoadFromFile(path.c_str())) {
        // What opened must save and merge again.
        ip->MergeFromFile(path.c_str(), TRUE);
        if (!ip->SaveToFile(path.c_str())) std::abort();
    } else {
        ip->MergeFromFile(path.c_str(), TRUE);
    }
    ip->FileReset(TRUE);
    return 0;
}
