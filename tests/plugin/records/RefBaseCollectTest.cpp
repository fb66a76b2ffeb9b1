// A record's mirror collection on host scenes (paths, depth limit, no duplicates), the property that finds a
// record from its item, Clean, Clone, the dumps and the "RefBase" interface.
#include "host/core/Listener.h"
#include "host/core/MaxException.h"
#include "host/core/RemapDir.h"
#include "host/scene/Control.h"
#include "host/scene/CustAttrib.h"
#include "host/scene/materials/ParamDefBuilder.h"
#include "host/scene/IDerivedObject.h"
#include "host/scene/IParamBlock2.h"
#include "host/scene/Modifier.h"
#include "host/scene/objects/ObjectClasses.h"
#include "plugin/anims/RefAnim.h"
#include "plugin/anims/RefAnimPath.h"
#include "plugin/helper/HelperModuleState.h"
#include "plugin/records/RefBase.h"
#include "plugin/records/RefNode.h"
#include "tests/plugin/PluginTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

// A chain of animatables of no known kind, each the single sub-animatable of the one before: deeper than
// any path may go.
class ChainLink : public ReferenceTarget {
public:
    Class_ID ClassID() override { return Class_ID(0x7e57c4a1, 0x1); }
    SClass_ID SuperClassID() override { return 0x7e57; }
    int NumRefs() override { return 1; }
    RefTargetHandle GetReference(int i) override { return i == 0 ? next_ : nullptr; }
    int NumSubs() override { return 1; }
    Animatable* SubAnim(int i) override { return i == 0 ? next_ : nullptr; }
    MSTR SubAnimName(int, bool) override { return L"Next"; }
    ~ChainLink() override { DeleteAllRefs(); }

protected:
    void SetReference(int i, RefTargetHandle t) override {
        if (i == 0) next_ = t;
    }

private:
    ReferenceTarget* next_ = nullptr;
};

// A mirror's path and numbers ("Transform/Rotation #3.2").
std::string PathText(RefAnim* m) {
    const std::string row = MirrorRow(m);
    return row.substr(row.find(' ') + 1);
}

// A mirror that keeps one child of its animatable to itself: the walk does not go below it.
class KeepsChild : public RefAnim {
public:
    explicit KeepsChild(int kept) : kept_(kept) {}
    bool DescendsIntoChild(int index) const override { return index != kept_; }

private:
    int kept_;
};

int TreeDepth(const RefSubAnim* e) {
    int deepest = 0;
    for (int i = 0; i < e->NumChildren(); ++i)
        if (const RefSubAnim* c = e->GetChild(i)) deepest = std::max(deepest, 1 + TreeDepth(c));
    return deepest;
}

class RefBaseCollectTest : public PluginSceneFixture {
protected:
    // A box with a Bend under a Twist and a Standard material.
    INode* StackedBox() {
        INode* box = b.Box("Box01").Material(b.Standard("Brick")).Build();
        b.AddModifier(box, BEND_MODIFIER_CLASS_ID);
        b.AddModifier(box, TWIST_MODIFIER_CLASS_ID);
        return box;
    }
};

TEST_F(RefBaseCollectTest, MirrorsWhatTheKindRulePicksAtTheirPathsOnce) {
    RefBase* rec = Record(StackedBox());
    rec->CollectMirrors();
    // Owned by the record, unchanged: the PRS with its three tracks (position and rotation walked down
    // to their axes), the stack, the material.
    const std::string expected = "RefAnimPRS Transform #3\n"
                                 "RefAnimLocDep Transform/Position #3.1\n"
                                 "RefAnim Transform/Position/X Position #3.1.1\n"
                                 "RefAnim Transform/Position/Y Position #3.1.2\n"
                                 "RefAnim Transform/Position/Z Position #3.1.3\n"
                                 "RefAnimEuler Transform/Rotation #3.2\n"
                                 "RefAnim Transform/Rotation/X Rotation #3.2.1\n"
                                 "RefAnim Transform/Rotation/Y Rotation #3.2.2\n"
                                 "RefAnim Transform/Rotation/Z Rotation #3.2.3\n"
                                 "RefAnim Transform/Scale #3.3\n"
                                 "RefAnimWithRefsMod Object/Twist #4.1\n"
                                 "RefAnimPblock2 Object/Twist/Parameters #4.1.2\n"
                                 "RefAnimWithRefsMod Object/Bend #4.2\n"
                                 "RefAnimPblock2 Object/Bend/Parameters #4.2.2\n"
                                 "RefAnimMtl Material #5\n"
                                 "RefAnimPblock2 Material/shaderParameters #5.3\n"
                                 "RefAnimPblock2 Material/maps #5.4\n";
    EXPECT_EQ(MirrorTable(rec), expected);
    EXPECT_TRUE(rec->NumRefs() == 1 + 17 && !rec->IsBusy());
    ASSERT_NE(rec->GetStructure(), nullptr);
    EXPECT_EQ(rec->GetStructure()->GetAnim(), rec->GetItem());
    // A second walk finds every mirror in place and makes none.
    rec->CollectMirrors();
    EXPECT_EQ(MirrorTable(rec), expected);
}

