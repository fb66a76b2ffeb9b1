// Gives unit tests the plug-in as the host would have it after loading the module: a module handle, the
// 53 classes in the host's class directory, LibInitialize run and start-up broadcast.
#pragma once

#include "host/core/ClassDirectory.h"
#include "host/core/Notify.h"
#include "host/scene/INode.h"
#include "host/scene/Interface.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include "plugin/module/ModuleExports.h"
#include "plugin/frame/ModuleState.h"
#include "plugin/frame/OperationCode.h"
#include "plugin/frame/OstrivansClassDesc.h"
#include "plugin/anims/RefAnim.h"
#include "plugin/records/RefBase.h"
#include "plugin/records/RefHolder.h"
#include "tests/support/SceneBuilder.h"
#include "tests/support/SourceTree.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include <utility>
#include <vector>

// A stand-in module handle: any address unique to the test program.
inline HINSTANCE TestModuleHandle() {
    static int tag = 0;
    return &tag;
}

// Idempotent; classes stay registered for the rest of the test program, as a loaded module's do.
inline void AttachPluginForTests() {
    GetCOREInterface(); // the host is up before it loads modules
    SetModuleInstance(TestModuleHandle());
    ClassDirectory& dir = GetClassDirectory();
    for (int i = 0; i < OstrivansLibNumberClasses(); ++i) {
        ClassDesc* cd = OstrivansLibClassDesc(i);
        if (!dir.FindClass(cd->SuperClassID(), cd->ClassID())) dir.AddClass(cd);
    }
    static const bool started = [] {
        OstrivansLibInitialize();
        BroadcastNotification(NOTIFY_SYSTEM_STARTUP);
        return true;
    }();
    (void)started;
}

// Saves the scene to a temporary file, resets, and opens the file again (then removes it): what a saved
// scene gives back. Fails the test when either step fails.
inline void SaveAndReopen(const std::string& stem) {
    const std::filesystem::path file = std::filesystem::temp_directory_path() / (stem + ".max");
    const MSTR path = WStr::FromUTF8(file.string());
    Interface* ip = GetCOREInterface();
    ASSERT_TRUE(ip->SaveToFile(path.c_str())) << ip->GetLastFileError().ToUTF8();
    ip->FileReset(TRUE);
    ASSERT_TRUE(ip->LoadFromFile(path.c_str())) << ip->GetLastFileError().ToUTF8();
    std::filesystem::remove(file);
}

// A holder made through its descriptor, as a script makes it, with that many empty slots on a node of that
// name: a scene file writes what it holds.
inline RefHolder* NewRefHolderNode(const MCHAR* name, int slots = 0) {
    auto* h = static_cast<RefHolder*>(
        static_cast<Animatable*>(GetClassDirectory().CreateInstance(GEOMOBJECT_CLASS_ID, REFHOLDER_CLASS_ID)));
    GetCOREInterface()->CreateObjectNode(h)->SetName(name);
    if (slots) h->SetNumRefs(slots);
    return h;
}

// The record's mirror calls with the path given as plain names, the way tests write paths.
inline RefAnim* CreateRefAnim(RefBase* rec, DWORD kind, ReferenceTarget* anim, const std::vector<WStr>& names,
                              std::vector<std::int32_t> numbers, BYTE initialState) {
    return rec->CreateRefAnimAt(kind, anim, ToPathNames(names), std::move(numbers), initialState);
}
inline RefAnim* MirrorOnDemand(RefBase* rec, RefAnim* asking, Animatable* anim, const std::vector<WStr>& names,
                               std::vector<std::int32_t> numbers) {
    return rec->MirrorOnDemandAt(asking, anim, ToPathNames(names), std::move(numbers));
}

// The scene fixture with the plug-in attached; records made through Record go when the test ends.
class PluginSceneFixture : public SceneFixture {
protected:
    void SetUp() override {
        SceneFixture::SetUp();
        AttachPluginForTests();
    }
    void TearDown() override {
        for (RefBase* r : records) r->MaybeAutoDelete();
        SceneFixture::TearDown();
    }
    template <class T = RefBase> T* Record(ReferenceTarget* item) {
        auto* r = new T(FALSE);
        r->ReplaceReference(0, item);
        records.push_back(r);
        return r;
    }
    // A mirror of that kind made and appended by rec (null when the record refuses the kind).
    static RefAnim* Mirror(RefBase* rec, ReferenceTarget* anim, std::vector<WStr> names,
                           std::vector<std::int32_t> numbers, BYTE state = 0, DWORD kind = KIND_PLAIN) {
        RefAnim* m = CreateRefAnim(rec, kind, anim, names, std::move(numbers), state);
        if (m) rec->AppendMirror(m);
        return m;
    }
    std::vector<RefBase*> records;
};

