// Unload and reload with real files: local changes kept across both, scene dependents carried by
// placeholders, a referenced file that changed or went missing, the batch and broadcasts around them, and
// the failure report.
#include "host/core/Hold.h"
#include "host/core/MaxException.h"
#include "host/scene/controllers/PositionConstraint.h"
#include "host/scene/controllers/XYZControl.h"
#include "host/scene/INodeDisplayProperties.h"
#include "host/scene/ISkinPose.h"
#include "host/scene/NamedSelectionSets.h"
#include "host/scene/materials/StdMaterial.h"
#include "plugin/helper/HelperBatch.h"
#include "tests/plugin/helper/HelperTestSupport.h"

#include <cstdio>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

// The node's class of object and controller and its world y: "Box Position/Rotation/Scale 5".
std::string Shape(INode* n) {
    MSTR obj, ctrl;
    n->GetObjectRef()->FindBaseObject()->GetClassName(obj);
    n->GetTMController()->GetClassName(ctrl);
    return obj.ToUTF8() + " " + ctrl.ToUTF8() + " " + std::to_string(int(n->GetNodeTM(0).GetTrans().y));
}

// The module's broadcasts in order, as " unload open close unloaded".
std::string gCodes;
void NoteCode(void*, NotifyInfo* info) {
    static const char* names[] = {" unload", " unloaded", " load", " loaded", " open", " close"};
    gCodes += names[info->intcode - NOTIFY_OSTRIVANS_PRE_UNLOAD];
}

struct NothingRestore : RestoreObj {
    void Restore(int) override {}
    void Redo() override {}
};

} // namespace

using ReferenceUnloadTest = ReferenceFileFixture;

