// Unload and reload with real files: local changes kept across both, scene dependents carried by
// placeholders, a referenced file that changed or went missing, the batch and broadcasts around them, and
// the failure report.
#include "plugin/helper/ReferenceUnload.h"
#include "host/core/Hold.h"
#include "host/core/MaxException.h"
#include "host/scene/Control.h"
#include "host/scene/IParamBlock2.h"
#include "host/scene/controllers/PositionConstraint.h"
#include "plugin/frame/EmptyController.h"
#include "plugin/helper/HelperBatch.h"
#include "tests/plugin/helper/HelperTestSupport.h"

#include <filesystem>
#include <fstream>
#include <functional>

namespace {

constexpr ParamID kBoxLength = 0;

INode* Node(const MCHAR* name) {
    return GetCOREInterface()->GetINodeByName(name);
}

float Length(const MCHAR* name) {
    INode* n = Node(name);
    return n ? n->GetObjectRef()->FindBaseObject()->GetParamBlock(0)->GetFloat(kBoxLength) : -1.0f;
}

// The node's class of object and controller, and its world position: "Box PRS 0,5,0".
std::string Shape(INode* n) {
    if (!n) return "gone";
    MSTR obj, ctrl;
    n->GetObjectRef()->FindBaseObject()->GetClassName(obj);
    n->GetTMController()->GetClassName(ctrl);
    const Point3 p = n->GetNodeTM(0).GetTrans();
    return obj.ToUTF8() + " " + ctrl.ToUTF8() + " " + std::to_string(int(p.x)) + "," + std::to_string(int(p.y)) + "," +
           std::to_string(int(p.z));
}

class NothingRestore : public RestoreObj {
public:
    void Restore(int) override {}
    void Redo() override {}
};

class Codes {
public:
    Codes() {
        for (int code = NOTIFY_OSTRIVANS_PRE_UNLOAD; code <= NOTIFY_OSTRIVANS_BATCH_CLOSING; ++code)
            RegisterNotification(Proc, this, code);
    }
    ~Codes() { UnRegisterNotification(Proc, this); }
    std::string text;

private:
    static void Proc(void* param, NotifyInfo* info) {
        static const char* names[] = {"unload", "unloaded", "load", "loaded", "open", "close"};
        auto* self = static_cast<Codes*>(param);
        self->text += std::string(self->text.empty() ? "" : " ") + names[info->intcode - NOTIFY_OSTRIVANS_PRE_UNLOAD];
    }
};

} // namespace

class ReferenceUnloadTest : public ReferenceFileFixture {
protected:
    // Wall01 at the origin with its child Door01 at (0, 5, 0), Brick and Wood as in WriteWalls.
    MSTR WriteHouse(const std::string& stem) {
        return WriteFile(stem, [&] {
            INode* wall = b.Box("Wall01").Material(b.Standard("Brick")).Build();
            b.Box("Door01").Parent(wall).Pos({0, 5, 0}).Material(b.Standard("Wood")).Build();
        });
    }
    static void Edit(const std::function<void()>& f) { Step(f, L"Edit"); }
};

