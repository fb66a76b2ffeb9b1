// The built-in object and modifier classes and the generic ones: identity, blocks, capability answers,
// per-class state with its undo, cloning, persistence and the pipeline dump.
#include "host/scene/objects/ObjectClasses.h"
#include "host/core/ChunkLoad.h"
#include "host/core/ChunkSave.h"
#include "host/core/ClassDirectory.h"
#include "host/core/Hold.h"
#include "host/core/MaxException.h"
#include "host/scene/Interface.h"
#include "host/scene/objects/DerivedObject.h"
#include "host/scene/objects/Morpher.h"
#include "host/scene/objects/ObjectDump.h"
#include "tests/support/GraphBuilder.h"
#include "tests/support/SceneBuilder.h"

#include <gtest/gtest.h>

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
    template <class T = ReferenceTarget> T* Make(const MCHAR* name) {
        ReferenceTarget* t = CreateObjectByName(name);
        EXPECT_NE(t, nullptr) << WStr(name);
        if (t) made_.push_back(Animatable::GetHandleByAnim(t));
        return dynamic_cast<T*>(t);
    }
    template <class T = ReferenceTarget> T* Make(ObjectClassDesc* cd, BOOL loading = FALSE) {
        auto* t = static_cast<ReferenceTarget*>(static_cast<Animatable*>(cd->Create(loading)));
        made_.push_back(Animatable::GetHandleByAnim(t));
        return dynamic_cast<T*>(t);
    }
    void Keep(ReferenceTarget* t) { made_.push_back(Animatable::GetHandleByAnim(t)); }
    // Saves a into memory and loads the bytes into a fresh instance of its class made for loading.
    template <class T> T* RoundTrip(T* a) {
        ChunkSave save;
        EXPECT_EQ(a->Save(&save), IO_OK);
        ClassDesc* cd = GetClassDirectory().FindClass(a->SuperClassID(), a->ClassID());
        auto* b = static_cast<ReferenceTarget*>(static_cast<Animatable*>(cd->Create(TRUE)));
        Keep(b);
        ChunkLoad load(save.Bytes());
        EXPECT_EQ(b->Load(&load), IO_OK) << load.GetLastError();
        return dynamic_cast<T*>(b);
    }

    GraphBuilder g;
    std::vector<AnimHandle> made_;
};

std::string Name(Animatable* a) {
    MSTR s;
    a->GetClassName(s);
    return s.ToUTF8();
}