// The remembered tree of an object with a custom attribute container: empty positions read as null
// wherever they stand, and the container's children keep their names.
TEST_F(RefBaseCollectTest, TheRememberedTreeKeepsPositionsAndContainerNames) {
    RegisterCustAttribClasses();
    INode* box = b.Box("Box01").Build();
    Object* obj = box->GetObjectRef();
    obj->AllocCustAttribContainer();
    CustAttribDef* def = DefineCustAttrib(L"TreeAttr", {MakeParamDef(0, L"weight", TYPE_FLOAT, 0, PB2Value::Float(1))});
    obj->GetCustAttribContainer()->AppendCustAttrib(def->CreateInstance());
    RefBase* rec = Record(box);
    rec->CollectMirrors();
    ASSERT_NE(rec->GetStructure(), nullptr);
    const RefSubAnim* object = rec->GetStructure()->GetChild(4);
    ASSERT_NE(object, nullptr);
    // The container's first position and the block's parameters hold no controller.
    EXPECT_EQ(object->Dump(), "Box\n"
                              "  CustAttribContainer: [CAC, TreeAttr]\n"
                              "    <null>\n"
                              "    TreeAttr\n"
                              "      <null>\n"
                              "      <null>\n"
                              "      ParamBlock2\n"
                              "        <null>\n"
                              "        <null>\n"
                              "  <null>\n"
                              "  ParamBlock2\n"
                              "    <null>\n"
                              "    <null>\n"
                              "    <null>\n"
                              "    <null>\n"
                              "    <null>\n"
                              "    <null>\n"
                              "    <null>\n"
                              "    <null>\n");
    EXPECT_EQ(object->GetChild(1), nullptr);
    EXPECT_EQ(object->GetChild(2)->GetAnim(), obj->GetParamBlock(0));
}

// A mirror's kind may keep children to itself: the walk remembers such a child without mirroring
// anything below it, and a structure check leaves it alone.
TEST_F(RefBaseCollectTest, AMirrorCanKeepChildrenFromTheWalk) {
    INode* box = b.Box("Box01").Build();
    RefBase* rec = Record(box);
    auto* prs = new KeepsChild(1); // Rotation, with its three tracks
    prs->SetOwner(rec);
    prs->SetPath({L"Transform"});
    prs->SetPathByNumber({3});
    prs->SetAnim(box->GetTMController());
    rec->AppendMirror(prs);
    rec->CollectMirrors();
    std::vector<std::string> rows = MirrorRows(rec);
    rows.resize(6);
    EXPECT_EQ(rows, (std::vector<std::string>{"RefAnim Transform #3", "RefAnimLocDep Transform/Position #3.1",
                                              "RefAnim Transform/Position/X Position #3.1.1",
                                              "RefAnim Transform/Position/Y Position #3.1.2",
                                              "RefAnim Transform/Position/Z Position #3.1.3",
                                              "RefAnim Transform/Scale #3.3"}));
    const RefSubAnim* transform = rec->GetStructure()->GetChild(3);
    ASSERT_NE(transform, nullptr);
    ASSERT_NE(transform->GetChild(2), nullptr);
    EXPECT_EQ(transform->GetChild(2)->NumChildren(), 0) << "remembered, not walked";
    const std::vector<std::string> before = MirrorRows(rec);
    rec->UpdateStructure();
    EXPECT_EQ(MirrorRows(rec), before);
}