// Whether owner holds each target as a real dependency under op: "1" or "0" each.
inline std::string RealDependencies(ReferenceMaker* owner, const std::vector<ReferenceTarget*>& targets,
                                    OperationCode op) {
    OperationCodeGuard code(op);
    std::string s;
    for (ReferenceTarget* t : targets) s += owner->IsRealDependency(t) ? "1" : "0";
    return s;
}
inline constexpr OperationCode kWeakeningOperations[] = {OperationCode::Unload, OperationCode::PreSave,
                                                         OperationCode::PreSaveCollect, OperationCode::Duplicate};
// Unloading, saving and duplicating weaken what the content alone uses (weak: the digits then); every other
// operation keeps all; once persist() made the reference persist, those four keep all too.
template <class Persist>
void ExpectWeakOnlyWhileUnloadingSavingOrDuplicating(ReferenceMaker* owner, const std::vector<ReferenceTarget*>& targets,
                                                     const std::string& weak, Persist persist) {
    const auto weakening = [](OperationCode op) {
        return std::find(std::begin(kWeakeningOperations), std::end(kWeakeningOperations), op) !=
               std::end(kWeakeningOperations);
    };
    const std::string all(targets.size(), '1');
    for (int code = 0; code <= static_cast<int>(OperationCode::Renaming); ++code) {
        const auto op = static_cast<OperationCode>(code);
        EXPECT_EQ(RealDependencies(owner, targets, op), weakening(op) ? weak : all) << op;
    }
    persist();
    for (int code = 0; code <= static_cast<int>(OperationCode::Renaming); ++code)
        EXPECT_EQ(RealDependencies(owner, targets, static_cast<OperationCode>(code)), all)
            << "persisting, " << static_cast<OperationCode>(code);
}

// Compares text with a golden file kept in the repository (path from the checkout's top). With
// OSTRIVANS_UPDATE_GOLDEN set in the environment the file is rewritten instead, and the test fails so an
// update is never mistaken for a pass.
inline void ExpectGolden(const std::string& text, const std::string& relative) {
    const std::filesystem::path file = SourceTree() / relative;
    if (std::getenv("OSTRIVANS_UPDATE_GOLDEN")) {
        std::ofstream(file, std::ios::binary) << text;
        ADD_FAILURE() << "rewrote " << relative;
        return;
    }
    std::ifstream in(file, std::ios::binary);
    ASSERT_TRUE(in) << "no golden file " << relative;
    std::ostringstream golden;
    golden << in.rdbuf();
    EXPECT_EQ(text, golden.str()) << "golden file " << relative;
}

// A mirror as one row: kind, path and numbers ("RefAnimPRS Transform #3"), "null" for an empty entry.
inline std::string MirrorRow(RefAnim* m) {
    if (!m) return "null";
    std::string s = WStr(m->GetKindName()).ToUTF8() + " ";
    const auto path = m->GetPath();
    for (size_t i = 0; i < path.size(); ++i) s += (i ? "/" : "") + path[i].ToUTF8();
    s += " #";
    const auto& numbers = m->GetPathByNumber();
    for (size_t i = 0; i < numbers.size(); ++i) s += (i ? "." : "") + std::to_string(numbers[i]);
    return s;
}
inline std::vector<std::string> MirrorRows(RefBase* rec) {
    std::vector<std::string> rows;
    for (int i = 0; i < rec->NumMirrors(); ++i) rows.push_back(MirrorRow(rec->GetMirror(i)));
    return rows;
}
// Every mirror as its row, with its state when it has one and "foreign" when the record is not its owner,
// one line each.
inline std::string MirrorTable(RefBase* rec) {
    std::string s;
    for (int i = 0; i < rec->NumMirrors(); ++i) {
        RefAnim* m = rec->GetMirror(i);
        s += MirrorRow(m);
        if (m && m->GetOverriddenState()) s += " state " + std::to_string(m->GetOverriddenState());
        if (m && m->GetOwner() != rec) s += " foreign";
        s += "\n";
    }
    return s;
}