TEST_F(ObjectClassesTest, EveryBuiltInClassIsCreatableByNameWithItsIdentity) {
    struct Row {
        const MCHAR* lookup;
        SClass_ID super;
        Class_ID id;
        const char* className;
    };
    const Row rows[] = {
        {L"box", GEOMOBJECT_CLASS_ID, BOX_OBJECT_CLASS_ID, "Box"},
        {L"Sphere", GEOMOBJECT_CLASS_ID, SPHERE_OBJECT_CLASS_ID, "Sphere"},
        {L"CYLINDER", GEOMOBJECT_CLASS_ID, CYLINDER_OBJECT_CLASS_ID, "Cylinder"},
        {L"Plane", GEOMOBJECT_CLASS_ID, PLANE_OBJECT_CLASS_ID, "Plane"},
        {L"Targetobject", GEOMOBJECT_CLASS_ID, TARGET_OBJECT_CLASS_ID, "Target"},
        {L"BoneGeometry", GEOMOBJECT_CLASS_ID, BONE_OBJECT_CLASS_ID, "BoneGeometry"},
        {L"Boolean", GEOMOBJECT_CLASS_ID, BOOLEAN_OBJECT_CLASS_ID, "Boolean"},
        {L"PF_Source", GEOMOBJECT_CLASS_ID, PF_SOURCE_CLASS_ID, "PF Source"},
        {L"Dummy", HELPER_CLASS_ID, DUMMY_HELPER_CLASS_ID, "Dummy"},
        {L"Point", HELPER_CLASS_ID, POINT_HELPER_CLASS_ID, "Point"},
        {L"Omnilight", LIGHT_CLASS_ID, OMNI_LIGHT_CLASS_ID, "Omni"},
        {L"targetSpot", LIGHT_CLASS_ID, TARGET_SPOT_LIGHT_CLASS_ID, "Target Spot"},
        {L"Free Camera", CAMERA_CLASS_ID, FREE_CAMERA_CLASS_ID, "Free Camera"},
        {L"Text", SHAPE_CLASS_ID, TEXT_SHAPE_CLASS_ID, "Text"},
        {L"Bend", OSM_CLASS_ID, BEND_MODIFIER_CLASS_ID, "Bend"},
        {L"Twist", OSM_CLASS_ID, TWIST_MODIFIER_CLASS_ID, "Twist"},
        {L"TurboSmooth", OSM_CLASS_ID, TURBOSMOOTH_MODIFIER_CLASS_ID, "TurboSmooth"},
        {L"Edit_Poly", OSM_CLASS_ID, EDIT_POLY_MODIFIER_CLASS_ID, "Edit Poly"},
        {L"Skin", OSM_CLASS_ID, SKIN_MODIFIER_CLASS_ID, "Skin"},
        {L"Morpher", OSM_CLASS_ID, MORPHER_MODIFIER_CLASS_ID, "Morpher"},
        {L"Linked_XForm", OSM_CLASS_ID, Class_ID(0xC4D33, 0), "Linked XForm"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(WStr(r.lookup).ToUTF8());
        const ObjectCatalogEntry* e = FindObjectClassByName(r.lookup);
        ASSERT_NE(e, nullptr);
        EXPECT_EQ(e->superClass, r.super);
        EXPECT_EQ(e->classId, r.id);
        ReferenceTarget* t = Make(r.lookup);
        ASSERT_NE(t, nullptr);
        EXPECT_EQ(t->SuperClassID(), r.super);
        EXPECT_EQ(t->ClassID(), r.id);
        EXPECT_EQ(Name(t), r.className);
        // The family's host base class, so that code can use the family's calls.
        if (r.super == OSM_CLASS_ID) {
            EXPECT_NE(dynamic_cast<Modifier*>(t), nullptr);
        } else {
            EXPECT_NE(dynamic_cast<Object*>(t), nullptr);
        }
        if (r.super == LIGHT_CLASS_ID) {
            EXPECT_NE(dynamic_cast<LightObject*>(t), nullptr);
        }
        if (r.super == SHAPE_CLASS_ID) {
            EXPECT_TRUE(static_cast<Object*>(t)->IsShapeObject());
        }
    }
    EXPECT_EQ(FindObjectClassByName(L"NoSuchClass"), nullptr);
    EXPECT_EQ(CreateObjectByName(L"NoSuchClass"), nullptr);
}

TEST_F(ObjectClassesTest, RegistrationIsIdempotentAndSurvivesAClearedDirectory) {
    const int n = GetClassDirectory().Count();
    RegisterObjectClasses();
    EXPECT_EQ(GetClassDirectory().Count(), n);
    GetClassDirectory().Clear();
    RegisterObjectClasses();
    EXPECT_NE(GetClassDirectory().FindClass(OSM_CLASS_ID, SKIN_MODIFIER_CLASS_ID), nullptr);
    EXPECT_NE(GetClassDirectory().FindClass(GEN_DERIVOB_CLASS_ID, DERIVOB_CLASS_ID_OS), nullptr);
    auto* dummy = static_cast<Object*>(CreateInstance(HELPER_CLASS_ID, DUMMY_HELPER_CLASS_ID));
    ASSERT_NE(dummy, nullptr);
    Keep(dummy);
    EXPECT_EQ(dummy->NumParamBlocks(), 0);
}

TEST_F(ObjectClassesTest, TheBoxBlockHoldsItsParametersAndShapesTheBoundingBox) {
    auto* box = Make<Object>(L"Box");
    ASSERT_EQ(box->NumParamBlocks(), 1);
    IParamBlock2* pb = box->GetParamBlock(0);
    ASSERT_NE(pb, nullptr);
    EXPECT_EQ(box->GetParamBlockByID(0), pb);
    EXPECT_EQ(pb->GetOwner(), box);
    EXPECT_EQ(pb->NumParams(), 7);
    EXPECT_FLOAT_EQ(pb->GetFloat(0), 25.0f);
    EXPECT_EQ(pb->GetInt(3), 1);
    EXPECT_EQ(box->NumSubs(), 1);
    EXPECT_EQ(box->SubAnim(0), pb);
    EXPECT_EQ(box->SubAnimName(0).ToUTF8(), "Parameters");

    TestMaker* rec = g.Maker("Rec");
    g.Link(rec, 0, box);
    g.heard.clear();
    pb->SetValue(1, 0, 10.0f); // width
    pb->SetValue(2, 0, 4.0f);  // height
    EXPECT_EQ(g.Heard(), (Names{"Rec<-(Box):0x50", "Rec<-(Box):0x50"}));
    Box3 bb;
    box->GetLocalBoundBox(0, nullptr, bb);
    EXPECT_TRUE(bb.pmin == Point3(-5.0f, -12.5f, 0.0f));
    EXPECT_TRUE(bb.pmax == Point3(5.0f, 12.5f, 4.0f));
}

TEST_F(ObjectClassesTest, TheRealWorldMapSizeSettingNotifiesGeometryAndUndoes) {
    auto* box = Make<Object>(L"Box");
    auto* rwms = static_cast<RealWorldMapSizeInterface*>(box->GetInterface(RWS_INTERFACE));
    ASSERT_NE(rwms, nullptr);
    EXPECT_EQ(rwms->GetID(), RWS_INTERFACE);
    EXPECT_EQ(Make<Object>(L"Dummy")->GetInterface(RWS_INTERFACE), nullptr);

    TestMaker* rec = g.Maker("Rec");
    g.Link(rec, 0, box);
    theHold.Begin();
    rwms->SetUsePhysicalScaleUVs(TRUE);
    theHold.Accept(L"RWMS");
    ASSERT_EQ(g.heard.size(), 1u);
    EXPECT_EQ(g.heard[0].part, PART_GEOM);
    rwms->SetUsePhysicalScaleUVs(TRUE); // unchanged
    EXPECT_EQ(g.heard.size(), 1u);
    ASSERT_TRUE(theHold.Undo());
    EXPECT_FALSE(rwms->GetUsePhysicalScaleUVs());
    EXPECT_EQ(g.heard.size(), 2u);
    ASSERT_TRUE(theHold.Redo());
    EXPECT_TRUE(rwms->GetUsePhysicalScaleUVs());
    EXPECT_TRUE(RoundTrip(box)->GetInterface(RWS_INTERFACE) != nullptr);
    EXPECT_TRUE(static_cast<RealWorldMapSizeInterface*>(RoundTrip(box)->GetInterface(RWS_INTERFACE))
                    ->GetUsePhysicalScaleUVs());
}

// A generic class as a test configures it, and what it must answer.
struct GenericRow {
    const char* label;
    ObjectClassDef cls;
    int numSubs;
    int numParamBlocks;
};

ObjectClassDef Def(SClass_ID super, ULONG a, const MCHAR* name) {
    ObjectClassDef s;
    s.superClass = super;
    s.classId = Class_ID(a, 0x7E5C);
    s.className = name;
    return s;
}

TEST_F(ObjectClassesTest, GenericClassesAnswerTheirConfiguredCapabilities) {
    std::vector<GenericRow> rows;
    {
        ObjectClassDef s = Def(GEOMOBJECT_CLASS_ID, 1, L"TestParticles");
        s.canCopyAnim = FALSE;
        s.particleSystem = true;
        rows.push_back({"particles", s, 0, 0});
    }
    {
        ObjectClassDef s = Def(GEOMOBJECT_CLASS_ID, 2, L"TestRefHolder");
        s.canCopyTrack = TRUE;
        s.numExtraRefs = 2;
        s.extraRefsWeak = true;
        rows.push_back({"reference holder", s, 0, 0});
    }
    {
        ObjectClassDef s = Def(GEOMOBJECT_CLASS_ID, 3, L"TestRWMS");
        s.interfaces = {RWS_INTERFACE, Interface_ID(0x1234, 0x5678)};
        s.params = {MakeFloatParam(0, L"size", 1.0f)};
        rows.push_back({"map size", s, 1, 1});
    }
    {
        ObjectClassDef s = Def(OSM_CLASS_ID, 4, L"TestDeformer");
        s.params = {MakeFloatParam(0, L"amount", 1.0f), MakeIntParam(1, L"axis", 0, 0, 2)};
        s.localData = true;
        rows.push_back({"deformer", s, 1, 1});
    }
    rows.push_back({"bare modifier", Def(OSM_CLASS_ID, 5, L"TestBareMod"), 0, 0});
    rows.push_back({"space-warp modifier", Def(WSM_CLASS_ID, 6, L"TestWSMod"), 0, 0});
    rows.push_back({"space warp", Def(WSM_OBJECT_CLASS_ID, 7, L"TestSpaceWarp"), 0, 0});
    rows.push_back({"system", Def(SYSTEM_CLASS_ID, 8, L"TestSystem"), 0, 0});
    {
        ObjectClassDef s = Def(HELPER_CLASS_ID, 9, L"TestPFHelper");
        s.canCopyAnim = FALSE;
        s.interfaces = {Interface_ID(0x74F93D02, 0x1EB34500)};
        rows.push_back({"helper", s, 0, 0});
    }
    {
        ObjectClassDef s = Def(LIGHT_CLASS_ID, 10, L"TestLight");
        s.pb1Params = {Pb1ParamDef{L"Intensity", TYPE_FLOAT_PB1, true, 2.0f, Point3()}};
        rows.push_back({"light", s, 1, 0});
    }

    for (const GenericRow& r : rows) {
        SCOPED_TRACE(r.label);
        ObjectClassDesc* cd = RegisterGenericObjectClass(r.cls);
        ASSERT_NE(cd, nullptr);
        EXPECT_EQ(RegisterGenericObjectClass(r.cls), cd);
        EXPECT_EQ(GetClassDirectory().FindClass(r.cls.superClass, r.cls.classId), cd);
        ReferenceTarget* t = Make(cd);
        ASSERT_NE(t, nullptr);
        EXPECT_EQ(t->SuperClassID(), r.cls.superClass);
        EXPECT_EQ(t->ClassID(), r.cls.classId);
        EXPECT_EQ(Name(t), r.cls.className.ToUTF8());
        EXPECT_EQ(t->CanCopyAnim(), r.cls.canCopyAnim);
        EXPECT_EQ(t->CanCopyTrack(FOREVER, 0), r.cls.canCopyTrack);
        EXPECT_EQ(t->NumSubs(), r.numSubs);
        EXPECT_EQ(t->NumParamBlocks(), r.numParamBlocks);
        EXPECT_EQ(t->NumRefs(), r.numSubs + r.cls.numExtraRefs);
        for (const Interface_ID& id : r.cls.interfaces) {
            BaseInterface* bi = t->GetInterface(id);
            ASSERT_NE(bi, nullptr);
            EXPECT_EQ(bi->GetID(), id);
        }
        EXPECT_EQ(t->GetInterface(Interface_ID(0x4242, 0x4242)), nullptr);
        switch (r.cls.superClass) {
        case OSM_CLASS_ID:
            EXPECT_NE(dynamic_cast<Modifier*>(t), nullptr);
            break;
        case WSM_CLASS_ID:
            EXPECT_NE(dynamic_cast<WSModifier*>(t), nullptr);
            break;
        case LIGHT_CLASS_ID:
            EXPECT_NE(dynamic_cast<LightObject*>(t), nullptr);
            break;
        default: {
            auto* o = dynamic_cast<Object*>(t);
            ASSERT_NE(o, nullptr);
            EXPECT_EQ(o->IsParticleSystem(), r.cls.particleSystem ? TRUE : FALSE);
        }
        }
        EXPECT_EQ(FindObjectClassByName(r.cls.className.c_str())->classId, r.cls.classId);
    }
    // A class id another kind of class holds cannot be taken.
    ObjectClassDef clash = Def(GEN_DERIVOB_CLASS_ID, DERIVOB_CLASS_ID, L"Clash");
    clash.classId = DERIVOB_CLASS_ID_OS;
    EXPECT_THROW(RegisterGenericObjectClass(clash), MAXException);
}

// The object, shape, helper, light, camera, space-warp and modifier classes the plug-in tells apart by
// class id: each can be made (a built-in class where the host has one, else a generic one).
TEST_F(ObjectClassesTest, EveryClassIdTheKindRulesNameCanBeMade) {
    struct Row {
        SClass_ID super;
        Class_ID id;
        BOOL canCopyAnim;
    };
    const Row rows[] = {
        {GEOMOBJECT_CLASS_ID, Class_ID(0x1BF8338D, 0x192F6098), TRUE},
        {GEOMOBJECT_CLASS_ID, Class_ID(0xE44F10B3, 0), TRUE},
        {GEOMOBJECT_CLASS_ID, Class_ID(0x1030, 0), TRUE},
        {GEOMOBJECT_CLASS_ID, Class_ID(0x76A11646, 0x12A822FB), TRUE},
        {GEOMOBJECT_CLASS_ID, Class_ID(0x87D987F4, 0xBE7C7E52), TRUE},
        {GEOMOBJECT_CLASS_ID, BONE_OBJECT_CLASS_ID, TRUE},
        {GEOMOBJECT_CLASS_ID, Class_ID(0x2A730CDB, 0x746B394F), TRUE},
        {GEOMOBJECT_CLASS_ID, Class_ID(0x9125, 0), TRUE},
        {GEOMOBJECT_CLASS_ID, BOOLEAN_OBJECT_CLASS_ID, TRUE},
        {GEOMOBJECT_CLASS_ID, Class_ID(0x5C2417BD, 0x44050964), TRUE},
        {GEOMOBJECT_CLASS_ID, Class_ID(0x6C3600A5, 0x11634EB8), TRUE},
        {GEOMOBJECT_CLASS_ID, Class_ID(0x74F93B02, 0x1EB34300), TRUE},
        {GEOMOBJECT_CLASS_ID, Class_ID(0x79FE41C2, 0x1D7B4FB1), TRUE},
        {GEOMOBJECT_CLASS_ID, Class_ID(0x39712DEF, 0x10A72959), TRUE},
        {GEOMOBJECT_CLASS_ID, PF_SOURCE_CLASS_ID, FALSE},
        {CAMERA_CLASS_ID, FREE_CAMERA_CLASS_ID, TRUE},
        {LIGHT_CLASS_ID, Class_ID(0x27D93542, 0x76F965B2), TRUE},
        {LIGHT_CLASS_ID, Class_ID(0x2EAF2F07, 0x7EC44F31), TRUE},
        {LIGHT_CLASS_ID, Class_ID(0x3C5575A1, 0x5FD602DF), TRUE},
        {SHAPE_CLASS_ID, Class_ID(0x1040, 0), TRUE},
        {SHAPE_CLASS_ID, TEXT_SHAPE_CLASS_ID, TRUE},
        {SHAPE_CLASS_ID, Class_ID(0x6B963D5F, 0x6E243528), TRUE},
        {HELPER_CLASS_ID, Class_ID(0x74F93B07, 0x1EB34300), TRUE},
        {HELPER_CLASS_ID, Class_ID(0x74F93B03, 0x1EB34300), FALSE},
        {HELPER_CLASS_ID, POINT_HELPER_CLASS_ID, TRUE},
        {HELPER_CLASS_ID, DUMMY_HELPER_CLASS_ID, TRUE},
        {HELPER_CLASS_ID, Class_ID(0x6E34B493, 0xE3C48E41), TRUE},
        {SYSTEM_CLASS_ID, Class_ID(0x92AAB38C, 0), TRUE},
        {WSM_OBJECT_CLASS_ID, Class_ID(0x67EA40B3, 0xFE7A30C4), TRUE},
        {WSM_OBJECT_CLASS_ID, Class_ID(0xFA4700BE, 0xBBE85051), TRUE},
        {OSM_CLASS_ID, EDIT_POLY_MODIFIER_CLASS_ID, TRUE},
        {OSM_CLASS_ID, Class_ID(0x21325596, 0x2CD10BD9), TRUE},
        {OSM_CLASS_ID, Class_ID(0x50, 0), TRUE},
        {OSM_CLASS_ID, SKIN_MODIFIER_CLASS_ID, TRUE},
        {OSM_CLASS_ID, MORPHER_MODIFIER_CLASS_ID, TRUE},
        {OSM_CLASS_ID, Class_ID(0x0EE23DE9, 0xFA432946), TRUE},
        {OSM_CLASS_ID, Class_ID(0x270F1FE3, 0x03B14999), TRUE},
        {OSM_CLASS_ID, Class_ID(0xE11, 0), TRUE},
        {OSM_CLASS_ID, Class_ID(0x100, 0), TRUE},
        {WSM_CLASS_ID, Class_ID(0x370F1FE3, 0x03B14999), TRUE},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.id.ToString());
        ObjectClassDef cls;
        cls.superClass = r.super;
        cls.classId = r.id;
        cls.className = MSTR::FromUTF8("Row " + r.id.ToString());
        cls.canCopyAnim = r.canCopyAnim;
        ObjectClassDesc* cd = RegisterGenericObjectClass(cls);
        ReferenceTarget* t = Make(cd);
        ASSERT_NE(t, nullptr);
        EXPECT_EQ(t->SuperClassID(), r.super);
        EXPECT_EQ(t->ClassID(), r.id);
        EXPECT_EQ(t->CanCopyAnim(), r.canCopyAnim);
        auto* viaHost =
            static_cast<ReferenceTarget*>(static_cast<Animatable*>(CreateInstance(r.super, r.id)));
        ASSERT_NE(viaHost, nullptr);
        Keep(viaHost);
        EXPECT_EQ(viaHost->ClassID(), r.id);
    }
}