// Each local change comes back after an unload and a load, and after a reload. Rows for the node overrides
// join the table as one line each.
TEST_F(ReferenceUnloadTest, ALocalChangeSurvivesUnloadAndLoadAndReload) {
    struct Row {
        const char* what;
        std::function<void()> change;
        std::function<std::string()> read;
    };
    const auto position = [](const MCHAR* name) {
        return [name] { return std::to_string(int(Node(name)->GetNodeTM(0).GetTrans().x)); };
    };
    const Row rows[] = {
        {"modified controller", [] { Node(L"Door01")->GetTMController()->GetPositionController()->SetValue(0, new Point3(7, 5, 0)); },
         position(L"Door01")},
    };
    const MSTR file = WriteHouse("house");
    for (const Row& row : rows) {
        OstrivansHelper* h = HelperFor(file);
        ASSERT_EQ(h->Load(), 1);
        const std::string before = row.read();
        Edit(row.change);
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
    INode* follower = b.Box("Follower").Build();
    follower->GetTMController()->SetPositionController(constraint);
    constraint->AppendTarget(Node(L"Wall01"), 50.0f);
    INode* lamp = b.Box("Lamp").Parent(Node(L"Door01")).Pos({0, 5, 3}).Build();
    const auto state = [&] {
        return "wall " + Shape(Node(L"Wall01")) + "; door " + Shape(Node(L"Door01")) + "; lamp under " +
               WStr(lamp->GetParentNode()->GetName()).ToUTF8() + " at " + Shape(lamp) + "; target " +
               (constraint->GetNode(0) == Node(L"Wall01") ? "Wall01" : "other") + "; nodes " +
               std::to_string(SceneNodeNames().size());
    };

    h->Unload();
    EXPECT_EQ(state(), "wall Object EmptyController 0,0,0; door Object EmptyController 0,5,0; "
                       "lamp under Door01 at Box Position/Rotation/Scale 0,5,3; target Wall01; nodes 5");
    EXPECT_EQ(h->Reload(), 1);
    EXPECT_EQ(state(), "wall Box Position/Rotation/Scale 0,0,0; door Box Position/Rotation/Scale 0,5,0; "
                       "lamp under Door01 at Box Position/Rotation/Scale 0,5,3; target Wall01; nodes 5");
    EXPECT_EQ(h->GetRefNode(0)->GetNode(), Node(L"Wall01"));
}

// The referenced file changes between reloads: the scene takes the file's new content with the local
// changes on top; the record of a node the file lost keeps its change and binds again when the node
// returns.
TEST_F(ReferenceUnloadTest, AChangedFileIsTakenWithTheLocalChangesOnTop) {
    const auto write = [&](const std::string& stem, bool withDoor, float wallLength, const char* lampName) {
        return WriteFile(stem, [&] {
            INode* wall = b.Box("Wall01").Build();
            wall->GetObjectRef()->GetParamBlock(0)->SetValue(kBoxLength, 0, wallLength);
            if (withDoor) b.Box("Door01").Parent(wall).Pos({0, 5, 0}).Build();
            b.Box(lampName).Build();
            b.Box("Roof01").Build();
        }).ToUTF8();
    };
    const std::string first = write("v1", true, 10.0f, "Lamp01"), second = write("v2", false, 30.0f, "Lamp02"),
                      third = write("v3", true, 30.0f, "Lamp02");
    const auto take = [&](const std::string& version) {
        std::filesystem::copy_file(version, dir_ / "house.max", std::filesystem::copy_options::overwrite_existing);
    };
    take(first);
    OstrivansHelper* h = HelperFor(WStr::FromUTF8((dir_ / "house.max").string()));
    ASSERT_EQ(h->Load(), 1);
    const auto move = [](const MCHAR* name, float x) {
        Edit([&] { Node(name)->GetTMController()->GetPositionController()->SetValue(0, new Point3(x, 0.0f, 0.0f)); });
    };
    move(L"Door01", 77.0f);
    move(L"Roof01", 55.0f);
    const auto state = [&] {
        std::string s;
        for (const std::string& row : RecordRows(h)) s += row.substr(0, row.rfind(' ', row.rfind(' ') - 1)) + "; ";
        const auto x = [](const MCHAR* name) {
            return Node(name) ? std::to_string(int(Node(name)->GetNodeTM(0).GetTrans().x)) : std::string("-");
        };
        return s + "wall length " + std::to_string(int(Length(L"Wall01"))) + ", x " + x(L"Door01") + " " + x(L"Roof01");
    };

    take(second);
    ASSERT_EQ(h->Reload(), 1);
    EXPECT_EQ(state(), "Door01 -(unloaded); Roof01 Roof01; Wall01 Wall01; Lamp02 Lamp02; wall length 30, x - 55");
    take(third);
    ASSERT_EQ(h->Reload(), 1);
    EXPECT_EQ(state(), "Door01 Door01; Roof01 Roof01; Wall01 Wall01; Lamp02 Lamp02; wall length 30, x 77 55");
}

// A file that is missing or damaged at the reload leaves the records with their changes and the rest of
// the scene as it was; once the file is back, the reload puts everything back.
TEST_F(ReferenceUnloadTest, AReloadWithoutAReadableFileKeepsEveryRecordAndChange) {
    const MSTR file = WriteHouse("house");
    const std::filesystem::path path = file.ToUTF8();
    const std::filesystem::path saved = dir_ / "saved.max";
    std::filesystem::copy_file(path, saved);
    for (bool damaged : {false, true}) {
        OstrivansHelper* h = HelperFor(file);
        ASSERT_EQ(h->Load(), 1);
        b.Box("Local").Build();
        Edit([] { Node(L"Wall01")->GetTMController()->GetPositionController()->SetValue(0, new Point3(40, 0, 0)); });
        std::filesystem::remove(path);
        if (damaged) std::ofstream(path, std::ios::binary) << "not a scene";

        EXPECT_EQ(h->Reload(), 0);
        EXPECT_EQ(SceneNodeNames(), (std::vector<std::string>{"Ostrivan01", "Local"})) << damaged;
        // Door01's record carried nothing of the user's: the load dropped it, as every load does.
        ASSERT_EQ(RecordRows(h), std::vector<std::string>{"Wall01 -(unloaded) 12 loose"}) << damaged;
        EXPECT_EQ(h->GetRefNode(0)->GetMirror(1)->GetOverriddenState(), REFANIM_MODIFIED) << damaged;

        std::filesystem::copy_file(saved, path, std::filesystem::copy_options::overwrite_existing);
        EXPECT_EQ(h->Reload(), 1);
        EXPECT_EQ(Node(L"Wall01")->GetNodeTM(0).GetTrans().x, 40.0f) << damaged;
        ip->FileReset(TRUE);
    }
}

// Unload and reload bracket themselves with one batch and their broadcasts, inside a batch open no second
// one, and leave an empty undo buffer; an inactive helper's reload unloads and refuses to load.
TEST_F(ReferenceUnloadTest, BroadcastsAndBatchesAroundUnloadAndReload) {
    OstrivansHelper* h = HelperFor(WriteHouse("house"));
    ASSERT_EQ(h->Load(), 1);
    struct Row {
        std::function<void()> run;
        const char* codes;
        const char* prompt;
    };
    const Row rows[] = {
        {[&] { h->Unload(); }, "unload open close unloaded", "-"},
        {[&] { h->Reload(); }, "open unload unloaded load loaded close", "Reload Successful"},
        {[&] { BatchScope batch; h->Unload(); }, "open unload unloaded close", "-"},
        {[&] {
             AccessorDisabler off(h);
             h->GetParamBlock()->SetValue(pb_active, 0, 0);
             EXPECT_EQ(h->Reload(), 0);
         },
         "open unload unloaded load loaded close", "-"},
    };
    for (const Row& row : rows) {
        Edit([] { theHold.Put(new NothingRestore); });
        ASSERT_GT(theHold.NumUndoSteps(), 0);
        ip->Services().ClearRecord();
        ip->DisplayTempPrompt(L"-");
        Codes seen;
        row.run();
        EXPECT_EQ(seen.text, row.codes);
        EXPECT_EQ(ip->GetPromptText().ToUTF8(), row.prompt) << row.codes;
        EXPECT_EQ(theHold.NumUndoSteps(), 0) << row.codes;
        EXPECT_FALSE(GetHelperModuleState().batchOpen);
    }
    EXPECT_EQ(SceneNodeNames(), std::vector<std::string>{"Ostrivan01"});
}

