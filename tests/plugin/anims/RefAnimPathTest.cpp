// Mirror paths on host scenes: the children a path steps through, resolution after renumbering, twins,
// empty slots and tables, and the checks of the "RefAnim" interface.
#include "host/core/Hold.h"
#include "host/core/MaxException.h"
#include "host/scene/Control.h"
#include "host/scene/CustAttrib.h"
#include "host/scene/IParamBlock2.h"
#include "host/scene/Modifier.h"
#include "host/scene/Mtl.h"
#include "host/scene/Object.h"
#include "host/scene/objects/ObjectClasses.h"
#include "host/script/ScriptError.h"
#include "host/script/ScriptRuntime.h"
#include "host/script/scene/NodeValue.h"
#include "plugin/anims/RefAnim.h"
#include "plugin/anims/RefAnimPath.h"
#include "plugin/records/RefNode.h"
#include "tests/plugin/PluginTestSupport.h"

#include <gtest/gtest.h>

namespace {

class RefAnimPathTest : public PluginSceneFixture {
protected:
    void SetUp() override {
        PluginSceneFixture::SetUp();
        box = b.Box("Box01").Build();
        pb = box->GetObjectRef()->GetParamBlock(0);
        height = NewDefaultFloatController();
        pb->SetController(2, 0, height);
        blockName = pb->GetDesc()->int_name;
    }
    // A resolution as one line: success, what it found, its parent, the numbers found (on success only),
    // child number and table index, with the fixture's animatables by name.
    std::string Resolution(bool ok, const PathResolution& r) const {
        const auto name = [&](Animatable* a) {
            return std::string(!a ? "-" : a == height ? "height" : a == pb ? "block" : "other");
        };
        std::string s = std::string(ok ? "ok " : "fail ") + name(r.anim) + " in " + name(r.parent) + " #";
        for (size_t i = 0; ok && i < r.newNumbers.size(); ++i) s += (i ? "." : "") + std::to_string(r.newNumbers[i]);
        return s + " child " + std::to_string(r.childNumber) + " tab " + std::to_string(r.tabIndex);
    }