// The walk from a node stops at its stack (the derived object shows its modifiers only); a node record
// walks the base object below the stack on its own, so a change of the user's to the base object's own
// parameters is kept through a re-merge.
TEST_F(RefBaseCollectTest, ANodeRecordMirrorsTheBaseObjectUnderAStack) {
    auto baseBlock = [](INode* n) {
        return ChainBaseObject(static_cast<IDerivedObject*>(n->GetObjectRef()))->GetParamBlock(0);
    };
    constexpr ParamID kHeight = 2;
    INode* old = StackedBox();
    baseBlock(old)->SetController(kHeight, 0, NewDefaultFloatController());
    auto* rec = new RefNode(old, nullptr);
    records.push_back(rec);
    std::vector<std::string> rows = MirrorRows(rec);
    ASSERT_EQ(rows.size(), 20u);
    EXPECT_EQ(std::vector<std::string>(rows.begin() + 17, rows.end()),
              (std::vector<std::string>{"RefAnimRWMS Object/Object #4.3",
                                        "RefAnimPblock2 Object/Object/Parameters #4.3.2",
                                        "RefAnim Object/Object/Parameters/height #4.3.2.3"}));

    baseBlock(old)->SetValue(kHeight, 0, 42.0f);
    // The content goes (the changed mirror keeps the user's track), then comes again from the file.
    {
        OperationCodeGuard unload(OperationCode::Unload);
        rec->Collect();
    }
    GetCOREInterface()->DeleteNode(old);
    INode* fresh = StackedBox();
    {
        OperationCodeGuard load(OperationCode::Load);
        rec->Update(fresh);
    }
    EXPECT_EQ(baseBlock(fresh)->GetFloat(kHeight), 42.0f);
}

TEST_F(RefBaseCollectTest, StopsAtTheDepthLimitWithoutError) {
    std::vector<ChainLink*> chain;
    for (int i = 0; i < 130; ++i) chain.push_back(new ChainLink());
    for (size_t i = 0; i + 1 < chain.size(); ++i) chain[i]->ReplaceReference(0, chain[i + 1]);
    RefBase* rec = Record(chain[0]);
    ASSERT_NO_THROW(rec->CollectMirrors());
    ASSERT_NE(rec->GetStructure(), nullptr);
    // Every step below the root is child 1 ("Next"); paths hold at most 99 entries.
    EXPECT_EQ(TreeDepth(rec->GetStructure()), 99);
    // Letting go of the head frees the chain once nothing else holds it.
    const AnimHandle head = Animatable::GetHandleByAnim(chain[0]);
    rec->DeleteReference(0);
    if (auto* left = static_cast<ReferenceTarget*>(Animatable::GetAnimByHandle(head))) left->MaybeAutoDelete();
}

TEST_F(RefBaseCollectTest, TheItemFindsItsRecordThroughItsProperty) {
    INode* a = b.Box("A").Build();
    INode* c = b.Box("C").Build();
    EXPECT_EQ(RefBase::FromItem(a), nullptr);
    RefNode* rec = Record<RefNode>(a);
    EXPECT_EQ(RefBase::FromItem(a), rec);
    // Moving to another item moves the property with it; a node record deletes the node it leaves.
    rec->Update(c);
    EXPECT_EQ(GetCOREInterface()->GetINodeByName(L"A"), nullptr);
    EXPECT_EQ(RefBase::FromItem(c), rec);
    EXPECT_GT(rec->NumMirrors(), 0);
    // A second record on the same item takes the property; the first one letting go leaves it.
    RefBase* other = Record(c);
    EXPECT_EQ(RefBase::FromItem(c), other);
    rec->DeleteReference(0);
    EXPECT_EQ(RefBase::FromItem(c), other);
    // A record that goes takes its property with it.
    records.pop_back();
    other->MaybeAutoDelete();
    EXPECT_EQ(RefBase::FromItem(c), nullptr);
}

TEST_F(RefBaseCollectTest, CleanKeepsOnlyMirrorsWithChangesAndCloneCopiesThem) {
    RefBase* rec = Record(StackedBox());
    rec->CollectMirrors();
    ASSERT_EQ(rec->NumMirrors(), 17);
    rec->GetMirror(5)->SetOverriddenState(REFANIM_MODIFIED);
    rec->GetMirror(12)->SetOverriddenState(REFANIM_REPLACED);
    rec->DeleteReference(5);  // an empty entry

    RemapDir remap;
    auto* copy = static_cast<RefBase*>(remap.CloneRef(rec));
    ASSERT_NE(copy, nullptr);
    records.push_back(copy);
    EXPECT_EQ(copy->GetItem(), nullptr);
    // Only the changed mirrors are copied (new ones), at their places, owned by the copy.
    const std::string rotation = "RefAnimEuler Transform/Rotation #3.2 state 2\n";
    const std::string bend = "RefAnimWithRefsMod Object/Bend #4.2 state 1\n";
    const std::string nulls = "null\nnull\nnull\nnull\nnull\nnull\n";
    EXPECT_EQ(MirrorTable(copy), nulls.substr(0, 25) + rotation + nulls + bend + nulls.substr(0, 20));
    EXPECT_TRUE(copy->GetMirror(5) != rec->GetMirror(5) && copy->GetMirror(12) != rec->GetMirror(12));
    // Clean with 1 keeps everything; with 0 only what carries a change.
    const auto cleaned = [&](int mode) {
        rec->Clean(mode);
        return MirrorTable(rec) + "refs " + std::to_string(rec->NumRefs()) + (rec->HasOverrides() ? " overrides" : "");
    };
    const std::string all = MirrorTable(rec);
    EXPECT_EQ(cleaned(1), all + "refs 18 overrides");
    EXPECT_EQ(cleaned(0), rotation + bend + "refs 3 overrides");
    rec->GetMirror(0)->SetOverriddenState(0);
    rec->GetMirror(1)->SetOverriddenState(0);
    EXPECT_EQ(cleaned(0), "refs 1");
}

