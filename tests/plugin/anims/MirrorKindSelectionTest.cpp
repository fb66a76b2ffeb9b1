// The kind rule row by row, the walk width, the kind list and the mirror factory with its modes, and the
// IK guard.
#include "plugin/anims/IKGuard.h"
#include "plugin/anims/MirrorClassDescs.h"
#include "plugin/anims/MirrorKindSelection.h"
#include "plugin/anims/RefAnimBlockKinds.h"
#include "plugin/anims/RefAnimParticleKinds.h"
#include "plugin/frame/OperationCode.h"
#include "plugin/frame/OstrivansClassDesc.h"

#include "host/core/ClassDirectory.h"
#include "host/core/PlugApi.h"
#include "host/scene/Control.h"
#include "host/scene/CustAttrib.h"
#include "host/scene/HostServices.h"
#include "host/scene/IDerivedObject.h"
#include "host/scene/IParamBlock2.h"
#include "host/scene/ParticleFlow.h"
#include "host/scene/SceneEventManager.h"
#include "host/scene/controllers/LinkTransformControl.h"
#include "host/scene/controllers/ControllerClasses.h"
#include "host/scene/controllers/ReactionControl.h"
#include "host/scene/materials/ParamDefBuilder.h"
#include "host/scene/objects/ObjectClasses.h"
#include "host/script/ScriptRuntime.h"
#include "tests/plugin/PluginTestSupport.h"
#include "tests/support/SourceTree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <functional>
#include <sstream>
#include <map>
#include <memory>
#include <set>
#include <span>
#include <string>
#include <vector>

namespace {

// What a test animatable answers: identity, capability answers, interfaces, sub-animatables (by class),
// parameter blocks and whether it holds a reference.
struct Facts {
    SClass_ID super = 0;
    Class_ID cls{0, 0};
    BOOL copyAnim = TRUE;
    BOOL copyTrack = FALSE;
    BOOL replaceable = TRUE;
    std::vector<Interface_ID> answers;
    std::vector<Class_ID> subs;
    int blocks = 0;
    IParamBlock2* block = nullptr;
    bool ref = false;

