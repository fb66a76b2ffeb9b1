// The built-in object and modifier classes and the generic ones: identity by catalogue, capability
// answers, real and weak extra references, per-class state with its undo, files and clones.
#include "host/scene/objects/ObjectClasses.h"
#include "host/core/FixedClassName.h"
#include "host/core/MaxException.h"
#include "host/scene/Interface.h"
#include "host/scene/objects/DerivedObject.h"
#include "host/scene/objects/DataChannelModifier.h"
#include "host/scene/objects/Morpher.h"
#include "host/scene/objects/ObjectDump.h"
#include "tests/support/GraphBuilder.h"
#include "tests/support/HostChecks.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

using Names = std::vector<std::string>;

class ObjectClassesTest : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterParamBlockClasses();
        RegisterObjectClasses();
    }
    void TearDown() override {
        while (theHold.GetBeginDepth() > 0)
            theHold.Cancel();
        theHold.ClearUndoBuffer();
        for (AnimHandle h : made_)
            if (auto* t = static_cast<ReferenceTarget*>(Animatable::GetAnimByHandle(h))) t->DeleteMe();
    }
    template <class T = ReferenceTarget> T* Keep(ReferenceTarget* t) {
        EXPECT_NE(t, nullptr);
        if (t) made_.push_back(Animatable::GetHandleByAnim(t));
        return dynamic_cast<T*>(t);
    }
    template <class T = ReferenceTarget> T* Make(const MCHAR* name) { return Keep<T>(CreateObjectByName(name)); }
    template <class T> T* RoundTrip(T* a) { return Keep<T>(ChunkRoundTrip(a)); }
    std::string Pipeline(Object* o) { return DumpObjectPipeline(o); }
    // The pipeline without parameter blocks: what a class's own chunks hold.
    static std::string OwnState(const std::string& pipeline) {
        std::istringstream in(pipeline);
        std::string out, line;
        size_t skipDeeperThan = std::string::npos;
        while (std::getline(in, line)) {
            const size_t indent = line.find_first_not_of(' ');
            if (skipDeeperThan != std::string::npos && indent > skipDeeperThan) continue;
            skipDeeperThan = line.compare(indent, 10, "ParamBlock") == 0 ? indent : std::string::npos;
            if (skipDeeperThan == std::string::npos) out += line + "\n";
        }
        return out;
    }

    GraphBuilder g;
    std::vector<AnimHandle> made_;
};

std::string Name(Animatable* a) {
    MSTR s;
    a->GetClassName(s);
    return s.ToUTF8();
}

// Every catalogue entry makes an instance of its identity and family, by class name and by script name.
TEST_F(ObjectClassesTest, EveryCatalogueEntryMakesItsClassByAnyCaseName) {
    ASSERT_GE(ObjectCatalog().size(), 21u);
    for (const ObjectCatalogEntry& e : ObjectCatalog()) {
        SCOPED_TRACE(e.className.ToUTF8());
        for (const MSTR& name : {e.className, e.scriptName}) {
            if (name.isNull()) continue;
            EXPECT_EQ(FindObjectClassByName(name.c_str())->classId, e.classId);
            ReferenceTarget* t = Make(name.c_str());
            ASSERT_NE(t, nullptr);
            EXPECT_EQ(t->SuperClassID(), e.superClass);
            EXPECT_EQ(t->ClassID(), e.classId);
            EXPECT_EQ(Name(t), e.className.ToUTF8());
            EXPECT_EQ(MSTR(FixedClassName(t)).ToUTF8(), Name(t)) << "the fixed name is GetClassName's";
            // The family's host base class, so that code can use the family's calls.
            EXPECT_TRUE(e.superClass == OSM_CLASS_ID ? dynamic_cast<Modifier*>(t) != nullptr
                        : e.superClass == WSM_CLASS_ID ? dynamic_cast<WSModifier*>(t) != nullptr
                                                       : dynamic_cast<Object*>(t) != nullptr);
            EXPECT_TRUE(e.superClass != LIGHT_CLASS_ID || dynamic_cast<LightObject*>(t));
            EXPECT_TRUE(e.superClass != SHAPE_CLASS_ID || static_cast<Object*>(t)->IsShapeObject());
        }
    }
    // Names are found without case, with spaces or underscores as scripts write them.
    EXPECT_EQ(FindObjectClassByName(L"CYLINDER")->classId, CYLINDER_OBJECT_CLASS_ID);
    EXPECT_EQ(FindObjectClassByName(L"Free Camera")->classId, FREE_CAMERA_CLASS_ID);
    EXPECT_EQ(FindObjectClassByName(L"Linked_XForm")->classId, Class_ID(0xC4D33, 0));
    EXPECT_EQ(FindObjectClassByName(L"NoSuchClass"), nullptr);
    EXPECT_EQ(CreateObjectByName(L"NoSuchClass"), nullptr);
}