// Each local change comes back after an unload and a load, and after a reload: a mirror's change, or a node
// override with the flag its record keeps. The helper prefixes names, so a rename without it is 0x2 | 0x4.
TEST_F(ReferenceUnloadTest, ALocalChangeSurvivesUnloadAndLoadAndReload) {
    OstrivansHelper* h = nullptr;
    INode* outside = nullptr;
    Object* listing = nullptr;
    LightObject* omni = nullptr;
    const auto wall = [&] {
        for (int i = 0; i < h->NumRefNodes(); ++i)
            if (RefNode* r = h->GetRefNode(i); r && r->GetReferencedName() == WStr(L"Wall01")) return r->GetNode();
        return static_cast<INode*>(nullptr);
    };
    const auto name = [](INode* n) { return n ? WStr(n->GetName()).ToUTF8() : std::string("-"); };
    const auto str = [](auto v) { return std::to_string(v); };
    const auto disp = [](INode* n) {
        return static_cast<INodeDisplayProperties*>(n->GetInterface(NODE_DISPLAY_PROPERTIES_INTERFACE));
    };
    struct Row {
        const char* what;
        DWORD flag; // 0 for a mirror's change
        std::function<void(INode* wall)> change;
        std::function<std::string(INode* wall)> read;
    } rows[] = {
        {"controller value", 0, [](INode*) { MoveTo(L"Ostrivan01_Door01", {7, 5, 0}); },
         [](INode* w) { return Shape(w->GetChildNode(0)) + " x " + std::to_string(int(w->GetChildNode(0)->GetNodeTM(0).GetTrans().x)); }},
        {"controller replaced", 0, [](INode* w) { Step([w] { w->GetTMController()->SetPositionController(new XYZControl<PositionXYZInfo>()); }); },
         [](INode* w) { MSTR c; w->GetTMController()->GetPositionController()->GetClassName(c); return c.ToUTF8(); }},
        {"material parameter", 0, [](INode* w) { Step([w] { w->GetMtl()->GetParamBlock(0)->SetValue(std_glossiness, 0, 0.5f); }); },
         [](INode* w) { return std::to_string(w->GetMtl()->GetParamBlock(0)->GetFloat(std_glossiness)); }},
        {"name", 0x6, [](INode* w) { w->SetName(L"Wall01 local"); }, name},
        {"material", 0x8, [&](INode* w) { w->SetMtl(b.Standard("Steel")); }, [](INode* w) { return WStr(w->GetMtl()->GetName()).ToUTF8(); }},
        {"modifiers", 0x10, [&](INode* w) { b.AddModifier(w, BEND_MODIFIER_CLASS_ID); },
         [&](INode* w) { return str(w->GetObjectRef()->SuperClassID() == GEN_DERIVOB_CLASS_ID); }},
        {"parent", 0x40, [&](INode* w) { b.Dummy("Rig").Build()->AttachChild(w); }, [&](INode* w) { return name(w->GetParentNode()); }},
        {"children", 0x80, [&](INode* w) { w->AttachChild(outside = b.Box("Lamp").Build()); },
         [&](INode* w) { return str(outside && outside->GetParentNode() == w); }},
        {"grouping", 0x100, [](INode* w) { w->SetGroupMember(TRUE); }, [&](INode* w) { return str(w->IsGroupMember()); }},
        {"layer", 0x200, [&](INode* w) { b.Layer("Local")->AddToLayer(w); }, [](INode* w) { return w->GetLayer()->GetName().ToUTF8(); }},
        {"object offset", 0x400, [](INode* w) { w->SetObjOffsetPos(Point3(1, 2, 3)); }, [&](INode* w) { return str(w->GetObjOffsetPos().z); }},
        {"skin pose", 0x800, [](INode* w) { static_cast<ISkinPose*>(w->GetInterface(SKINPOSE_INTERFACE))->SetSkinScale(Point3(2, 2, 2)); },
         [&](INode* w) { return str(static_cast<ISkinPose*>(w->GetInterface(SKINPOSE_INTERFACE))->SkinScale().y); }},
        {"wire colour", 0x1000, [](INode* w) { w->SetWireColor(0xFF); }, [&](INode* w) { return str(w->GetWireColor()); }},
        {"hidden", 0x2000, [](INode* w) { w->Hide(TRUE); }, [&](INode* w) { return str(w->IsHidden()); }},
        {"frozen", 0x4000, [](INode* w) { w->Freeze(TRUE); }, [&](INode* w) { return str(w->IsFrozen()); }},
        {"display", 0x8000, [&](INode* w) { disp(w)->SetNodeDisplayProperty(NODE_DISP_SHOW_LINKS, TRUE); },
         [&](INode* w) { return str(disp(w)->GetNodeDisplayProperty(NODE_DISP_SHOW_LINKS)); }},
        {"render", 0x10000, [](INode* w) { w->SetGIReflectanceScale(0.5f); }, [&](INode* w) { return str(w->GetGIReflectanceScale()); }},
        {"user", 0x20000, [](INode* w) { w->SetUserPropBuffer(L"lod = 2"); }, [](INode* w) { return WStr(w->GetUserPropBuffer()).ToUTF8(); }},
        {"bone", 0x40000, [](INode* w) { w->SetBoneAxis(2); }, [&](INode* w) { return str(w->GetBoneAxis()); }},
        {"locks", 0x100000, [](INode* w) { w->SetTransformLock(INODE_LOCKSCL, INODE_LOCK_Z, TRUE); },
         [&](INode* w) { return str(w->GetTransformLock(INODE_LOCKSCL, INODE_LOCK_Z)); }},
        {"light's list", 0x200000,
         [&](INode* w) {
             omni = static_cast<LightObject*>(CreateInstance(LIGHT_CLASS_ID, OMNI_LIGHT_CLASS_ID));
             b.WithObject(omni, "Omni01").Build();
             omni->GetExclList()->AddNode(w);
         },
         [&](INode* w) { return str(omni && omni->GetExclList()->FindNode(w) >= 0); }},
        {"object dependency", 0x400000, [&](INode* w) { outside = ip->CreateObjectNode(w->GetObjectRef()); },
         [&](INode* w) { return str(outside && outside->GetObjectRef() == w->GetObjectRef()); }},
        {"selection set", 0x800000,
         [&](INode* w) {
             INodeTab one;
             one.Append(w);
             ip->GetNamedSelectionSetManager()->AddNewNamedSelSet(one, L"Picked");
         },
         [&](INode* w) { return str(ip->GetNamedSelectionSetManager()->GetNamedSelSetItem(0, 0) == w); }},
        {"node list", 0x1000000,
         [&](INode* w) {
             listing = static_cast<Object*>(CreateInstance(HELPER_CLASS_ID, NODE_SET_HELPER_CLASS_ID));
             b.WithObject(listing, "Set01").Build();
             listing->GetOwnNodeList(0)->AddNode(b.Dummy("Other").Build());
             listing->GetOwnNodeList(0)->AddNode(w);
         },
         [&](INode* w) { return str(listing ? listing->GetOwnNodeList(0)->FindNode(w) : -2); }},
    };
    const MSTR file = WriteHouse("house");
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        outside = nullptr;
        listing = nullptr;
        omni = nullptr;
        h = HelperFor(file);
        h->GetParamBlock()->SetValue(pb_use_name_prefix, 0, 1);
        ASSERT_EQ(h->Load(), 1);
        const std::string before = row.read(wall());
        row.change(wall());
        const std::string changed = row.read(wall());
        ASSERT_NE(changed, before);
        h->GetParamBlock()->SetValue(pb_active, 0, 0);
        for (int i = 0; i < h->NumRefNodes(); ++i) EXPECT_FALSE(h->GetRefNode(i)->IsNodeLoaded()) << i;
        const DWORD flags = h->GetRefNode(0)->GetOverrideFlags() & ~REFNODE_LOCAL_DEPENDENCY;
        EXPECT_EQ(flags, row.flag);
        h->GetParamBlock()->SetValue(pb_active, 0, 1);
        EXPECT_EQ(row.read(wall()), changed) << "after unload and load";
        EXPECT_EQ(h->Reload(), 1);
        EXPECT_EQ(row.read(wall()), changed) << "after reload";
        ip->FileReset(TRUE);
    }
}