    Facts& Subs(int n) { subs.assign(static_cast<size_t>(n), Class_ID(0x9999, 0)); return *this; }
    Facts& Third(Class_ID c) { subs = {Class_ID(0x9999, 0), Class_ID(0x9999, 0), c}; return *this; }
    Facts& Blocks(int n) { blocks = n; return *this; }
    Facts& Ref() { ref = true; return *this; }
    Facts& NoCopy() { copyAnim = FALSE; return *this; }
    Facts& Track() { copyTrack = TRUE; return *this; }
    Facts& Fixed() { replaceable = FALSE; return *this; }
    Facts& Answer(Interface_ID id) { answers.push_back(id); return *this; }
};

Facts F(SClass_ID s, Class_ID c) {
    Facts f;
    f.super = s;
    f.cls = c;
    return f;
}

bool IsControllerSuper(SClass_ID s) {
    return s >= CTRL_SHORT_CLASS_ID && s <= CTRL_FRGBA_CLASS_ID;
}

template <class Base> class FakeT : public Base {
public:
    explicit FakeT(Facts f) : f_(std::move(f)) {}
    Class_ID ClassID() override { return f_.cls; }
    SClass_ID SuperClassID() override { return f_.super; }
    BOOL CanCopyAnim() override { return f_.copyAnim; }
    BOOL CanCopyTrack(Interval, DWORD) override { return f_.copyTrack; }
    int NumSubs() override { return static_cast<int>(f_.subs.size()); }
    Animatable* SubAnim(int i) override;
    int NumParamBlocks() override { return f_.block ? 1 : f_.blocks; }
    IParamBlock2* GetParamBlock(int i) override { return i == 0 ? f_.block : nullptr; }
    int NumRefs() override { return 1; }
    RefTargetHandle GetReference(int i) override { return i == 0 && f_.ref ? Dummy() : nullptr; }
    using Base::GetInterface;
    BaseInterface* GetInterface(Interface_ID id) override {
        static BaseInterface answer;
        for (const Interface_ID& a : f_.answers)
            if (a == id) return &answer;
        return nullptr;
    }
    static ReferenceTarget* Dummy();

private:
    Facts f_;
    std::vector<std::unique_ptr<Animatable>> children_;
};

class FakeControl : public FakeT<Control> {
public:
    explicit FakeControl(Facts f) : FakeT(f), replaceable_(f.replaceable) {}
    BOOL IsReplaceable() override { return replaceable_; }
    void GetValue(TimeValue, void*, Interval&, GetSetMethod) override {}
    void SetValue(TimeValue, void*, int, GetSetMethod) override {}

private:
    BOOL replaceable_;
};

std::unique_ptr<Animatable> Make(const Facts& f) {
    if (IsControllerSuper(f.super)) return std::make_unique<FakeControl>(f);
    return std::make_unique<FakeT<ReferenceTarget>>(f);
}

template <class Base> Animatable* FakeT<Base>::SubAnim(int i) {
    if (children_.empty())
        for (const Class_ID& c : f_.subs) children_.push_back(Make(F(CTRL_FLOAT_CLASS_ID, c)));
    return i >= 0 && i < static_cast<int>(children_.size()) ? children_[static_cast<size_t>(i)].get() : nullptr;
}

template <class Base> ReferenceTarget* FakeT<Base>::Dummy() {
    static FakeT<ReferenceTarget> dummy(F(REF_TARGET_CLASS_ID, Class_ID(0x1, 0x1)));
    return &dummy;
}

std::string Hex(DWORD v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%X", static_cast<unsigned>(v));
    return buf;
}

constexpr Class_ID kOther(0x0BADC0DE, 0x1);
constexpr Interface_ID kRWMS(0x09FF44EF, 0x6C050704);
constexpr Interface_ID kList(0x444E7687, 0x722E6E36);
constexpr Interface_ID kCATCtrl(0x00D83DC1, 0x4C851B6C);
constexpr Interface_ID kLayerCtrl(0x434D7627, 0xA25E6E26);
constexpr Interface_ID kReferencing(0x25CE0F5C, 0x6C303D2F);


// The kind rule's rows are kept as text in kind_rule.txt, one row a line (lines starting with # are notes):
//   ANIM [| OWNER] = KIND      where ANIM and OWNER are SUPER CLASS [FACT ...]
// SUPER is a super class name without its _CLASS_ID suffix, CLASS is hex "A:B" or "other" (a class no
// row names), and the facts are subs=N, third=A:B (three subs, the third of that class), blocks=N, ref,
// nocopy, track, fixed and answer=NAME (rwms, list, cat, layer, referencing).
#define KIND_SUPER(name) {#name, name##_CLASS_ID},
const std::map<std::string, SClass_ID> kSupers = {
    KIND_SUPER(GEOMOBJECT) KIND_SUPER(CTRL_FLOAT) KIND_SUPER(CTRL_POINT3) KIND_SUPER(CTRL_MATRIX3)
    KIND_SUPER(CTRL_POSITION) KIND_SUPER(CTRL_ROTATION) KIND_SUPER(CTRL_SCALE) KIND_SUPER(MATERIAL)
    KIND_SUPER(TEXMAP) KIND_SUPER(WSM_OBJECT) KIND_SUPER(OSM) KIND_SUPER(WSM) KIND_SUPER(REF_TARGET)
    KIND_SUPER(REF_MAKER) KIND_SUPER(BASENODE) KIND_SUPER(GEN_DERIVOB) KIND_SUPER(PARAMETER_BLOCK)
    KIND_SUPER(PARAMETER_BLOCK2) KIND_SUPER(CAMERA) KIND_SUPER(LIGHT) KIND_SUPER(SHAPE) KIND_SUPER(HELPER)
    KIND_SUPER(SYSTEM) KIND_SUPER(SOUNDOBJ) KIND_SUPER(CUST_ATTRIB)};
#undef KIND_SUPER
const std::map<std::string, Interface_ID> kAnswers = {
    {"rwms", kRWMS}, {"list", kList}, {"cat", kCATCtrl}, {"layer", kLayerCtrl}, {"referencing", kReferencing}};

Class_ID ParseClass(const std::string& t) {
    if (t == "other") return kOther;
    const size_t colon = t.find(':');
    return Class_ID(static_cast<ULONG>(std::stoul(t.substr(0, colon), nullptr, 16)),
                    static_cast<ULONG>(std::stoul(t.substr(colon + 1), nullptr, 16)));
}

// One side of a row; false when a word is not understood.
bool ParseFacts(const std::string& text, Facts& f) {
    std::istringstream in(text);
    std::string super, cls, word;
    if (!(in >> super >> cls) || !kSupers.contains(super)) return false;
    f = F(kSupers.at(super), ParseClass(cls));
    while (in >> word) {
        const size_t eq = word.find('=');
        const std::string key = word.substr(0, eq), value = eq == std::string::npos ? "" : word.substr(eq + 1);
        if (key == "subs") f.Subs(std::stoi(value));
        else if (key == "third") f.Third(ParseClass(value));
        else if (key == "blocks") f.Blocks(std::stoi(value));
        else if (key == "ref") f.Ref();
        else if (key == "nocopy") f.NoCopy();
        else if (key == "track") f.Track();
        else if (key == "fixed") f.Fixed();
        else if (key == "answer" && kAnswers.contains(value)) f.Answer(kAnswers.at(value));
        else return false;
    }
    return true;
}

using MirrorKindSelectionTest = PluginSceneFixture;

// A rule file's rows with their answers computed afresh (what answer gives for an animatable of the row's
// facts under the row's owner), for comparison with the file itself. Counts the rows in rows.
std::string Answered(const char* file, const std::function<std::string(Animatable*, Animatable*)>& answer,
                     int& rows) {
    std::ifstream in(SourceTree() / file);
    std::string line, answered;
    for (rows = 0; std::getline(in, line);) {
        const size_t eq = line.find(" = "), bar = line.find(" | ");
        Facts anim, owner;
        const bool parsed = line.empty() || line[0] == '#' ||
                            (eq != std::string::npos && ParseFacts(line.substr(0, std::min(eq, bar)), anim) &&
                             (bar == std::string::npos || ParseFacts(line.substr(bar + 3, eq - bar - 3), owner)));
        if (!parsed || line.empty() || line[0] == '#') {
            EXPECT_TRUE(parsed) << line;
            answered += line + "\n";
            continue;
        }
        std::unique_ptr<Animatable> a = Make(anim);
        std::unique_ptr<Animatable> o = owner.super ? Make(owner) : nullptr;
        answered += line.substr(0, eq) + " = " + answer(a.get(), o.get()) + "\n";
        ++rows;
    }
    return answered;
}

TEST_F(MirrorKindSelectionTest, ResolveKindFollowsEveryRowOfTheRule) {
    EXPECT_EQ(ResolveKind(nullptr, nullptr), 0u);
    int rows = 0;
    const char* const file = "tests/plugin/anims/kind_rule.txt";
    ExpectGolden(Answered(file, [](Animatable* a, Animatable* o) { return Hex(ResolveKind(a, o)); }, rows), file);
    EXPECT_GT(rows, 250);
}

// The rule reads its tables once per class, but what an animatable answers (references, children,
// interfaces, capabilities) is asked of each: animatables of one class, resolved in turn and again, keep
// their own kinds.
TEST_F(MirrorKindSelectionTest, AnimatablesOfOneClassKeepTheirOwnKinds) {
    const struct {
        Facts facts;
        DWORD kind;
    } rows[] = {
        {F(OSM_CLASS_ID, kOther), KIND_MOD},
        {F(OSM_CLASS_ID, kOther).Ref(), KIND_WITH_REFS_MOD},
        {F(OSM_CLASS_ID, kOther).Subs(1).Answer(kRWMS), KIND_RWMS},
        {F(TEXMAP_CLASS_ID, kOther).Blocks(1), KIND_TEXMAP},
        {F(TEXMAP_CLASS_ID, kOther), KIND_PLAIN},
        {F(GEOMOBJECT_CLASS_ID, kOther).Track(), KIND_WITH_REFS},
        {F(GEOMOBJECT_CLASS_ID, kOther).NoCopy(), KIND_DESCEND_ONLY},
    };
    for (int pass = 0; pass < 2; ++pass)
        for (const auto& row : rows) EXPECT_EQ(Hex(ResolveKind(Make(row.facts).get(), nullptr)), Hex(row.kind));
}

// Children the walk visits: sub-animatables, blocks and the custom attribute position, with the special
// classes that count otherwise (rows in child_count.txt).
TEST_F(MirrorKindSelectionTest, ChildCountOfTheSpecialClasses) {
    EXPECT_EQ(ChildCount(nullptr, nullptr, -1), 0);
    int rows = 0;
    const char* const file = "tests/plugin/anims/child_count.txt";
    ExpectGolden(
        Answered(file, [](Animatable* a, Animatable* o) { return std::to_string(ChildCount(a, o, -1)); }, rows),
        file);
    EXPECT_GT(rows, 15);
}

// A block owned by a particle system's own object: its particle-driven controllers are tracked for local
// dependents; under any other object's block they get no decision.
TEST_F(MirrorKindSelectionTest, ParticleControllersDependOnTheBlocksOwningObject) {
    ParamBlockDesc2 desc(0, L"Params", -1, nullptr, 0);
    desc.AddParam(MakeParamDef(0, L"speed", TYPE_FLOAT, P_ANIMATABLE, PB2Value::Float(1)));
    auto particles = std::make_unique<FakeT<ReferenceTarget>>(F(GEOMOBJECT_CLASS_ID, {0x848361CB, 0x913CC083}));
    auto other = std::make_unique<FakeT<ReferenceTarget>>(F(GEOMOBJECT_CLASS_ID, {0x848361CB, 0x913CC084}));
    IParamBlock2* particleBlock = CreateParameterBlock2(&desc, static_cast<ReferenceMaker*>(particles.get()));
    IParamBlock2* otherBlock = CreateParameterBlock2(&desc, static_cast<ReferenceMaker*>(other.get()));
    for (Facts f : {F(CTRL_FLOAT_CLASS_ID, {0x72930021, 0x06951211}), F(CTRL_POINT3_CLASS_ID, {0x69F672C0, 0x27927AFA}),
                    F(CTRL_ROTATION_CLASS_ID, {0x19357028, 0x428C5294})}) {
        std::unique_ptr<Animatable> ctrl = Make(f.NoCopy());
        EXPECT_EQ(Hex(ResolveKind(ctrl.get(), particleBlock)) + " " + Hex(ResolveKind(ctrl.get(), otherBlock)) + " " +
                      Hex(ResolveKind(ctrl.get(), particles.get())),
                  Hex(0x3000C) + " " + Hex(0) + " " + Hex(0))
            << f.cls.ToString();
    }
    particleBlock->DeleteThis();
    otherBlock->DeleteThis();
}

// A particle flow test is found through the node that holds it; the same helper reached otherwise is only
// descended into.
TEST_F(MirrorKindSelectionTest, ParticleFlowTestsAreRecognisedThroughTheirNode) {
    ObjectClassDef def;
    def.superClass = HELPER_CLASS_ID;
    def.classId = Class_ID(0x7E5A1001, 0x1);
    def.className = L"Kind Test PF Test";
    def.isPublic = false;
    def.canCopyAnim = FALSE;
    def.interfaces = {PFTEST_INTERFACE};
    ObjectClassDef plain = def;
    plain.classId = Class_ID(0x7E5A1001, 0x2);
    plain.className = L"Kind Test PF Operator";
    plain.interfaces.clear();
    auto* test = static_cast<Object*>(RegisterGenericObjectClass(def)->Create(FALSE));
    auto* op = static_cast<Object*>(RegisterGenericObjectClass(plain)->Create(FALSE));
    INode* testNode = b.WithObject(test, "Test01").Build();
    INode* opNode = b.WithObject(op, "Op01").Build();
    EXPECT_TRUE(IPFActionList::IsTest(testNode) && !IPFActionList::IsTest(opNode));
    EXPECT_EQ(Hex(ResolveKind(test, testNode)) + " " + Hex(ResolveKind(op, opNode)) + " " + Hex(ResolveKind(test, nullptr)),
              Hex(0x230037) + " " + Hex(0x20000) + " " + Hex(0x20000));
    // Under a modifier the node's particle flow object is still the test at the bottom of the stack.
    b.AddModifier(testNode, BEND_MODIFIER_CLASS_ID);
    EXPECT_EQ(GetPFObject(testNode->GetObjectRef()), test);
    EXPECT_EQ(ResolveKind(test, testNode), 0x230037u);
}

// The host's own rig, particle and attribute classes answer the capability tests the way the rule needs.
TEST_F(MirrorKindSelectionTest, HostClassesReachTheirRows) {
    INode* node = b.Box("Box01").Build();
    auto kindOf = [&](SClass_ID s, Class_ID c, Animatable* owner) {
        for (const GenericControlConfig& cfg : HostGenericControllerConfigs())
            if (cfg.superClassId == s && cfg.classId == c) {
                GenericControl* ctrl = CreateGenericControl(cfg);
                const DWORD k = ResolveKind(ctrl, owner);
                ctrl->DeleteMe();
                return k;
            }
        auto* own = static_cast<ReferenceTarget*>(static_cast<Animatable*>(GetClassDirectory().CreateInstance(s, c)));
        if (!own) ADD_FAILURE() << "no host class " << c.ToString();
        const DWORD k = own ? ResolveKind(own, owner) : DWORD(0xFFFFFFFF);
        if (own) own->DeleteMe();
        return k;
    };
    EXPECT_EQ(kindOf(CTRL_MATRIX3_CLASS_ID, {0x9156, 0}, node), 0x1000Eu);
    EXPECT_EQ(kindOf(CTRL_MATRIX3_CLASS_ID, {0x9154, 0}, node), 0x30039u);
    EXPECT_EQ(kindOf(CTRL_MATRIX3_CLASS_ID, {0x0E6F5815, 0x717F99A4}, node), 0xE0034u);
    EXPECT_EQ(kindOf(CTRL_MATRIX3_CLASS_ID, {0xBE380A31, 0x310DC9E4}, node), 0xE0034u);
    EXPECT_EQ(kindOf(CTRL_MATRIX3_CLASS_ID, {0x022D5030, 0x4344191C}, node), 0x3002Bu);
    EXPECT_EQ(kindOf(CTRL_POINT3_CLASS_ID, {0x19080908, 0x3B617839}, nullptr), 0x30024u);
    auto* reaction = new ReactionControl();
    EXPECT_EQ(ResolveKind(reaction, nullptr), 0x30024u);
    reaction->DeleteMe();
    EXPECT_EQ(ResolveKind(node->GetTMController(), node), 0x30027u);
    EXPECT_EQ(ResolveKind(node, nullptr), 0x44000Bu);
    Object* pf = static_cast<Object*>(CreateObjectByName(L"PF_Source"));
    ASSERT_NE(pf, nullptr);
    EXPECT_EQ(ResolveKind(pf, node), 0x30016u);
    pf->DeleteMe();
    // The flow's event heads its own graph; a test is recognised through its node, a plain action is not.
    const std::pair<const MCHAR*, DWORD> flowParts[] = {{L"PF_Event", 0x30017u}, {L"PF_AgeTest", 0x230037u}, {L"PF_Birth", 0x20000u}};
    for (const auto& [name, kind] : flowParts) {
        auto* part = static_cast<Object*>(CreateObjectByName(name));
        ASSERT_NE(part, nullptr);
        EXPECT_EQ(ResolveKind(part, b.WithObject(part, "Part").Build()), kind) << WStr(name).ToUTF8();
    }
    auto* linkTM = new LinkTransformControl();
    EXPECT_EQ(ResolveKind(linkTM, node), 0x3003Bu);
    linkTM->DeleteMe();
    const std::pair<const MCHAR*, DWORD> modifiers[] = {{L"Bevel_Profile", 0x30025u}, {L"DataChannelModifier", 0xB0035u}};
    for (const auto& [name, kind] : modifiers) {
        auto* mod = static_cast<ReferenceTarget*>(CreateObjectByName(name));
        ASSERT_NE(mod, nullptr);
        EXPECT_EQ(ResolveKind(mod, nullptr), kind);
        mod->DeleteMe();
    }
}

TEST_F(MirrorKindSelectionTest, ChildCountOfDerivedObjectsSumsTheNestedStacks) {
    INode* node = b.Box("Box01").Build();
    b.AddModifier(node, BEND_MODIFIER_CLASS_ID);
    b.AddModifier(node, TWIST_MODIFIER_CLASS_ID);
    auto* inner = static_cast<IDerivedObject*>(node->GetObjectRef());
    ASSERT_EQ(inner->NumModifiers(), 2);
    // A second stack on top of the first.
    IDerivedObject* outer = CreateDerivedObject(inner);
    node->SetObjectRef(outer);
    outer->AddModifier(static_cast<Modifier*>(CreateObjectByName(L"Bend")));
    outer->AddModifier(static_cast<Modifier*>(CreateObjectByName(L"Twist")));
    outer->AddModifier(static_cast<Modifier*>(CreateObjectByName(L"Bend")));
    EXPECT_EQ((std::vector<int>{ChildCount(outer, node, -1), ChildCount(outer, nullptr, -1), ChildCount(inner, outer, -1)}),
              (std::vector<int>{3 + 2 + 1, 3 + 2 + 2, 2 + 2}));
    EXPECT_EQ(Hex(ResolveKind(outer, node)) + " " + Hex(ResolveKind(inner, outer)), Hex(0x220000) + " " + Hex(0xB002F));
}

TEST_F(MirrorKindSelectionTest, ChildCountOfBlocksContainersAndSwitchedFloats) {
    ParamBlockDesc2 desc(0, L"Params", -1, nullptr, 0);
    desc.AddParam(MakeParamDef(3, L"size", TYPE_FLOAT, 0, PB2Value::Float(1)));
    desc.AddParam(MakeParamDef(7, L"states", TYPE_FLOAT_TAB, 0, PB2Value::Float(1), 3));
    auto holder = std::make_unique<FakeT<ReferenceTarget>>(F(GEOMOBJECT_CLASS_ID, kOther));
    IParamBlock2* pb = CreateParameterBlock2(&desc, static_cast<ReferenceMaker*>(holder.get()));
    // The whole block, a parameter that is no table (no entries) and the table.
    EXPECT_EQ((std::vector<int>{ChildCount(pb, holder.get(), -1), ChildCount(pb, holder.get(), 0), ChildCount(pb, holder.get(), 1)}),
              (std::vector<int>{3, 0, 3}));

    // The switched float controller: its first block's states end in zero -> one or two positions.
    auto switched = [&](int subs) {
        Facts f = F(CTRL_FLOAT_CLASS_ID, {0x094E2D9C, 0x02C702B5}).Subs(subs);
        f.block = pb;
        std::unique_ptr<Animatable> c = Make(f);
        return ChildCount(c.get(), nullptr, -1);
    };
    std::vector<int> counts = {switched(3)}; // states 1, 1, 1
    pb->SetValue(7, 0, 0.0f, 2);
    counts.insert(counts.end(), {switched(3), switched(0)});
    pb->SetCount(7, 1); // a single zero state does not count
    pb->SetValue(7, 0, 0.0f, 0);
    counts.push_back(switched(3));
    pb->SetCount(7, 2); // a zero that is not the last state does not count either
    pb->SetValue(7, 0, 5.0f, 1);
    counts.push_back(switched(3));
    EXPECT_EQ(counts, (std::vector<int>{4, 2, 1, 4, 4}));
    pb->DeleteThis();

    // The custom attribute container: one position per attribute and one more.
    RegisterCustAttribClasses();
    INode* node = b.Box("Box01").Build();
    Object* obj = node->GetObjectRef();
    obj->AllocCustAttribContainer();
    CustAttribDef* def =
        DefineCustAttrib(L"KindTestAttr", {MakeParamDef(0, L"weight", TYPE_FLOAT, 0, PB2Value::Float(1))});
    obj->GetCustAttribContainer()->AppendCustAttrib(def->CreateInstance());
    obj->GetCustAttribContainer()->AppendCustAttrib(def->CreateInstance());
    ReferenceTarget* container = obj->GetCustAttribContainerTarget();
    EXPECT_EQ(ChildCount(container, obj, -1), 3);
    CustAttrib* attr = obj->GetCustAttribContainer()->GetCustAttrib(0);
    EXPECT_EQ(Hex(ResolveKind(container, obj)) + " " + Hex(ResolveKind(attr, container)) + " " +
                  Hex(ResolveKind(attr->GetParamBlock(0), attr)),
              Hex(0x20000) + " " + Hex(0x30007) + " " + Hex(0x230029));
}

// The kind list's rows: name and id.
struct ListedKind {
    const char* name;
    DWORD id;
};
#define LISTED_KIND(name, id, ...) {#name, id},
const ListedKind kListedKinds[] = {OSTRIVANS_MIRROR_KINDS(LISTED_KIND)};
#undef LISTED_KIND

TEST_F(MirrorKindSelectionTest, EveryListedKindIsUniqueAndCreatesARegisteredMirrorOfItsKind) {
    std::set<DWORD> ids;
    std::set<std::string> names;
    const std::span<OstrivansClassDesc* const> classes = MirrorClassDescs();
    // Classes registered under an id that is not the kind they report.
    const std::map<DWORD, Class_ID> otherClass = {
        {KIND_PLAIN_FLAGGED, {KIND_PLAIN, 0}},    {KIND_NODE_MIRROR, {KIND_PLAIN, 0}}, {KIND_LOC_DEP, {0xC, 0}},
        {KIND_PBLOCK2, {0x30004, 0}},             {KIND_PBLOCK2_WHOLE_TAB, {0x30004, 0}},
        {KIND_PBLOCK2_ELEMENTS, {0x30004, 0}},    {KIND_PBLOCK2_HELD, {0x30004, 0}},
        {KIND_PF_EVENT, {KIND_PF_SOURCE, 0}}};
    for (const ListedKind& k : kListedKinds) {
        EXPECT_TRUE(ids.insert(k.id).second) << k.name;
        EXPECT_TRUE(names.insert(k.name).second) << k.name;
        // Bit 16 says "creates a mirror" on every kind but the node's.
        EXPECT_EQ((k.id & KIND_CREATES_MIRROR) != 0, k.id != KIND_NODE_MIRROR) << k.name;
        std::unique_ptr<RefAnim> m(CreateMirror(k.id));
        ASSERT_NE(m, nullptr) << k.name;
        EXPECT_EQ(m->SuperClassID(), REFANIM_SUPER_CLASS_ID);
        EXPECT_EQ(m->GetAnim(), nullptr);
        // The layer controller's mirror always overrides as if flagged.
        EXPECT_EQ(m->GetKindFlag(), (k.id & KIND_FLAG) != 0 || k.id == KIND_LAYER_CTRL) << k.name;
        const auto other = otherClass.find(k.id);
        const bool plain = other != otherClass.end() && other->second == Class_ID(KIND_PLAIN, 0);
        EXPECT_EQ(m->GetKindID(), plain ? KIND_PLAIN : k.id) << k.name;
        EXPECT_EQ(m->ClassID(), other != otherClass.end() ? other->second : Class_ID(k.id, 0)) << k.name;
        EXPECT_EQ(std::count_if(classes.begin(), classes.end(),
                                [&](OstrivansClassDesc* d) { return d->ClassID() == m->ClassID(); }),
                  1)
            << k.name;
    }
    EXPECT_EQ(classes.size(), 45u);
    EXPECT_EQ(classes.front()->ClassID(), Class_ID(KIND_PLAIN, 0));
    // The modes behind the shared classes.
    std::string modes;
    for (DWORD code : {0x230004u, 0x230029u, 0x23002Au, 0x30036u}) {
        std::unique_ptr<RefAnimPblock2> m(static_cast<RefAnimPblock2*>(CreateMirror(code)));
        modes += std::to_string(m->GetTabResizeOverride()) + std::to_string(m->GetHoldOverride()) + " ";
    }
    EXPECT_EQ(modes, "00 10 20 01 ");
    std::unique_ptr<RefAnim> source(CreateMirror(0x30016)), event(CreateMirror(0x30017));
    EXPECT_EQ(static_cast<RefAnimPFSource*>(source.get())->GetMode(), 1);
    EXPECT_EQ(static_cast<RefAnimPFSource*>(event.get())->GetMode(), 0);
    // The registry's default instances keep the registered kinds.
    EXPECT_EQ(RefAnimPblock2(TRUE).GetKindID(), 0x230004u);
    EXPECT_EQ(RefAnimPFSource(TRUE).GetKindID(), 0x30016u);

    for (DWORD none : {KIND_UNDECIDED, KIND_NEVER, KIND_DESCEND_ONLY, KIND_NODE_DERIVED, 0x30004u,
                       KIND_PF_EVENT | KIND_FLAG, 0x3002Cu, 0x12345u})
        EXPECT_EQ(CreateMirror(none), nullptr) << Hex(none);
}

// The host's action manager and selection as the guard's texts use them, recorded.
class ActionRecorder : public HostObject {
public:
    std::wstring ClassName() const override { return L"Interface"; }
    bool CallMethod(Interpreter&, const std::wstring& m, CallArgs& a, Value& out) override {
        if (m != L"executeaction") return false;
        calls->push_back(L"action " + a[0].PrintForm() + L" " + a[1].PrintForm());
        out = Value::Bool(true);
        return true;
    }
    std::vector<std::wstring>* calls = nullptr;
};


class IKGuardTest : public MirrorKindSelectionTest {
protected:
    void SetUp() override {
        MirrorKindSelectionTest::SetUp();
        ScriptRuntime::Get().Reset();
        Interpreter& in = ScriptRuntime::Get().Interp();
        auto actions = std::make_shared<ActionRecorder>();
        actions->calls = &events;
        in.SetGlobal(L"actionMan", Value::Object(actions));
        in.RegisterGlobalAccessor(L"selection", [](Interpreter&) { return Value::Array({Value::String(L"Box01")}); });
        in.RegisterFunction(L"select", [this](Interpreter& i, CallArgs& a) {
            events.push_back(std::wstring(L"select ") + (i.ContextState(L"undo") ? L"undo on " : L"undo off ") +
                             a[0].PrintForm());
            return Value::Ok();
        });
        SetCurrentOperation(OperationCode::None);
        GetCOREInterface()->Services().ClearRecord();
        node = b.Box("Box01").Build();
        callbacks = TheSceneEventManager().NumCallbacks();
    }
    void TearDown() override {
        IKGuard::Get().Disarm();
        SetCurrentOperation(OperationCode::None);
        GetCOREInterface()->SetQuietMode(FALSE);
        ScriptRuntime::Get().Reset();
        MirrorKindSelectionTest::TearDown();
    }
    void ControllerEvent() { TheSceneEventManager().Fire(SceneEventManager::Event::ControllerStructured, node); }
    // Whether the guard is armed, the scene event callbacks it added, the messages shown and the recorded
    // events, as one text.
    std::string Guard() {
        std::string s = std::string(IKGuard::Get().IsArmed() ? "armed +" : "idle +") +
                        std::to_string(TheSceneEventManager().NumCallbacks() - callbacks) + " shown " +
                        std::to_string(GetCOREInterface()->Services().Shown().size());
        for (const std::wstring& e : events) s += " | " + WStr(e.c_str()).ToUTF8();
        return s;
    }