// A generic class as a test configures it: what it must answer.
ObjectClassDef Def(SClass_ID super, ULONG a, const MCHAR* name) {
    ObjectClassDef s;
    s.superClass = super;
    s.classId = Class_ID(a, 0x7E5C);
    s.className = name;
    return s;
}

TEST_F(ObjectClassesTest, GenericClassesAnswerTheirConfiguredCapabilities) {
    struct Row {
        ObjectClassDef cls;
        int numSubs;
    };
    std::vector<Row> rows;
    ObjectClassDef s = Def(GEOMOBJECT_CLASS_ID, 1, L"TestParticles");
    s.canCopyAnim = FALSE;
    s.particleSystem = true;
    rows.push_back({s, 0});
    s = Def(GEOMOBJECT_CLASS_ID, 2, L"TestRefHolder");
    s.canCopyTrack = TRUE;
    s.numExtraRefs = 2;
    s.extraRefsWeak = true;
    rows.push_back({s, 0});
    s = Def(OSM_CLASS_ID, 4, L"TestDeformer");
    s.params = {MakeFloatParam(0, L"amount", 1.0f), MakeIntParam(1, L"axis", 0, 0, 2)};
    s.interfaces = {RWS_INTERFACE, Interface_ID(0x1234, 0x5678)};
    rows.push_back({s, 1});
    rows.push_back({Def(WSM_CLASS_ID, 6, L"TestWSMod"), 0});
    rows.push_back({Def(SYSTEM_CLASS_ID, 8, L"TestSystem"), 0});
    s = Def(LIGHT_CLASS_ID, 10, L"TestLight");
    s.pb1Params = {Pb1ParamDef{L"Intensity", TYPE_FLOAT_PB1, true, 2.0f, Point3()}};
    rows.push_back({s, 1});

    for (const Row& r : rows) {
        SCOPED_TRACE(r.cls.className.ToUTF8());
        ObjectClassDesc* cd = RegisterGenericObjectClass(r.cls);
        EXPECT_EQ(RegisterGenericObjectClass(r.cls), cd);
        EXPECT_EQ(GetClassDirectory().FindClass(r.cls.superClass, r.cls.classId), cd);
        ReferenceTarget* t = Keep(static_cast<ReferenceTarget*>(CreateInstance(r.cls.superClass, r.cls.classId)));
        ASSERT_NE(t, nullptr);
        EXPECT_EQ(Name(t), r.cls.className.ToUTF8());
        EXPECT_EQ(t->CanCopyAnim(), r.cls.canCopyAnim);
        EXPECT_EQ(t->CanCopyTrack(FOREVER, 0), r.cls.canCopyTrack);
        EXPECT_EQ(t->NumSubs(), r.numSubs);
        EXPECT_EQ(t->NumParamBlocks(), r.cls.params.empty() ? 0 : 1);
        EXPECT_EQ(t->NumRefs(), r.numSubs + r.cls.numExtraRefs);
        for (const Interface_ID& id : r.cls.interfaces)
            EXPECT_EQ(t->GetInterface(id)->GetID(), id);
        EXPECT_EQ(t->GetInterface(Interface_ID(0x4242, 0x4242)), nullptr);
        auto* o = dynamic_cast<Object*>(t);
        EXPECT_TRUE(!o || o->IsParticleSystem() == (r.cls.particleSystem ? TRUE : FALSE));
        EXPECT_EQ(FindObjectClassByName(r.cls.className.c_str())->classId, r.cls.classId);
    }
    // A class id a built-in class holds gives the built-in class; one another kind of class holds is refused.
    ObjectClassDef bone = Def(GEOMOBJECT_CLASS_ID, 0, L"Other Bone");
    bone.classId = BONE_OBJECT_CLASS_ID;
    EXPECT_EQ(RegisterGenericObjectClass(bone), GetClassDirectory().FindClass(GEOMOBJECT_CLASS_ID, BONE_OBJECT_CLASS_ID));
    ObjectClassDef clash = Def(GEN_DERIVOB_CLASS_ID, 0, L"Clash");
    clash.classId = DERIVOB_CLASS_ID_OS;
    EXPECT_THROW(RegisterGenericObjectClass(clash), MAXException);
}