TEST_F(ObjectClassesTest, BuiltInParticularClassesAnswerAsTheKindRulesExpect) {
    auto* pf = Make<Object>(L"PF Source");
    EXPECT_FALSE(pf->CanCopyAnim());
    EXPECT_TRUE(pf->IsParticleSystem());
    auto* boolean = Make<Object>(L"Boolean");
    EXPECT_TRUE(boolean->CanCopyAnim());
    EXPECT_EQ(boolean->NumRefs(), 2); // block and operand holder slot
    EXPECT_EQ(boolean->NumParamBlocks(), 1);
    auto* morpher = Make<Modifier>(L"Morpher");
    EXPECT_EQ(morpher->NumParamBlocks(), 0);
    auto* bend = Make<Modifier>(L"Bend");
    EXPECT_EQ(bend->GetInterface(RWS_INTERFACE), nullptr);
    EXPECT_EQ(bend->NumSubs(), 1);
    EXPECT_NE(Make<Object>(L"Plane")->GetInterface(RWS_INTERFACE), nullptr);
    EXPECT_NE(Make<Object>(L"Text")->GetInterface(RWS_INTERFACE), nullptr);
}

TEST_F(ObjectClassesTest, RealExtraReferencesKeepTheirTargetsAndWeakOnesDoNot) {
    auto* lx = Make<Modifier>(L"Linked_XForm"); // its node slot is weak
    auto* boolean = Make<Object>(L"Boolean");   // its operand holder slot is real
    TestTarget* node = g.Target("Node");
    TestTarget* holder = g.Target("Holder");
    TestMaker* scene = g.Maker("Scene"); // the scene holds its nodes
    g.Link(scene, 0, node);
    g.Link(lx, 0, node);
    g.Link(boolean, 1, holder);
    EXPECT_FALSE(lx->IsRealDependency(node));
    EXPECT_TRUE(lx->ShouldPersistWeakRef(node));
    EXPECT_TRUE(boolean->IsRealDependency(holder));
    EXPECT_TRUE(boolean->IsRealDependency(boolean->GetParamBlock(0)));

    lx->DeleteMe();
    boolean->DeleteMe();
    // The weakly named target is left alone; the really held one went with its holder (no other holder).
    EXPECT_TRUE(g.Alive("Node"));
    EXPECT_EQ(node->NumDependents(), 1);
    EXPECT_FALSE(g.Alive("Holder"));
}

