// Unload and reload with real files: local changes kept across both, scene dependents carried by
// placeholders, a referenced file that changed or went missing, the batch and broadcasts around them, and
// the failure report.
#include "host/core/Hold.h"
#include "host/core/MaxException.h"
#include "host/scene/controllers/PositionConstraint.h"
#include "host/scene/controllers/XYZControl.h"
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

// Something outside the reference that is no scene object: a plain maker holding one reference.
struct Holder : ReferenceMaker {
    explicit Holder(ReferenceTarget* t) { ReplaceReference(0, t); }
    ~Holder() override { DeleteAllRefs(); }
    Class_ID ClassID() override { return Class_ID(0x7E5A0002, 0); }
    SClass_ID SuperClassID() override { return REF_MAKER_CLASS_ID; }
    int NumRefs() override { return 1; }
    RefTargetHandle GetReference(int) override { return held; }
    void SetReference(int, RefTargetHandle t) override { held = t; }
    ReferenceTarget* held = nullptr;
};

struct NothingRestore : RestoreObj {
    void Restore(int) override {}
    void Redo() override {}
};

} // namespace

using ReferenceUnloadTest = ReferenceFileFixture;

// Each local change comes back after an unload and a load, and after a reload; a kind of change is one row.
TEST_F(ReferenceUnloadTest, ALocalChangeSurvivesUnloadAndLoadAndReload) {
    struct Row {
        const char* what;
        std::function<void()> change;
        std::function<std::string()> read;
    } rows[] = {
        {"controller value", [] { MoveTo(L"Door01", {7, 5, 0}); }, [] { return Shape(Node(L"Door01")) + " x " +
             std::to_string(int(Node(L"Door01")->GetNodeTM(0).GetTrans().x)); }},
        {"controller replaced", [] { Step([] { Node(L"Door01")->GetTMController()->SetPositionController(new BezierPosition()); }); },
         [] { MSTR c; Node(L"Door01")->GetTMController()->GetPositionController()->GetClassName(c); return c.ToUTF8(); }},
        {"material parameter", [] { Step([] { Node(L"Wall01")->GetMtl()->GetParamBlock(0)->SetValue(std_glossiness, 0, 0.5f); }); },
         [] { return std::to_string(Node(L"Wall01")->GetMtl()->GetParamBlock(0)->GetFloat(std_glossiness)); }},
    };
    const MSTR file = WriteHouse("house");
    for (const Row& row : rows) {
        OstrivansHelper* h = HelperFor(file);
        ASSERT_EQ(h->Load(), 1);
        const std::string before = row.read();
        row.change();
        const std::string changed = row.read();
        ASSERT_NE(changed, before) << row.what;
        h->GetParamBlock()->SetValue(pb_active, 0, 0);
        EXPECT_EQ(SceneNodeNames(), std::vector<std::string>{"Ostrivan01"}) << row.what;
        h->GetParamBlock()->SetValue(pb_active, 0, 1);
        EXPECT_EQ(row.read(), changed) << row.what << " after unload and load";
        EXPECT_EQ(h->Reload(), 1);
        EXPECT_EQ(row.read(), changed) << row.what << " after reload";
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

// A holder outside the scene keeps an untouched node's controller alive: the node's record carries no
// change (the reload makes it anew), yet through the unload its mirror still stands for the controller.
TEST_F(ReferenceUnloadTest, AControllerKeptAliveOutsideStaysMirroredThroughTheUnload) {
    OstrivansHelper* h = HelperFor(WriteHouse("house"));
    ASSERT_EQ(h->Load(), 1);
    Control* pos = Node(L"Door01")->GetTMController()->GetPositionController();
    auto* rec = static_cast<RefNode*>(RefBase::FromItem(Node(L"Door01")));
    Holder holder(pos);
    h->Unload();
    ASSERT_FALSE(rec->HasOverrides());
    int mirrored = 0;
    for (int k = 0; k < rec->NumMirrors(); ++k) mirrored += rec->GetMirror(k) && rec->GetMirror(k)->GetAnim() == pos;
    EXPECT_EQ(mirrored, 1);
    EXPECT_EQ(h->Reload(), 1);
    EXPECT_NE(Node(L"Door01")->GetTMController()->GetPositionController(), pos);
    EXPECT_TRUE(holder.held == pos && !pos->TestAFlag(A_IS_DELETED));
}