// A scene node constrained to a referenced node and one linked under another stay with placeholders of the
// same names and places while the content is out, and find the real nodes again after the reload.
TEST_F(ReferenceUnloadTest, SceneDependentsHoldOnToPlaceholdersAndReturnToTheRealNodes) {
    OstrivansHelper* h = HelperFor(WriteHouse("house"));
    ASSERT_EQ(h->Load(), 1);
    auto* constraint = new PositionConstraint();
    b.Box("Follower").Build()->GetTMController()->SetPositionController(constraint);
    constraint->AppendTarget(Node(L"Wall01"), 50.0f);
    INode* lamp = b.Box("Lamp").Parent(Node(L"Door01")).Pos({0, 5, 3}).Build();
    const auto state = [&] {
        return Shape(Node(L"Wall01")) + "; " + Shape(Node(L"Door01")) + "; lamp under " +
               WStr(lamp->GetParentNode()->GetName()).ToUTF8() + "; target " +
               (constraint->GetNode(0) == Node(L"Wall01") ? "Wall01" : "other") + "; " +
               std::to_string(SceneNodeNames().size()) + " nodes";
    };

    h->Unload();
    EXPECT_EQ(state(), "Object EmptyController 0; Object EmptyController 5; lamp under Door01; target Wall01; 5 nodes");
    EXPECT_EQ(h->Reload(), 1);
    EXPECT_EQ(state(), "Box Position/Rotation/Scale 0; Box Position/Rotation/Scale 5; lamp under Door01; target Wall01; "
                       "5 nodes");
}

// The file changes between reloads (a node removed and back, one renamed, a parameter of an untouched
// node), or is missing or damaged: the scene takes what the file holds with the local changes on top; the
// record of a node the file lost keeps its change and binds again when the node returns; without a readable
// file the records and the rest of the scene stay as they are.
TEST_F(ReferenceUnloadTest, TheFileChangesOrGoesBetweenReloads) {
    const auto write = [&](const std::string& stem, bool withDoor, float wallLength, const char* lamp) {
        return WriteFile(stem, [&] {
            INode* wall = b.Box("Wall01").Build();
            wall->GetObjectRef()->GetParamBlock(0)->SetValue(0, 0, wallLength);
            if (withDoor) b.Box("Door01").Parent(wall).Pos({0, 5, 0}).Build();
            b.Box(lamp).Build();
        }).ToUTF8();
    };
    const fs::path house = dir_ / "house.max";
    fs::copy_file(write("v1", true, 10.0f, "Lamp01"), house);
    const std::string lost = write("v2", false, 30.0f, "Lamp02"), back = write("v3", true, 30.0f, "Lamp02");
    OstrivansHelper* h = HelperFor(WStr::FromUTF8(house.string()));
    ASSERT_EQ(h->Load(), 1);
    b.Box("Local").Build();
    MoveTo(L"Door01", {77, 0, 0});
    const auto state = [&] {
        std::string s;
        for (const std::string& row : RecordRows(h)) s += row.substr(0, row.find(' ', row.find(' ') + 1)) + "; ";
        INode* wall = Node(L"Wall01");
        INode* door = Node(L"Door01");
        return s + "wall " + (wall ? std::to_string(int(wall->GetObjectRef()->GetParamBlock(0)->GetFloat(0))) : "-") +
               ", door at " + (door ? std::to_string(int(door->GetNodeTM(0).GetTrans().x)) : "-") + ", " +
               std::to_string(SceneNodeNames().size()) + " nodes";
    };
    const struct {
        std::string file; // "" for none, "-" for a damaged one
        int result;
        std::string state;
    } steps[] = {
        {lost, 1, "Door01 -(unloaded); Wall01 Wall01; Lamp02 Lamp02; wall 30, door at -, 4 nodes"},
        {back, 1, "Door01 Door01; Wall01 Wall01; Lamp02 Lamp02; wall 30, door at 77, 5 nodes"},
        {"", 0, "Door01 -(unloaded); wall -, door at -, 2 nodes"},
        {"-", 0, "Door01 -(unloaded); wall -, door at -, 2 nodes"},
        {back, 1, "Door01 Door01; Wall01 Wall01; Lamp02 Lamp02; wall 30, door at 77, 5 nodes"},
    };
    for (const auto& step : steps) {
        fs::remove(house);
        if (step.file == "-") std::ofstream(house, std::ios::binary) << "not a scene";
        else if (!step.file.empty()) fs::copy_file(step.file, house);
        EXPECT_EQ(h->Reload(), step.result) << step.state;
        EXPECT_EQ(state(), step.state);
    }
}