TEST_F(ObjectClassesTest, ClonesCopyBlocksAndStateButNameTheSameNodes) {
    auto* box = Make<Object>(L"Box");
    box->GetParamBlock(0)->SetValue(0, 0, 7.0f);
    static_cast<RealWorldMapSizeInterface*>(box->GetInterface(RWS_INTERFACE))->SetUsePhysicalScaleUVs(TRUE);
    auto* copy = CloneRefHierarchy(box);
    Keep(copy);
    ASSERT_NE(copy, nullptr);
    EXPECT_NE(copy->GetParamBlock(0), box->GetParamBlock(0));
    EXPECT_EQ(copy->GetParamBlock(0)->GetOwner(), copy);
    EXPECT_FLOAT_EQ(copy->GetParamBlock(0)->GetFloat(0), 7.0f);
    EXPECT_TRUE(
        static_cast<RealWorldMapSizeInterface*>(copy->GetInterface(RWS_INTERFACE))->GetUsePhysicalScaleUVs());

    auto* lx = Make<Modifier>(L"Linked_XForm");
    TestTarget* node = g.Target("Node");
    g.Link(g.Maker("Scene"), 0, node);
    g.Link(lx, 0, node);
    lx->SetName(L"Follow");
    lx->DisableModInRender();
    auto* lxCopy = CloneRefHierarchy(lx);
    Keep(lxCopy);
    EXPECT_EQ(lxCopy->GetReference(0), node);
    EXPECT_EQ(lxCopy->GetName().ToUTF8(), "Follow");
    EXPECT_EQ(lxCopy->GetEnableFlags(), lx->GetEnableFlags());
    EXPECT_EQ(DependentNames(node), (Names{"Scene", "(Linked XForm)", "(Linked XForm)"}));
}