// The answers the plug-in's kind rules read from built-in classes, and the parameter blocks of two of them.
TEST_F(ObjectClassesTest, BuiltInParticularClassesAnswerAsTheKindRulesExpect) {
    auto* pf = Make<Object>(L"PF Source");
    EXPECT_FALSE(pf->CanCopyAnim());
    EXPECT_TRUE(pf->IsParticleSystem());
    auto* boolean = Make<Object>(L"Boolean");
    EXPECT_TRUE(boolean->CanCopyAnim());
    EXPECT_EQ(boolean->NumRefs(), 1); // the block; operands add theirs
    EXPECT_EQ(Make<Modifier>(L"Morpher")->NumParamBlocks(), 0);
    EXPECT_EQ(Make<Modifier>(L"Bend")->GetInterface(RWS_INTERFACE), nullptr);
    EXPECT_NE(Make<Object>(L"Plane")->GetInterface(RWS_INTERFACE), nullptr);
    EXPECT_EQ(Make<Object>(L"Dummy")->GetInterface(RWS_INTERFACE), nullptr);
    // The box's block holds its parameters, and they shape its bounding box.
    auto* box = Make<Object>(L"Box");
    ASSERT_EQ(box->NumParamBlocks(), 1);
    IParamBlock2* pb = box->GetParamBlock(0);
    EXPECT_EQ(box->GetParamBlockByID(0), pb);
    EXPECT_EQ(pb->GetOwner(), box);
    EXPECT_EQ(box->SubAnim(0), pb);
    EXPECT_EQ(box->SubAnimName(0).ToUTF8(), "Parameters");
    g.Link(g.Maker("Rec"), 0, box);
    g.heard.clear();
    pb->SetValue(1, 0, 10.0f); // width
    pb->SetValue(2, 0, 4.0f);  // height
    EXPECT_EQ(g.Heard(), (Names{"Rec<-(Box):0x50", "Rec<-(Box):0x50"}));
    Box3 bb;
    box->GetLocalBoundBox(0, nullptr, bb);
    EXPECT_TRUE(bb.pmin == Point3(-5.0f, -12.5f, 0.0f));
    EXPECT_TRUE(bb.pmax == Point3(5.0f, 12.5f, 4.0f));
    // Lights keep their parameters in an older block, which names them.
    auto* omni = Make<LightObject>(L"Omnilight");
    ASSERT_EQ(omni->NumSubs(), 1);
    EXPECT_EQ(omni->NumParamBlocks(), 0);
    auto* lightBlock = static_cast<IParamBlock*>(omni->SubAnim(0));
    EXPECT_EQ(lightBlock->SuperClassID(), PARAMETER_BLOCK_CLASS_ID);
    EXPECT_EQ(lightBlock->SubAnimName(lightBlock->GetAnimNum(1)).ToUTF8(), "Multiplier");
}

TEST_F(ObjectClassesTest, RealExtraReferencesKeepTheirTargetsAndWeakOnesDoNotAndClonesShareThem) {
    auto* lx = Make<Modifier>(L"Linked_XForm"); // its node slot is weak
    auto* profile = Make<Modifier>(L"Bevel_Profile"); // its profile slot is real
    TestTarget* node = g.Target("Node");
    TestTarget* holder = g.Target("Holder");
    g.Link(g.Maker("Scene"), 0, node);
    g.Link(lx, 0, node);
    g.Link(profile, 1, holder);
    EXPECT_FALSE(lx->IsRealDependency(node));
    EXPECT_TRUE(lx->ShouldPersistWeakRef(node));
    EXPECT_TRUE(profile->IsRealDependency(holder));
    // A clone names the same node and keeps the modifier's state.
    lx->SetName(L"Follow");
    lx->DisableModInRender();
    auto* copy = Keep<Modifier>(CloneRefHierarchy(lx));
    EXPECT_EQ(copy->GetReference(0), node);
    EXPECT_EQ(copy->GetName().ToUTF8(), "Follow");
    EXPECT_EQ(copy->GetEnableFlags(), lx->GetEnableFlags());
    EXPECT_EQ(DependentNames(node), (Names{"Scene", "(Linked XForm)", "(Linked XForm)"}));
    lx->DeleteMe();
    profile->DeleteMe();
    EXPECT_TRUE(g.Alive("Node"));
    EXPECT_EQ(DependentNames(node), (Names{"Scene", "(Linked XForm)"}));
    EXPECT_FALSE(g.Alive("Holder"));
}