// A mirror that found a new animatable in its parent's place asks for a mirror of it: everything at that
// place and below goes except the asking mirror, and the new one is Modified, of the modifier kind for a
// modifier.
TEST_F(RefBaseCollectTest, AMirrorOnDemandReplacesThoseAtItsPlace) {
    INode* box = b.Box("Box01").Build();
    Modifier* bend = b.AddModifier(box, BEND_MODIFIER_CLASS_ID);
    RefBase* rec = Record(box);
    rec->CollectMirrors();
    ASSERT_EQ(rec->NumMirrors(), 12);
    auto at = [&](const std::string& path) {
        for (int i = 0; i < rec->NumMirrors(); ++i)
            if (rec->GetMirror(i) && PathText(rec->GetMirror(i)) == path) return i;
        return -1;
    };
    const int modAt = at("Object/Bend #4.1"), blockAt = at("Object/Bend/Parameters #4.1.2");
    ASSERT_GE(modAt, 0);
    ASSERT_GE(blockAt, 0);
    RefAnim* asking = rec->GetMirror(blockAt);
    RefAnim* made = MirrorOnDemand(rec, asking, bend, {L"Object", L"Bend"}, {4, 1});
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(rec->GetMirror(modAt), nullptr);
    EXPECT_EQ(rec->GetMirror(blockAt), asking);
    EXPECT_EQ(rec->GetMirror(rec->NumMirrors() - 1), made);
    EXPECT_EQ(made->GetKindID(), KIND_MOD);
    EXPECT_EQ(made->GetOverriddenState(), REFANIM_MODIFIED);
    EXPECT_EQ(PathText(made), "Object/Bend #4.1");
    // Anything else gets the plain kind; the mirrors beside the place stay.
    Control* scale = box->GetTMController()->GetScaleController();
    const int scaleAt = at("Transform/Scale #3.3");
    RefAnim* plain = MirrorOnDemand(rec, nullptr, scale, {L"Transform", L"Scale"}, {3, 3});
    ASSERT_NE(plain, nullptr);
    EXPECT_EQ(plain->GetKindID(), KIND_PLAIN);
    EXPECT_EQ(rec->GetMirror(scaleAt), nullptr);
    EXPECT_NE(at("Transform/Position #3.1"), -1);
    EXPECT_EQ(MirrorOnDemand(rec, nullptr, nullptr, {L"X"}, {1}), nullptr);
}

TEST_F(RefBaseCollectTest, DumpsToTheListener) {
    RefBase* rec = Record(b.Box("Box01").Build());
    rec->CollectMirrors();
    ASSERT_EQ(rec->NumMirrors(), 12);
    rec->DeleteReference(2);
    EXPECT_EQ(rec->GetDescription(), MSTR(L"RefAnims: 12"));
    {
        ListenerCapture out;
        rec->PrintData(0);
        EXPECT_EQ(out.Text(), MSTR(L"RefAnims: 12\n"));
    }
    ListenerCapture out;
    rec->PrintData(1);
    const std::string text = out.Text().ToUTF8();
    EXPECT_EQ(text.rfind("RefAnims: \n\nRefAnim: 0\n", 0), 0u) << text;
    EXPECT_NE(text.find("\n\nRefAnim: 1\nNULL\n\n\nRefAnim: 2\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\n\nRefAnim: 11\n"), std::string::npos);
    EXPECT_EQ(text.back(), '\n');
}

// Indexing through the interface is the e2e script's (reference_interfaces.ms); a call without its
// argument is refused with the host's range error.
TEST_F(RefBaseCollectTest, TheInterfaceRefusesAMirrorCallWithoutItsIndex) {
    RefNode* rec = Record<RefNode>(b.Box("Box01").Build());
    auto* fp = dynamic_cast<FPInterface*>(rec->GetInterface(REFBASE_INTERFACE_ID));
    ASSERT_NE(fp, nullptr);
    FPValue result;
    try {
        fp->Invoke(RefBaseInterface::kGetRefAnim, result);
        ADD_FAILURE() << "no error for a missing argument";
    } catch (const MaxSDK::Util::OutOfRangeException& e) {
        EXPECT_EQ(e.Message(), MSTR(kArrayRangeErrorText));
    }
}

} // namespace