TEST_F(ObjectClassesTest, LightBlocksNameTheirParametersAndLightsSwitchWithUndo) {
    auto* omni = Make<LightObject>(L"Omnilight");
    ASSERT_EQ(omni->NumSubs(), 1);
    Animatable* pb = omni->SubAnim(0);
    ASSERT_NE(pb, nullptr);
    EXPECT_EQ(pb->SuperClassID(), PARAMETER_BLOCK_CLASS_ID);
    EXPECT_EQ(omni->NumParamBlocks(), 0);
    EXPECT_EQ(static_cast<IParamBlock*>(pb)->NumParams(), 9);
    Interval iv = FOREVER;
    float mult = 0;
    static_cast<IParamBlock*>(pb)->GetValue(1, 0, mult, iv);
    EXPECT_FLOAT_EQ(mult, 1.0f);
    const int anim = static_cast<IParamBlock*>(pb)->GetAnimNum(1);
    ASSERT_GE(anim, 0);
    EXPECT_EQ(pb->SubAnimName(anim).ToUTF8(), "Multiplier");

    ExclList* list = omni->GetExclList();
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->Count(), 0);
    EXPECT_EQ(list->GetOwner(), omni);
    theHold.Begin();
    omni->SetUseLight(FALSE);
    list->SetFlag(NT_INCLUDE | NT_AFFECT_ILLUM);
    theHold.Accept(L"Light");
    ASSERT_TRUE(theHold.Undo());
    EXPECT_TRUE(omni->GetUseLight());
    EXPECT_EQ(list->GetFlags(), 0);
    ASSERT_TRUE(theHold.Redo());
    EXPECT_FALSE(omni->GetUseLight());

    auto* loaded = RoundTrip(omni);
    EXPECT_FALSE(loaded->GetUseLight());
    EXPECT_EQ(loaded->GetExclList()->GetFlags(), NT_INCLUDE | NT_AFFECT_ILLUM);
    auto* copy = CloneRefHierarchy(omni);
    Keep(copy);
    EXPECT_FALSE(copy->GetUseLight());
    EXPECT_EQ(copy->GetExclList()->GetFlags(), NT_INCLUDE | NT_AFFECT_ILLUM);
    EXPECT_EQ(copy->GetExclList()->GetOwner(), copy);
}