// Unload and reload bracket themselves with one batch and their broadcasts, inside a batch open no second
// one, and leave an empty undo buffer; an inactive helper's reload unloads and refuses to load. While the
// batch runs, the material editor shows no referenced material; it does again afterwards.
TEST_F(ReferenceUnloadTest, BroadcastsAndBatchesAroundUnloadAndReload) {
    OstrivansHelper* h = HelperFor(WriteHouse("house"));
    ASSERT_EQ(h->Load(), 1);
    ip->PutMtlToMtlEditor(Node(L"Wall01")->GetMtl(), 3);
    struct Row {
        std::function<void()> run;
        const char* codes;
        const char* prompt;
    };
    const Row rows[] = {
        {[&] { h->Unload(); }, " unload open close unloaded", "-"},
        {[&] { h->Reload(); }, " open unload unloaded load loaded close", "Reload Successful"},
        {[&] {
             BatchScope batch;
             EXPECT_EQ(ip->GetMtlSlot(3)->GetName().ToUTF8(), "") << "a default material stands in";
             h->Unload();
         },
         " open unload unloaded close", "-"},
        {[&] {
             h->GetParamBlock()->SetValue(pb_active, 0, 0);
             EXPECT_EQ(h->Reload(), 0);
         },
         " unload open close unloaded open unload unloaded load loaded close", "-"},
    };
    for (int code = NOTIFY_OSTRIVANS_PRE_UNLOAD; code <= NOTIFY_OSTRIVANS_BATCH_CLOSING; ++code)
        RegisterNotification(NoteCode, nullptr, code);
    for (const Row& row : rows) {
        Step([] { theHold.Put(new NothingRestore); });
        ip->DisplayTempPrompt(L"-");
        gCodes.clear();
        row.run();
        EXPECT_EQ(gCodes, row.codes);
        EXPECT_EQ(ip->GetPromptText().ToUTF8(), row.prompt) << row.codes;
        EXPECT_EQ(theHold.NumUndoSteps(), 0) << row.codes;
        EXPECT_FALSE(GetHelperModuleState().batchOpen);
        EXPECT_EQ(ip->GetMtlSlot(3)->GetName().ToUTF8(), "Brick") << row.codes;
    }
    UnRegisterNotification(NoteCode, nullptr);
}

// A failure is reported with the helper's description and the step reached; the batch the unload opened
// is closed and the caller's operation code is back.
TEST_F(ReferenceUnloadTest, AFailureIsReportedWithTheLastStep) {
    OstrivansHelper* h = HelperFor(WriteHouse("house"));
    ASSERT_EQ(h->Load(), 1);
    static NOTIFYPROC raise = [](void*, NotifyInfo*) {
        UnRegisterNotification(raise, nullptr, NOTIFY_SCENE_PRE_DELETED_NODE);
        throw MAXException(L"cannot delete now");
    };
    RegisterNotification(raise, nullptr, NOTIFY_SCENE_PRE_DELETED_NODE);
    SetCurrentOperation(OperationCode::Record);
    h->Unload();
    EXPECT_EQ(GetCurrentOperation(), OperationCode::Record);
    SetCurrentOperation(OperationCode::None);
    ASSERT_EQ(GetHostDialogs().Shown().size(), 1u);
    EXPECT_FALSE(GetHelperModuleState().batchOpen);
    EXPECT_EQ(GetHostDialogs().Shown()[0].text.ToUTF8(),
              "Error Unloading Reference\r\nName: Ostrivan01\r\nRefNodes: 2, RefMaterials: 2, RefLayers: 0\r\n"
              "NodesToDelete: 0, RenamedLayers: 0\r\nLastOperation: Lighting2\r\n\r\ncannot delete now");
}

TEST_F(ReferenceUnloadTest, WithPrintTimesTheUnloadWritesItsTimes) {
    OstrivansHelper* h = HelperFor(WriteHouse("house"));
    ASSERT_EQ(h->Load(), 1);
    SetPrintTimesSetting(1);
    listener.Clear();
    h->Unload();
    SetPrintTimesSetting(0);
    double collect = -1, removal = -1, total = -1;
    EXPECT_EQ(std::sscanf(Lines().c_str(), "\nOV Collect Time: %lf\nOV Delete Time: %lf\nOV Total Unloading Time: %lf",
                          &collect, &removal, &total), 3) << Lines();
    EXPECT_TRUE(collect >= 0 && removal >= 0 && total >= collect + removal) << Lines();
}