    std::vector<std::wstring> events;
    INode* node = nullptr;
    int callbacks = 0;
};

TEST_F(IKGuardTest, ArmsOnceOutsideALoadAndUndoesTheNextControllerEvent) {
    // A load merges solvers the file already had: nothing happens.
    SetCurrentOperation(OperationCode::Load);
    EXPECT_EQ(CreateMirror(KIND_IK_GUARD), nullptr);
    EXPECT_EQ(Guard(), "idle +0 shown 0");
    // Any other operation (or none) arms it, once.
    SetCurrentOperation(OperationCode::Record);
    EXPECT_EQ(CreateMirror(KIND_IK_GUARD), nullptr);
    SetCurrentOperation(OperationCode::None);
    EXPECT_EQ(CreateMirror(KIND_IK_GUARD), nullptr);
    EXPECT_EQ(Guard(), "armed +1 shown 0 | select undo off #(\"Box01\")");

    ControllerEvent();
    const std::string fired =
        "idle +0 shown 1 | select undo off #(\"Box01\") | action 0 \"40015\" | select undo on #(\"Box01\")";
    EXPECT_EQ(Guard(), fired);
    const HostServices::ShownMessage& shown = GetCOREInterface()->Services().Shown()[0];
    EXPECT_EQ(shown.title + L": " + shown.text, WStr(L"Reference Error: An IK Solver can't be assigned to a refed node."));
    EXPECT_EQ(shown.style & MB_ICONEXCLAMATION, MB_ICONEXCLAMATION);
    // Disarmed: a later event does nothing.
    ControllerEvent();
    EXPECT_EQ(Guard(), fired);
}

TEST_F(IKGuardTest, WithoutDialogsItStillUndoesTheSolver) {
    GetCOREInterface()->SetQuietMode(TRUE);
    CreateMirror(KIND_IK_GUARD);
    ControllerEvent();
    EXPECT_EQ(Guard(), "idle +0 shown 0 | select undo off #(\"Box01\") | action 0 \"40015\" | select undo on #(\"Box01\")");
    // It can be armed again afterwards.
    CreateMirror(KIND_IK_GUARD);
    EXPECT_TRUE(IKGuard::Get().IsArmed());
}

} // namespace