TEST_F(ObjectClassesTest, TextShapePropertiesNotifyTopologyAndGeometryAndRoundTrip) {
    auto* text = Make<Object>(L"Text");
    auto* ito = static_cast<ITextObject*>(text->GetInterface(I_TEXTOBJECT));
    ASSERT_NE(ito, nullptr);
    EXPECT_EQ(Make<Object>(L"Box")->GetInterface(I_TEXTOBJECT), nullptr);
    TestMaker* rec = g.Maker("Rec");
    g.Link(rec, 0, text);
    theHold.Begin();
    ito->ChangeText(L"Ostrava ünïcode");
    ito->ChangeFont(L"Courier");
    ito->SetItalic(TRUE);
    ito->SetUnderline(TRUE);
    ito->SetAlignment(TEXTOBJ_RIGHT);
    theHold.Accept(L"Text");
    EXPECT_FALSE(ito->SetAlignment(7));
    ASSERT_EQ(g.heard.size(), 5u);
    for (const HeardMessage& h : g.heard)
        EXPECT_EQ(h.part, PART_TOPO | PART_GEOM);

    ASSERT_TRUE(theHold.Undo());
    EXPECT_EQ(ito->GetString().ToUTF8(), "Text");
    EXPECT_EQ(ito->GetFont().ToUTF8(), "Arial");
    EXPECT_FALSE(ito->GetItalic());
    EXPECT_EQ(ito->GetAlignment(), TEXTOBJ_LEFT);
    ASSERT_TRUE(theHold.Redo());

    auto* loaded = RoundTrip(text);
    auto* lt = static_cast<ITextObject*>(loaded->GetInterface(I_TEXTOBJECT));
    EXPECT_EQ(lt->GetString(), MSTR(L"Ostrava ünïcode"));
    EXPECT_EQ(lt->GetFont().ToUTF8(), "Courier");
    EXPECT_TRUE(lt->GetItalic());
    EXPECT_TRUE(lt->GetUnderline());
    EXPECT_EQ(lt->GetAlignment(), TEXTOBJ_RIGHT);
}