    INode* box = nullptr;
    IParamBlock2* pb = nullptr;
    Control* height = nullptr;
    MSTR blockName;
};

// Position 0 is the attribute container, then the sub-animatables, then the blocks; a sub-animatable that
// is also a block of its parent stands as null, so the block is reached only once.
TEST_F(RefAnimPathTest, ChildrenOfNodesObjectsAndBlocks) {
    Object* obj = box->GetObjectRef();
    ASSERT_EQ(obj->SubAnim(0), static_cast<Animatable*>(pb));
    // Each child as what it is and the name it is given: "-" for none.
    const auto child = [&](Animatable* a, Animatable* parent, int i) {
        MSTR name;
        Animatable* c = GetChild(a, parent, i, -1, name);
        // A walk names its steps as interned names directly: the same child, the same name.
        PathName step;
        EXPECT_EQ(GetChild(a, parent, i, -1, &step), c);
        EXPECT_EQ(step.Str(), name);
        const char* what = !c ? "-" : c == pb ? "block" : c == height ? "height" : c == box->GetTMController() ? "tm"
                           : c == obj ? "object" : c == box->GetCustAttribContainerTarget() ? "cac" : "other";
        return std::string(what) + " " + (name == blockName ? "<block>" : name.ToUTF8()) + "|";
    };
    std::string seen = child(box, nullptr, 0);
    box->AllocCustAttribContainer();
    for (int i : {0, -1, 3, 4}) seen += child(box, nullptr, i);
    for (int i : {1, 2, 3}) seen += child(obj, box, i);
    // Length is not animated: an empty slot.
    for (int i : {3, 1}) seen += child(pb, obj, i);
    EXPECT_EQ(seen, "- CAC|cac CAC|- |tm Transform|object Object|- <block>|block <block>|- |height height|- length|");
}

// A modifier's step carries its name as the stack shows it, through renames that reuse the name's storage.
TEST_F(RefAnimPathTest, AModifiersStepFollowsItsName) {
    Modifier* bend = b.AddModifier(box, BEND_MODIFIER_CLASS_ID);
    Animatable* stack = box->GetObjectRef();
    std::string seen;
    for (const MCHAR* name : {L"", L"Left", L"Lift", L"", L"Bend"}) {
        if (*name || bend->HasOwnName()) bend->SetName(name);
        MSTR text;
        EXPECT_EQ(GetChild(stack, box, 1, -1, text), bend);
        EXPECT_EQ(ChildName(stack, 1, -1).Str(), text);
        seen += text.ToUTF8() + (bend->HasOwnName() ? " own|" : "|");
    }
    EXPECT_EQ(seen, "Bend|Left own|Lift own|Bend|Bend own|");
}

TEST_F(RefAnimPathTest, ResolvesByNumberThenByNameAndRecordsTheNumbersFound) {
    RefNode* rec = Record<RefNode>(box);
    RefAnim* m = Mirror(rec, nullptr, {}, {});
    struct Row {
        std::vector<WStr> names;
        std::vector<std::int32_t> numbers;
        const char* expected;
    };
    const std::vector<Row> rows = {
        {{L"Object", blockName, L"height"}, {4, 2, 3}, "ok height in block #4.2.3 child 3 tab -1"},
        // The child at the recorded number has another name: the child with the name wins.
        {{L"Object", blockName, L"height"}, {4, 2, 1}, "ok height in block #4.2.3 child 3 tab -1"},
        {{L"Object", blockName, L"height"}, {4, 2, 99}, "ok height in block #4.2.3 child 3 tab -1"},
        {{L"Object", blockName, L"height"}, {0, 2, 3}, "ok height in block #4.2.3 child 3 tab -1"},
        // An empty slot that the path names resolves to nothing, successfully.
        {{L"Object", blockName, L"width"}, {4, 2, 2}, "ok - in block #4.2.2 child 2 tab -1"},
        {{L"Object", blockName, L"radius"}, {4, 2, 3}, "fail - in block # child -1 tab -1"},
        {{L"Object", blockName}, {4}, "fail - in - # child -1 tab -1"},
        {{}, {}, "fail - in - # child -1 tab -1"},
    };
    for (const Row& row : rows) {
        PathResolution r;
        const bool ok = m->ResolvePath(box, row.names, row.numbers, r);
        EXPECT_EQ(Resolution(ok, r), row.expected) << (row.names.empty() ? "empty" : row.names.back().ToUTF8());
    }
}

TEST_F(RefAnimPathTest, EqualNamesTakeTheRecordedNumberFirstAndTheLowerNumberInAScan) {
    auto* list = static_cast<Control*>(CreateInstance(CTRL_FLOAT_CLASS_ID, Class_ID(0x4B4B1000, 0)));
    auto* il = static_cast<IListControl*>(list->GetInterface(LIST_CONTROLLER_INTERFACE));
    ASSERT_NE(il, nullptr);
    Control* a = NewDefaultFloatController();
    Control* c = NewDefaultFloatController();
    il->AppendItem(a, L"Same");
    il->AppendItem(c, L"Same");
    pb->SetController(0, 0, list); // length
    RefAnim* m = Mirror(Record<RefNode>(box), nullptr, {}, {});
    ASSERT_EQ(il->GetListCount(), 2);
    Animatable* child = nullptr;
    EXPECT_EQ(FindChild(list, pb, 2, PathName(L"Same"), -1, child), 2);
    EXPECT_EQ(child, c);
    EXPECT_EQ(FindChild(list, pb, 40, PathName(L"Same"), -1, child), 1);
    EXPECT_EQ(child, a);

    PathResolution r;
    ASSERT_TRUE(m->ResolvePath(box, {L"Object", blockName, L"length", L"Same"}, {4, 2, 1, 2}, r));
    EXPECT_EQ(r.anim, c);
    EXPECT_EQ(r.parent, list);
}

// A path through a table parameter: the parameter step stays on the block and names the table, the next
// step picks an element; an element number out of range is not searched for.
TEST_F(RefAnimPathTest, TablesOfABlockAreSteppedIntoByParameterThenElement) {
    Mtl* multi = b.MultiSub("Multi");
    IParamBlock2* mpb = multi->GetParamBlock(0);
    ASSERT_NE(mpb, nullptr);
    const int tabParam = mpb->IDtoIndex(0);
    ASSERT_GE(tabParam, 0);
    ASSERT_GE(mpb->Count(0), 2);
    Mtl* second = mpb->GetMtl(0, 0, 1);
    ASSERT_NE(second, nullptr);
    RefAnim* m = Mirror(Record<RefNode>(box), nullptr, {}, {});
    // From the block itself: the material's own layout leaves its block out of its children.
    const std::vector<WStr> names = {L"materialList", L"materialList[1]"};
    PathResolution r;
    ASSERT_TRUE(m->ResolvePath(mpb, names, {tabParam + 1, 1}, r));
    EXPECT_EQ(r.anim, second);
    EXPECT_EQ(r.parent, mpb);
    EXPECT_EQ(r.tabIndex, tabParam);
    EXPECT_EQ(r.childNumber, 1);
    // A renumbered element in range is found by its name; one out of range is not searched for.
    ASSERT_TRUE(m->ResolvePath(mpb, names, {tabParam + 1, 0}, r));
    EXPECT_EQ(r.anim, second);
    EXPECT_EQ(r.newNumbers.back(), 1);
    EXPECT_FALSE(m->ResolvePath(mpb, names, {tabParam + 1, 99}, r));
    EXPECT_EQ(r.anim, nullptr);
    EXPECT_EQ(r.parent, mpb); // a failure at the last step keeps the parent
    multi->MaybeAutoDelete();
}

// Another mirror of the same record standing for the same animatable at the same numbers makes the path
// ambiguous; mirrors of other records or at other numbers do not.
TEST_F(RefAnimPathTest, ATwinOfTheSameRecordBlocksResolution) {
    RefNode* rec = Record<RefNode>(box);
    const std::vector<WStr> names = {L"Object", blockName, L"height"};
    RefAnim* m = Mirror(rec, height, names, {4, 2, 3});
    PathResolution r;
    EXPECT_TRUE(m->GetAnimByPath(box, r));
    EXPECT_EQ(m->GetLastOperation(), 119);

    RefAnim* elsewhere = Mirror(rec, height, names, {4, 2, 7});
    EXPECT_TRUE(m->GetAnimByPath(box, r));
    RefAnim* otherRecord = Mirror(Record<RefNode>(box), height, names, {4, 2, 3});
    EXPECT_TRUE(m->GetAnimByPath(box, r));
    EXPECT_FALSE(m->HasTwinOnPath(height, {4, 2, 3}));

    elsewhere->SetPathByNumber({4, 2, 3});
    EXPECT_TRUE(m->HasTwinOnPath(height, {4, 2, 3}));
    EXPECT_FALSE(m->GetAnimByPath(box, r));
    EXPECT_FALSE(otherRecord->HasTwinOnPath(height, {4, 2, 3}));
}

// Scripts edit paths through the "RefAnim" interface (tests/e2e); called directly, missing arguments raise
// the host's range error and unknown ids are not found.
TEST_F(RefAnimPathTest, TheRefAnimInterfaceChecksItsCalls) {
    RefAnim* m = Mirror(Record<RefNode>(box), nullptr, {}, {});
    auto* fpi = static_cast<FPInterface*>(m->GetInterface(REFANIM_INTERFACE_ID));
    ASSERT_NE(fpi, nullptr);
    EXPECT_EQ(fpi->GetDesc()->internal_name, MSTR(L"RefAnim"));
    EXPECT_EQ(fpi->Invoke(6), FPS_NO_SUCH_FUNCTION);
    try {
        fpi->Invoke(RefAnimInterface::kSetPathItem, nullptr);
        ADD_FAILURE() << "a missing argument must throw";
    } catch (const MaxSDK::Util::OutOfRangeException& e) {
        EXPECT_EQ(e.Message(), MSTR(L"Argument index out of bounds, passed into a MaxSDK::Array::operator[]"));
    }
}

} // namespace