// Each class's own state: an edit notifies its dependents, undoes and redoes exactly (by the pipeline dump),
// and survives the class's chunks and a clone.
TEST_F(ObjectClassesTest, OwnStateUndoesSavesAndClones) {
    struct Row {
        const MCHAR* cls;
        PartID part; // of the change message each edit sends
        std::function<void(ReferenceTarget*)> edit;
    };
    const Row rows[] = {
        {L"Box", PART_GEOM,
         [](ReferenceTarget* t) {
             static_cast<RealWorldMapSizeInterface*>(t->GetInterface(RWS_INTERFACE))->SetUsePhysicalScaleUVs(TRUE);
         }},
        {L"Omnilight", PART_ALL,
         [](ReferenceTarget* t) {
             auto* omni = static_cast<LightObject*>(t);
             omni->SetUseLight(FALSE);
             omni->GetExclList()->SetFlag(NT_INCLUDE | NT_AFFECT_ILLUM);
         }},
        {L"Text", PART_TOPO | PART_GEOM,
         [](ReferenceTarget* t) {
             auto* text = static_cast<ITextObject*>(t->GetInterface(I_TEXTOBJECT));
             text->ChangeText(L"Ostrava ünïcode");
             text->ChangeFont(L"Courier");
             text->SetItalic(TRUE);
             text->SetUnderline(TRUE);
             text->SetAlignment(TEXTOBJ_RIGHT);
         }},
        {L"Morpher", PART_ALL,
         [](ReferenceTarget* t) {
             auto* m = static_cast<MorpherModifier*>(t);
             m->SetChannelName(3, L"Smile");
             m->SetChannelWeight(3, 50.0f);
             m->SetChannelActive(99, FALSE);
             m->SetProgressiveWeights(3, {100.0f, 40.0f});
             m->SetChannelWeight(100, 1.0f); // out of range: ignored
         }},
        {L"DataChannelModifier", PART_ALL,
         [](ReferenceTarget* t) {
             auto* dc = static_cast<DataChannelModifier*>(t);
             dc->SetOperators({L"VertexInput", L"VertexOutput"});
             dc->AppendOperator(L"Curve \u00e4");
         }},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(WStr(r.cls).ToUTF8());
        ReferenceTarget* t = Make(r.cls);
        auto* obj = dynamic_cast<Object*>(t);
        DerivedObject* stack = nullptr;
        if (!obj) {
            stack = Keep<DerivedObject>(CreateDerivedObject(Make<Object>(L"Box")));
            stack->AddModifier(static_cast<Modifier*>(t));
            obj = stack;
        }
        g.Link(g.Maker("Rec"), 0, t);
        g.heard.clear();
        const std::string edited = ExpectUndoRedoExact([&] { return Pipeline(obj); }, [&] { r.edit(t); });
        ASSERT_FALSE(g.heard.empty());
        for (const HeardMessage& h : g.heard)
            EXPECT_TRUE(h.message != REFMSG_CHANGE || (h.part & r.part) == r.part) << h.receiver;
        // A clone has everything; a loaded copy has its own state (the reader restores the blocks).
        for (bool cloned : {true, false}) {
            ReferenceTarget* copy = cloned ? Keep(CloneRefHierarchy(t)) : RoundTrip(t);
            Object* shown = stack ? nullptr : static_cast<Object*>(copy);
            if (stack) {
                shown = Keep<DerivedObject>(CreateDerivedObject(Make<Object>(L"Box")));
                static_cast<DerivedObject*>(shown)->AddModifier(static_cast<Modifier*>(copy));
            }
            EXPECT_EQ(cloned ? Pipeline(shown) : OwnState(Pipeline(shown)), cloned ? edited : OwnState(edited));
        }
    }
}

} // namespace