TEST_F(ObjectClassesTest, MorphChannelsEditUndoAndRoundTrip) {
    auto* m = Make<MorpherModifier>(L"Morpher");
    ASSERT_NE(m, nullptr);
    TestMaker* rec = g.Maker("Rec");
    g.Link(rec, 0, m);
    theHold.Begin();
    m->SetChannelName(3, L"Smile");
    m->SetChannelWeight(3, 50.0f);
    m->SetChannelActive(99, FALSE);
    m->SetProgressiveWeights(3, {100.0f, 40.0f});
    m->SetChannelWeight(100, 1.0f); // out of range: ignored
    theHold.Accept(L"Morph");
    EXPECT_EQ(g.heard.size(), 4u);
    auto* d = CreateDerivedObject(Make<Object>(L"Box"));
    Keep(d);
    d->AddModifier(m);
    const std::string text = DumpObjectPipeline(d);
    EXPECT_NE(text.find("channel 3 \"Smile\" on weight 50.0000 progressive (100.0000, 40.0000)\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("channel 99 \"\" off weight 0.0000\n"), std::string::npos) << text;

    auto* loaded = RoundTrip(m);
    EXPECT_EQ(loaded->GetChannel(3), m->GetChannel(3));
    EXPECT_EQ(loaded->GetChannel(99), m->GetChannel(99));
    EXPECT_FALSE(loaded->GetChannel(4).IsUsed());

    ASSERT_TRUE(theHold.Undo());
    EXPECT_FALSE(m->GetChannel(3).IsUsed());
    EXPECT_TRUE(m->GetChannelActive(99));
}

TEST_F(ObjectClassesTest, ModifiersThatKeepPerApplicationDataGetItWhenEvaluated) {
    auto* d = CreateDerivedObject(Make<Object>(L"Box"));
    Keep(d);
    auto* skin = Make<Modifier>(L"Skin");
    auto* bend = Make<Modifier>(L"Bend");
    d->AddModifier(skin);
    d->AddModifier(bend);
    EXPECT_EQ(d->GetModContext(1)->localData, nullptr);
    d->Eval(0);
    d->Eval(0);
    auto* data = dynamic_cast<ConfiguredLocalModData*>(d->GetModContext(1)->localData);
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data->owner, SKIN_MODIFIER_CLASS_ID);
    EXPECT_EQ(data->evaluations, 2);
    EXPECT_EQ(d->GetModContext(0)->localData, nullptr);
    // A context for a fresh stack is boxed around the object at the time.
    EXPECT_EQ(d->GetModContext(0)->Describe().ToUTF8(),
              "tm identity box (-12.5000, -12.5000, 0.0000) (12.5000, 12.5000, 25.0000)");
}

TEST_F(ObjectClassesTest, TheDummyKeepsItsBoxThroughUndoAndFiles) {
    auto* dummy = Make<Object>(L"Dummy");
    Box3 b;
    dummy->GetLocalBoundBox(0, nullptr, b);
    EXPECT_TRUE(b.pmax == Point3(5, 5, 5));
    auto* loaded = RoundTrip(dummy);
    loaded->GetLocalBoundBox(0, nullptr, b);
    EXPECT_TRUE(b.pmin == Point3(-5, -5, -5));
}

TEST_F(ObjectClassesTest, ThePipelineDumpShowsModifiersTopToBottomAndTheBaseObject) {
    auto* d = CreateDerivedObject(Make<Object>(L"Box"));
    Keep(d);
    auto* bend = Make<Modifier>(L"Bend");
    auto* twist = Make<Modifier>(L"Twist");
    d->AddModifier(bend);
    d->AddModifier(twist);
    twist->SetName(L"Spiral");
    bend->DisableModInViews();
    const std::string text = DumpObjectPipeline(d);
    const size_t top =
        text.find("  modifier 0: \"Spiral\" Twist (0x90, 0x0) super 0x810 enabled on, views on, render on\n");
    const size_t next =
        text.find("  modifier 1: \"Bend\" Bend (0x10, 0x0) super 0x810 enabled on, views off, render on\n");
    const size_t base = text.find("    Box (0x10, 0x0) super 0x10\n");
    ASSERT_NE(top, std::string::npos) << text;
    ASSERT_NE(next, std::string::npos) << text;
    ASSERT_NE(base, std::string::npos) << text;
    EXPECT_LT(top, next);
    EXPECT_LT(next, base);
    EXPECT_NE(text.find("real-world map size off"), std::string::npos) << text;
    EXPECT_EQ(DumpObjectPipeline(d), text); // deterministic
}

// Lights' include/exclude lists name scene nodes.
class LightListTest : public SceneFixture {};

TEST_F(LightListTest, ListsNameNodesOnceFindThemAndForgetDeletedOnes) {
    INode* a = b.Box("A").Build();
    INode* c = b.Sphere("C").Build();
    auto* omni = static_cast<LightObject*>(CreateObjectByName(L"Omnilight"));
    b.WithObject(omni, "Omni01").Build();
    ExclList* list = omni->GetExclList();

    Step([&] {
        EXPECT_EQ(list->AddNode(a), 0);
        EXPECT_EQ(list->AddNode(c), 1);
        EXPECT_EQ(list->AddNode(a), 0); // already there
    });
    EXPECT_EQ(list->Count(), 2);
    EXPECT_EQ(list->FindNode(c), 1);
    EXPECT_EQ((*list)[0], a);
    EXPECT_EQ(DumpObjectPipeline(omni).find("exclude list: \"A\", \"C\"\n") != std::string::npos, true)
        << DumpObjectPipeline(omni);
    const std::string withBoth = Dump();

    Step([&] { list->RemoveNode(a); });
    EXPECT_EQ(list->FindNode(c), 0);
    EXPECT_EQ(list->FindNode(a), -1);
    ASSERT_TRUE(theHold.Undo());
    EXPECT_EQ(Dump(), withBoth);
    EXPECT_EQ(list->FindNode(a), 0);

    // A deleted node reads as gone; undoing the deletion brings it back into the list.
    Step([&] { GetCOREInterface()->DeleteNode(c); });
    EXPECT_EQ(list->Count(), 2);
    EXPECT_EQ((*list)[1], nullptr);
    EXPECT_EQ(list->FindNode(c), -1);
    EXPECT_NE(DumpObjectPipeline(omni).find("\"A\", <deleted>"), std::string::npos);
    ASSERT_TRUE(theHold.Undo());
    EXPECT_EQ((*list)[1], c);
    EXPECT_EQ(Dump(), withBoth);

    // Shrinking drops the entries past the new size.
    list->SetSize(1);
    EXPECT_EQ(list->Count(), 1);
    EXPECT_EQ(list->FindNode(c), -1);
}

} // namespace
