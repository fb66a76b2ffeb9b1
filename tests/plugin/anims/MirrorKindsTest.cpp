// The mirror kinds with operations of their own, one row each: what a user edit leaves in the mirror, its
// references, whether it is passive, its chunks and their round trip, what an override under a load puts
// on the fresh content, and the reset verdict.
#include "host/core/ChunkLoad.h"
#include "host/core/ChunkSave.h"
#include "host/scene/Control.h"
#include "host/scene/HostServices.h"
#include "host/scene/Interface.h"
#include "host/scene/IDerivedObject.h"
#include "host/scene/CustAttrib.h"
#include "host/scene/materials/ParamDefBuilder.h"
#include "host/scene/Object.h"
#include "host/scene/biped/BipedPartControl.h"
#include "host/scene/biped/BipedRootControl.h"
#include "host/scene/controllers/ControllerClassIds.h"
#include "host/scene/controllers/LinkTransformControl.h"
#include "host/scene/controllers/ReactionControl.h"
#include "host/scene/objects/BooleanObject.h"
#include "host/scene/objects/ContainerHelper.h"
#include "host/scene/objects/DataChannelModifier.h"
#include "host/scene/objects/Morpher.h"
#include "host/scene/objects/ObjectClasses.h"
#include "host/scene/objects/SceneRefObject.h"
#include "plugin/anims/LocDepPass.h"
#include "plugin/anims/MirrorKindSelection.h"
#include "host/scene/ParticleFlow.h"
#include "plugin/anims/RefAnimParticleKinds.h"
#include "plugin/anims/RefAnimRefKinds.h"
#include "plugin/anims/RefAnimRigKinds.h"
#include "plugin/records/IRecordHelper.h"
#include "plugin/records/RefNode.h"
#include "tests/plugin/PluginTestSupport.h"
#include "tests/support/ChunkIds.h"

#include <gtest/gtest.h>

#include <functional>
#include <sstream>

namespace {

std::vector<std::uint8_t> Saved(RefAnim& m) {
    ChunkSave s;
    EXPECT_EQ(m.Save(&s), IO_OK);
    EXPECT_EQ(s.Commit(), IO_OK);
    return s.Bytes();
}

Control* Ctrl(Animatable* a) { return static_cast<Control*>(a); }
ITextObject* TextOf(Animatable* a) { return static_cast<ITextObject*>(a->GetInterface(I_TEXTOBJECT)); }
RealWorldMapSizeInterface* MapSizeOf(Animatable* a) {
    return static_cast<RealWorldMapSizeInterface*>(a->GetInterface(RWS_INTERFACE));
}
Point3 Translation(Control* tm) {
    Matrix3 m;
    Interval valid = FOREVER;
    tm->GetValue(0, &m, valid, CTRL_ABSOLUTE);
    return m.GetTrans();
}

class MirrorKindsTest : public PluginSceneFixture {
protected:
    void SetUp() override {
        PluginSceneFixture::SetUp();
        SetCurrentOperation(OperationCode::None);
        target = b.Box("Target01").Build();
        rec = Record<RefNode>(b.Box("Box01").Build());
    }
    INode* target = nullptr;
    RefNode* rec = nullptr;
    RefAnim* m_ = nullptr;
};

TEST_F(MirrorKindsTest, EachKindKeepsTheUsersEditAndPutsItOnTheFreshContent) {
    struct Row {
        DWORD kind;
        std::vector<WStr> path;
        std::vector<std::int32_t> numbers;
        // The file's content on a node (run on the merged node and on the fresh one); the mirrored animatable.
        std::function<ReferenceTarget*(INode*)> content;
        std::function<void(ReferenceTarget*)> edit;
        // What the fresh content shows after the override.
        std::function<std::string(INode* fresh, ReferenceTarget* mine)> shows;
        const char* expected;
        BYTE state = 0;
    };
    Control* userPosition = nullptr;
    int morphers = 0;
    RegisterCustAttribClasses();
    CustAttribDef* attrDef =
        DefineCustAttrib(L"KindsTestAttr", {MakeParamDef(0, L"weight", TYPE_FLOAT, 0, PB2Value::Float(1))});
    CustAttrib* userAttr = nullptr;
    const auto tm = [](INode* n) -> ReferenceTarget* { return n->GetTMController(); };
    const auto position = [](INode* n) -> ReferenceTarget* { return n->GetTMController()->GetPositionController(); };
    const auto text = [](INode* n) -> ReferenceTarget* {
        auto* shape = static_cast<Object*>(static_cast<Animatable*>(CreateInstance(SHAPE_CLASS_ID, TEXT_SHAPE_CLASS_ID)));
        n->SetObjectRef(shape);
        return shape;
    };
    const auto biped = [](INode* n) -> ReferenceTarget* {
        n->SetTMController(new BipedRootControl());
        return n->GetTMController();
    };
    const auto who = [](Animatable* a, Animatable* mine) { return std::string(a == mine ? "mine" : "fresh"); };
    // A position constraint on the target, in the node's position slot; the user adds a second target.
    const auto constrained = [&](INode* n) -> ReferenceTarget* {
        auto* c = static_cast<Control*>(
            static_cast<Animatable*>(CreateInstance(CTRL_POSITION_CLASS_ID, POSITION_CONSTRAINT_CLASS_ID)));
        static_cast<IConstraintTargets*>(c->GetInterface(POS_CONSTRAINT_INTERFACE))->AppendTarget(target);
        n->GetTMController()->SetPositionController(c);
        return c;
    };
    const auto addTarget = [&](ReferenceTarget* c) {
        static_cast<IConstraintTargets*>(c->GetInterface(POS_CONSTRAINT_INTERFACE))->AppendTarget(b.Box("Target02").Build());
    };
    const auto positionIsMine = [&](INode* n, ReferenceTarget* mine) {
        return "position " + who(n->GetTMController()->GetPositionController(), mine);
    };
    // A link controller linking the node to the target; the user adds a second link.
    const auto linked = [&](INode* n) -> ReferenceTarget* {
        auto* link =
            static_cast<Control*>(static_cast<Animatable*>(CreateInstance(CTRL_MATRIX3_CLASS_ID, LINK_CONSTRAINT_CLASS_ID)));
        static_cast<ILinkCtrl*>(link->GetInterface(LINK_CONSTRAINT_INTERFACE))->AddNewLink(target, 0);
        n->SetTMController(link);
        return link;
    };
    const auto addLink = [&](ReferenceTarget* link) {
        static_cast<ILinkCtrl*>(link->GetInterface(LINK_CONSTRAINT_INTERFACE))->AddNewLink(b.Box("Target02").Build(), 10);
    };
    const auto transformIsMine = [&](INode* n, ReferenceTarget* mine) { return "transform " + who(n->GetTMController(), mine); };
    const Row rows[] = {
        {KIND_PRS, {L"Transform"}, {3}, tm,
         [&](ReferenceTarget* prs) {
             // A value reaches the controller from its sub-controllers, whose own mirrors keep it.
             Matrix3 moved;
             moved.SetTrans(Point3(2, 0, 0));
             Ctrl(prs)->SetValue(0, &moved, 1, CTRL_ABSOLUTE);
             EXPECT_EQ(m_->GetOverriddenState(), 0);
             Ctrl(prs)->SetPositionController(userPosition = NewDefaultPositionController());
         },
         [&](INode* n, ReferenceTarget*) { return "position " + who(n->GetTMController()->GetPositionController(), userPosition); },
         "state 2, refs 4 passive 1, chunks 35 36 37 38 39 40, position mine, verdict 0 state 0"},
        {KIND_EULER, {L"Transform", L"Rotation"}, {3, 2},
         [](INode* n) -> ReferenceTarget* { return n->GetTMController()->GetRotationController(); },
         [&](ReferenceTarget* euler) {
             // A value on an axis marks nothing: only an axis assignment does.
             float v = 1.0f;
             Ctrl(euler->SubAnim(1))->SetValue(0, &v);
             EXPECT_EQ(m_->GetOverriddenState(), 0);
             euler->AssignController(NewDefaultFloatController(), 0);
         },
         [&](INode* n, ReferenceTarget* mine) { return "rotation " + who(n->GetTMController()->GetRotationController(), mine); },
         "state 2, refs 1 passive 1, chunks 35 36 36 37 38 38 39 40, rotation mine, verdict 0 state 0"},
        {KIND_CAT_CTRL, {L"Transform"}, {3}, tm,
         [](ReferenceTarget* c) {
             Matrix3 m;
             m.SetTrans(Point3(5, 0, 0));
             Ctrl(c)->SetValue(0, &m, 1, CTRL_ABSOLUTE);
         },
         [](INode* n, ReferenceTarget*) { return "x " + std::to_string(int(Translation(n->GetTMController()).x)); },
         "state 2, refs 1 passive 1, chunks 41 42, x 5, verdict 0 state 0"},
        {KIND_LOC_DEP, {L"Transform", L"Position"}, {3, 1}, position,
         [](ReferenceTarget* p) {
             Point3 v(3, 0, 0);
             Ctrl(p)->SetValue(0, &v);
         },
         [&](INode* n, ReferenceTarget*) { return std::string(m_->GetAnim() == position(n) ? "follows" : "stays"); },
         "state 0, refs 1 passive 1, chunks 35 36 36 37 38 38 39 40, follows, verdict 0 state 0"},
        {KIND_WITH_REFS, {L"Transform", L"Position"}, {3, 1}, constrained, addTarget, positionIsMine,
         "state 2, refs 3 passive 0, chunks 41 42, position mine, verdict 1 state 2"},
        {KIND_CONSTRAINT, {L"Transform", L"Position"}, {3, 1}, constrained, addTarget, positionIsMine,
         "state 2, refs 1 passive 0, chunks 35 36 36 37 38 38 39 40, position mine, verdict 1 state 2"},
        {KIND_INDEP_REFS, {L"Transform"}, {3}, linked, addLink, transformIsMine,
         "state 2, refs 3 passive 0, chunks 41 42 43, transform mine, verdict 1 state 2"},
        {KIND_LINK_CTRL, {L"Transform"}, {3}, linked,
         [&](ReferenceTarget* link) {
             // The transform's value belongs to its own sub-controller's mirror.
             Matrix3 moved;
             moved.SetTrans(Point3(0, 4, 0));
             Ctrl(link)->SetValue(0, &moved, 1, CTRL_ABSOLUTE);
             EXPECT_EQ(m_->GetOverriddenState(), 0);
             addLink(link);
         },
         transformIsMine, "state 2, refs 2 passive 0, chunks 35 36 37 38 39 40, transform mine, verdict 1 state 2"},
        // The control node moving and a new local value are not the user's edits of the controller; another
        // control node is.
        {KIND_LINK_TM, {L"Transform"}, {3},
         [&](INode* n) -> ReferenceTarget* {
             auto* ltm = new LinkTransformControl();
             ltm->SetControlNode(target);
             n->SetTMController(ltm);
             return ltm;
         },
         [&](ReferenceTarget* ltm) {
             Matrix3 moved;
             moved.SetTrans(Point3(0, 4, 0));
             Ctrl(ltm)->SetValue(0, &moved, 1, CTRL_ABSOLUTE);
             target->SetNodeTM(0, moved);
             EXPECT_EQ(m_->GetOverriddenState(), 0);
             static_cast<LinkTransformControl*>(ltm)->SetControlNode(b.Box("Target02").Build());
         },
         [&](INode* n, ReferenceTarget* mine) {
             INode* control = static_cast<LinkTransformControl*>(n->GetTMController())->GetControlNode();
             return transformIsMine(n, mine) + " under " + (control ? MSTR(control->GetName()).ToUTF8() : "none");
         },
         "state 2, refs 1 passive 0, chunks 35 36 37 38 39 40, transform mine under Target02, verdict 1 state 2"},
        {KIND_RWMS, {L"Object"}, {4}, [](INode* n) -> ReferenceTarget* { return n->GetObjectRef(); },
         [](ReferenceTarget* o) { MapSizeOf(o)->SetUsePhysicalScaleUVs(!MapSizeOf(o)->GetUsePhysicalScaleUVs()); },
         [&](INode* n, ReferenceTarget*) {
             return "map size " + std::to_string(MapSizeOf(n->GetObjectRef())->GetUsePhysicalScaleUVs()) + " " +
                    (n->GetObjectRef() == m_->GetAnim() ? "followed" : "not followed");
         },
         "state 2, refs 1 passive 0, chunks 41 42 43, map size 1 followed, verdict 1 state 2"},
        {KIND_TEXT, {L"Object"}, {4}, text,
         [](ReferenceTarget* s) {
             TextOf(s)->ChangeText(L"Hallo \u00e4");
             TextOf(s)->SetItalic(TRUE);
         },
         [](INode* n, ReferenceTarget*) {
             ITextObject* t = TextOf(n->GetObjectRef());
             return t->GetString().ToUTF8() + " italic " + std::to_string(t->GetItalic()) + " underline " +
                    std::to_string(t->GetUnderline());
         },
         "state 2, refs 1 passive 0, chunks 41 42 43 44 45 46, Hallo \u00e4 italic 1 underline 0, verdict 1 state 2"},
        {KIND_STD_LIGHT, {L"Object"}, {4},
         [](INode* n) -> ReferenceTarget* {
             auto* light = static_cast<Object*>(static_cast<Animatable*>(CreateInstance(LIGHT_CLASS_ID, OMNI_LIGHT_CLASS_ID)));
             n->SetObjectRef(light);
             return light;
         },
         [&](ReferenceTarget* l) {
             static_cast<LightObject*>(l)->SetUseLight(FALSE);
             static_cast<LightObject*>(l)->GetExclList()->AddNode(target); // no message: found when collecting
         },
         [](INode* n, ReferenceTarget*) {
             auto* light = static_cast<LightObject*>(n->GetObjectRef());
             const ExclList& list = *light->GetExclList();
             return "on " + std::to_string(light->GetUseLight()) + ", excludes " +
                    (list.Count() == 1 && list[0] ? MSTR(list[0]->GetName()).ToUTF8() : std::string("?"));
         },
         "state 2, refs 2 passive 0, chunks 41 42 43 44 46 47 48, on 0, excludes Target01, verdict 1 state 2"},
        {KIND_CAM, {L"Object"}, {4},
         [](INode* n) -> ReferenceTarget* {
             auto* cam = static_cast<Object*>(static_cast<Animatable*>(CreateInstance(CAMERA_CLASS_ID, FREE_CAMERA_CLASS_ID)));
             n->SetObjectRef(cam);
             return cam;
         },
         [](ReferenceTarget* c) { static_cast<GenCamera*>(c)->SetOrtho(TRUE); },
         [&](INode* n, ReferenceTarget*) {
             auto* cam = static_cast<GenCamera*>(n->GetObjectRef());
             return "ortho " + std::to_string(cam->IsOrtho()) + " cone " + std::to_string(cam->GetConeState()) + " " +
                    (m_->GetAnim() == cam ? "followed" : "not followed");
         },
         "state 2, refs 1 passive 0, chunks 41 42 43, ortho 1 cone 0 followed, verdict 1 state 2"},
        // The user gives the modifier a circle for its rectangle profile; the unload deletes the modifier. The
        // record meets the modifier after the node, as one the user added: a local use (state 4) besides.
        {KIND_BEVEL_PROFILE, {L"Object", L"Bevel Profile"}, {4, 1},
         [&](INode* n) -> ReferenceTarget* {
             Modifier* bp = b.AddModifier(n, BEVEL_PROFILE_MODIFIER_CLASS_ID);
             bp->ReplaceReference(1, static_cast<ReferenceTarget*>(CreateInstance(SHAPE_CLASS_ID, RECTANGLE_SHAPE_CLASS_ID)));
             return bp;
         },
         [](ReferenceTarget* bp) {
             bp->ReplaceReference(1, static_cast<ReferenceTarget*>(CreateInstance(SHAPE_CLASS_ID, CIRCLE_SHAPE_CLASS_ID)));
         },
         [&](INode* n, ReferenceTarget*) {
             Modifier* fresh = static_cast<IDerivedObject*>(n->GetObjectRef())->GetModifier(0);
             ReferenceTarget* profile = fresh->GetReference(1);
             return std::string(profile && profile->ClassID() == CIRCLE_SHAPE_CLASS_ID ? "circle" : "not circle") +
                    (profile == m_->GetReference(1) && m_->IsRealDependency(profile) ? " held" : " not held") +
                    (m_->GetAnim() == fresh ? " followed" : " not followed");
         },
         "state 6, refs 5 passive 0, chunks 41 42 43, circle held followed, verdict 1 state 6"},
        // The user puts a third operator in the chain; the author's later file keeps the two.
        {KIND_DATA_CHANNEL, {L"Object", L"Data Channel"}, {4, 1},
         [&](INode* n) -> ReferenceTarget* {
             auto* dc = static_cast<DataChannelModifier*>(b.AddModifier(n, DATA_CHANNEL_MODIFIER_CLASS_ID));
             dc->SetOperators({L"VertexInput", L"VertexOutput"});
             return dc;
         },
         [](ReferenceTarget* dc) { static_cast<DataChannelModifier*>(dc)->AppendOperator(L"Curve"); },
         [&](INode* n, ReferenceTarget*) {
             auto* fresh = static_cast<DataChannelModifier*>(static_cast<IDerivedObject*>(n->GetObjectRef())->GetModifier(0));
             std::string ops;
             for (const MSTR& op : fresh->GetOperators()) ops += op.ToUTF8() + " ";
             return ops + (m_->GetAnim() == fresh ? "followed" : "not followed");
         },
         "state 2, refs 1 passive 0, chunks 35 36 36 37 38 38 39 40, VertexInput VertexOutput Curve followed, "
         "verdict 1 state 2"},
        // The author renames the channel in the later file; the user changed its weight and switched it off.
        {KIND_MORPHER, {L"Object", L"Morpher"}, {4, 1},
         [&](INode* n) -> ReferenceTarget* {
             auto* morpher = static_cast<MorpherModifier*>(b.AddModifier(n, MORPHER_MODIFIER_CLASS_ID));
             morpher->SetChannelName(3, morphers++ ? L"Grin" : L"Smile");
             return morpher;
         },
         [](ReferenceTarget* mo) {
             static_cast<MorpherModifier*>(mo)->SetChannelWeight(3, 0.75f);
             static_cast<MorpherModifier*>(mo)->SetChannelActive(3, FALSE);
             static_cast<MorpherModifier*>(mo)->SetChannelName(5, L"Frown \u00e4");
             static_cast<MorpherModifier*>(mo)->SetProgressiveWeights(5, {50.0f, 100.0f});
         },
         [&](INode* n, ReferenceTarget*) {
             Modifier* fresh = static_cast<IDerivedObject*>(n->GetObjectRef())->GetModifier(0);
             const MorphChannel& c = static_cast<MorpherModifier*>(fresh)->GetChannel(3);
             const MorphChannel& c5 = static_cast<MorpherModifier*>(fresh)->GetChannel(5);
             return c.name.ToUTF8() + " on " + std::to_string(c.active) + " weight " + std::to_string(c.weight) +
                    ", " + c5.name.ToUTF8() + " " + std::to_string(c5.progressiveWeights.size()) +
                    (m_->GetAnim() == fresh ? " followed" : " not followed");
         },
         "state 2, refs 2 passive 0, chunks 41 42 43 45 42 44 46, Grin on 0 weight 0.750000, Frown \u00e4 2 followed, "
         "verdict 1 state 2"},
        // The user switches the first operand off and adds a second; the compound's own block is not the list.
        {KIND_BOOLEAN, {L"Object"}, {4},
         [&](INode* n) -> ReferenceTarget* {
             auto* compound = static_cast<BooleanObject*>(
                 static_cast<Animatable*>(CreateInstance(GEOMOBJECT_CLASS_ID, BOOLEAN_OBJECT_CLASS_ID)));
             compound->AppendOperand(b.Box("Cutter01").Build(), kBoolSubtraction);
             n->SetObjectRef(compound);
             return compound;
         },
         [&](ReferenceTarget* c) {
             auto* compound = static_cast<BooleanObject*>(c);
             compound->GetParamBlock(0)->SetValue(0, 0, 1);
             EXPECT_EQ(m_->GetOverriddenState(), 0);
             compound->SetOperandActive(0, FALSE);
             compound->AppendOperand(b.Box("Cutter02").Build(), kBoolUnion);
         },
         [&](INode* n, ReferenceTarget* mine) {
             const std::string d = m_->Describe().ToUTF8();
             return "object " + who(n->GetObjectRef(), mine) + d.substr(d.find("\nOperands"));
         },
         "state 2, refs 1 passive 0, chunks 35 36 37 38 39 40, object mine\nOperands: Cutter01 (2), Cutter02 (0), "
         "\nActive States: 0, 1, \nSolo Index: -1, verdict 1 state 2"},
        // The user picks another item; the item loading again is no edit. The reference is not kept: the
        // block's mirror keeps the item, this one follows the fresh reference.
        {KIND_XREF, {L"Object"}, {4},
         [&](INode* n) -> ReferenceTarget* {
             auto* x = static_cast<SceneRefObject*>(
                 static_cast<Animatable*>(CreateInstance(SYSTEM_CLASS_ID, SCENE_REF_OBJECT_CLASS_ID)));
             x->GetParamBlock(0)->SetValue(xref_fileName, 0, L"lib.max");
             x->GetParamBlock(0)->SetValue(xref_itemName, 0, L"Oak");
             n->SetObjectRef(x);
             return x;
         },
         [&](ReferenceTarget* x) {
             static_cast<SceneRefObject*>(x)->ReloadSource();
             EXPECT_EQ(m_->GetOverriddenState(), 0);
             static_cast<SceneRefObject*>(x)->GetParamBlock(0)->SetValue(xref_itemName, 0, L"Pine");
             static_cast<SceneRefObject*>(x)->GetParamBlock(0)->SetValue(xref_renderProxy, 0, 1);
         },
         [&](INode* n, ReferenceTarget*) {
             const std::string d = m_->Describe().ToUTF8();
             return std::string(m_->GetAnim() == n->GetObjectRef() ? "follows" : "kept") + d.substr(d.find("\nFileName"));
         },
         "state 2, refs 1 passive 0, chunks 35 36 37 38 39 40, follows\nFileName: lib.max\nItemName: Oak\n"
         "ProxyFileName: \nProxyItemName: \nDisplayProxy: 0\nRenderProxy: 0\nUseLocal: 0, verdict 1 state 2"},
        // The user takes the file's member out and puts a local node in: the fresh container gets the same.
        {KIND_CONTAINER, {L"Object"}, {4},
         [&](INode* n) -> ReferenceTarget* {
             auto* c = static_cast<ContainerHelper*>(
                 static_cast<Animatable*>(CreateInstance(HELPER_CLASS_ID, CONTAINER_HELPER_CLASS_ID)));
             c->AddNode(target);
             n->SetObjectRef(c);
             return c;
         },
         [&](ReferenceTarget* c) {
             static_cast<ContainerHelper*>(c)->RemoveNode(target);
             static_cast<ContainerHelper*>(c)->AddNode(b.Box("Local01").Build());
         },
         [&](INode* n, ReferenceTarget*) {
             std::string names = m_->GetAnim() == n->GetObjectRef() ? "follows," : "kept,";
             for (INode* member : static_cast<ContainerHelper*>(n->GetObjectRef())->GetNodes())
                 names += " " + WStr(member->GetName()).ToUTF8();
             return names;
         },
         "state 2, refs 1 passive 0, chunks 35 36 37 38 39 40, follows, Local01, verdict 1 state 2"},
        // A height that reacts to the width: moving the driver is not an edit, a new state is; the kept
        // reaction drives from the fresh width.
        {KIND_REACTION, {L"Object", L"Parameters", L"height"}, {4, 2, 3},
         [](INode* n) -> ReferenceTarget* {
             IParamBlock2* pb = n->GetObjectRef()->GetParamBlock(0);
             Control* width = NewDefaultFloatController();
             pb->SetController(1, 0, width);
             auto* reaction = new ReactionControl();
             reaction->SetDriver(width);
             reaction->AddState(0, 0);
             reaction->AddState(10, 100);
             pb->SetController(2, 0, reaction);
             return reaction;
         },
         [&](ReferenceTarget* r) {
             float w = 5;
             static_cast<ReactionControl*>(r)->GetDriver()->SetValue(0, &w);
             EXPECT_EQ(m_->GetOverriddenState(), 0);
             static_cast<ReactionControl*>(r)->AddState(20, 50);
         },
         [&](INode* n, ReferenceTarget* mine) {
             IParamBlock2* pb = n->GetObjectRef()->GetParamBlock(0);
             auto* height = static_cast<ReactionControl*>(pb->GetController(2));
             return "height " + who(height, mine) + ", driven by the " +
                    (height->GetDriver() == pb->GetController(1) ? "fresh width" : "old width") + ", states " +
                    std::to_string(height->GetStates().size());
         },
         "state 2, refs 2 passive 0, chunks 35 36 36 36 37 38 38 38 39 40, height mine, driven by the fresh width, "
         "states 3, verdict 1 state 2"},
        // A key on a referenced Biped (its other root tracks unkeyed: Toggled): its file goes into the mirror
        // and into the fresh Biped.
        {KIND_BIP, {L"Transform"}, {3}, biped,
         [](ReferenceTarget* root) { Ctrl(root->SubAnim(0))->AddNewKey(10, 0); },
         [&](INode* n, ReferenceTarget*) {
             return "follows " + std::to_string(m_->GetAnim() == n->GetTMController()) + ", vertical keys " +
                    std::to_string(Ctrl(n->GetTMController()->SubAnim(0))->NumKeys());
         },
         "state 66, refs 7 passive 0, chunks 41 42 43 44 45 46 47 48, follows 1, vertical keys 1, verdict 1 state 66"},
        // A key on a Biped part: the key controller the mirror held goes on the fresh part once bound.
        {KIND_BIP_CTRL, {L"Transform"}, {3},
         [](INode* n) -> ReferenceTarget* {
             n->SetTMController(new BipedPartControl());
             return n->GetTMController();
         },
         [](ReferenceTarget* part) { static_cast<BipedPartControl*>(part)->GetKeys()->AddNewKey(10, 0); },
         [&](INode* n, ReferenceTarget*) {
             m_->FinishOverride();
             return "keys " + std::to_string(static_cast<BipedPartControl*>(n->GetTMController())->GetKeys()->NumKeys());
         },
         "state 2, refs 2 passive 0, chunks 41 42 43, keys 1, verdict 1 state 2"},
        // An attribute the user added to the object: the fresh object gets it back at its place.
        {KIND_CA, {L"Object", L"CAC", L"KindsTestAttr"}, {4, 0, 1},
         [&](INode* n) -> ReferenceTarget* {
             Object* obj = n->GetObjectRef();
             obj->AllocCustAttribContainer();
             if (userAttr) return nullptr;
             obj->GetCustAttribContainer()->AppendCustAttrib(userAttr = attrDef->CreateInstance());
             return userAttr;
         },
         [](ReferenceTarget*) {},
         [&](INode* n, ReferenceTarget*) {
             ICustAttribContainer* cac = n->GetObjectRef()->GetCustAttribContainer();
             return "attributes " + std::to_string(cac->GetNumCustAttribs()) + ", first " +
                    who(cac->GetCustAttrib(0), userAttr);
         },
         "state 8, refs 1 passive 0, chunks 35 36 36 36 37 38 38 38 39 40, attributes 1, first mine, verdict 1 state 8",
         REFANIM_ADDED},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.kind);
        INode* merged = b.Box("Box01").Build();
        rec->ReplaceReference(0, merged);
        RefAnim* m = m_ = Mirror(rec, row.content(merged), row.path, row.numbers, row.state, row.kind);
        ASSERT_NE(m, nullptr);
        // A collection answers from the pass of the stamp it is handed (the unload hands the record's),
        // whatever stamp the mirror would find on its own; a kind that asks another pass finds "no" there.
        // Bipeds keep their own state and untouched mirrors only ask.
        const DWORD handed = m->GetHelperStamp() + 0x51;
        LocDepPass::Of(handed).Store(Animatable::GetHandleByAnim(m->GetAnim()), true);
        m->CollectLocDep(handed);
        EXPECT_EQ(m->IsOverridden(REFANIM_LOCDEP), row.state == 0 && row.kind != KIND_BIP && row.kind != KIND_BIP_CTRL);
        m->SetOverriddenState(row.state);
        row.edit(m->GetAnim());
        m->CollectLocDep(m->GetHelperStamp()); // as before an unload
        std::ostringstream got;
        got << "state " << int(m->GetOverriddenState()) << ", refs " << m->NumRefs() << " passive " << m->IsPassive()
            << ", chunks";
        const std::vector<std::uint8_t> bytes = Saved(*m);
        for (int id : TopLevelChunkIds(bytes)) got << ' ' << id;
        // What a loaded copy writes again is what was saved: every field of the kind made the trip.
        RefAnim* back = CreateMirror(row.kind);
        ChunkLoad l(bytes);
        EXPECT_EQ(back->Load(&l), IO_OK);
        EXPECT_EQ(Saved(*back), bytes);
        EXPECT_EQ(back->NumRefs(), m->NumRefs());
        back->MaybeAutoDelete();

        // The merged content goes as an unload takes it; what the mirror holds as real stays.
        ReferenceTarget* mine = m->GetAnim();
        GetCOREInterface()->DeleteNode(merged);
        INode* fresh = b.Box("Box01").Build();
        row.content(fresh);
        rec->ReplaceReference(0, fresh);
        {
            OperationCodeGuard load(OperationCode::Load);
            m->Override(fresh);
        }
        got << ", " << row.shows(fresh, mine);
        const int verdict = m->Evaluate(0xFFFFFFFF);
        got << ", verdict " << verdict << " state " << int(m->GetOverriddenState());
        EXPECT_EQ(got.str(), row.expected);
    }
}


// A particle flow mirror's tables follow undo and come back from its chunks; a table longer than its count is refused.
TEST_F(MirrorKindsTest, AParticleFlowMirrorKeepsItsTablesAndRefusesATableLongerThanItsCount) {
    auto* ev = static_cast<Object*>(CreateObjectByName(L"PF_Event"));
    b.WithObject(ev, "Event01").Build();
    GetPFActionListInterface(ev)->AppendAction(b.WithObject(static_cast<Object*>(CreateObjectByName(L"PF_Birth")), "Birth01").Build());
    auto* m = static_cast<RefAnimPFSource*>(CreateMirror(KIND_PF_EVENT));
    m->SetAnim(ev);
    ASSERT_EQ(m->GetActions().monitored.size(), 1u);
    // A toggle is recorded at once and forgotten with the undo of the change.
    theHold.Begin();
    GetPFActionListInterface(ev)->ActivateAction(0, false);
    theHold.Accept(L"Toggle");
    const size_t toggled = m->GetActions().toggled.size();
    ASSERT_TRUE(theHold.Undo());
    EXPECT_EQ(std::to_string(toggled) + " " + std::to_string(m->GetActions().toggled.size()), "1 0");
    std::vector<std::uint8_t> bytes = Saved(*m);
    auto* back = static_cast<RefAnimPFSource*>(CreateMirror(KIND_PF_SOURCE));
    ChunkLoad good(bytes);
    ASSERT_EQ(back->Load(&good), IO_OK);
    EXPECT_TRUE(back->GetActions() == m->GetActions() && back->GetMode() == 0);
    // The counts chunk (0x35) announces one monitored action: make it announce none.
    const std::vector<std::uint8_t> counts = {0x35, 0x00, 0x1E, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00};
    const auto at = std::search(bytes.begin(), bytes.end(), counts.begin(), counts.end());
    ASSERT_NE(at, bytes.end());
    at[6] = 0;
    ChunkLoad bad(bytes);
    EXPECT_EQ(back->Load(&bad), IO_ERROR);
    EXPECT_NE(bad.GetLastError().str().find(L"chunk 0x002C: record 1 where the counts chunk 0x0035 announced 0"), std::wstring::npos) << bad.GetLastError().ToUTF8();
    m->MaybeAutoDelete();
    back->MaybeAutoDelete();
}

// A test's connection is its event mirror's while the event runs the test, and its own mirror's after.
TEST_F(MirrorKindsTest, AParticleTestMirrorKeepsOnlyTheConnectionOfATestNoEventMirrorHears) {
    auto* ev = static_cast<Object*>(CreateObjectByName(L"PF_Event"));
    b.WithObject(ev, "Event01").Build();
    INode* local = b.WithObject(static_cast<Object*>(CreateObjectByName(L"PF_Event")), "Local01").Build();
    auto* test = static_cast<Object*>(CreateObjectByName(L"PF_AgeTest"));
    GetPFActionListInterface(ev)->AppendAction(b.WithObject(test, "AgeTest01").Build());
    auto* evMirror = static_cast<RefAnimPFSource*>(CreateMirror(KIND_PF_EVENT));
    auto* m = static_cast<RefAnimPFTest*>(CreateMirror(KIND_PF_TEST));
    evMirror->SetAnim(ev);
    m->SetAnim(test);
    SetPFNextEvent(test, local);
    const bool ledWhileRun = m->IsLed();
    GetPFActionListInterface(ev)->RemoveAction(0);
    SetPFNextEvent(test, nullptr);
    SetPFNextEvent(test, local);
    EXPECT_EQ(std::to_string(ledWhileRun) + " " + std::to_string(m->IsLed()) + " " + m->GetConnection().led.ToUTF8() +
                  " " + std::to_string(m->GetLedEvent() == local),
              "0 1 Local01 1");
    m->MaybeAutoDelete();
    evMirror->MaybeAutoDelete();
}
} // namespace

namespace {

TEST_F(MirrorKindsTest, TheLinkedXFormMirrorIgnoresTheFollowedNodeMovingButNotANewNodeToFollow) {
    auto* mod = static_cast<ReferenceTarget*>(
        static_cast<Animatable*>(CreateInstance(OSM_CLASS_ID, LINKED_XFORM_MODIFIER_CLASS_ID)));
    const int slot = mod->NumRefs() - 1;
    mod->ReplaceReference(slot, target);
    RefAnim* m = CreateMirror(KIND_LINKED_XFORM);
    m->SetAnim(mod);
    Matrix3 moved;
    moved.SetTrans(Point3(0, 7, 0));
    target->SetNodeTM(0, moved);
    const int afterMove = m->GetOverriddenState();
    mod->ReplaceReference(slot, b.Box("Other01").Build());
    mod->NotifyDependents(FOREVER, PART_ALL, REFMSG_CHANGE);
    EXPECT_EQ(std::to_string(afterMove) + " " + std::to_string(m->GetOverriddenState()), "0 2");
    m->MaybeAutoDelete();
}

// The helper of a record in a test: only its node matters.
class NodeHelper : public IRecordHelper {
public:
    explicit NodeHelper(INode* node) : node_(node) {}
    bool PersistsReferences() const override { return false; }
    MSTR GetRecordNamePrefix() override { return MSTR(); }
    DWORD GetStamp() const override { return 0; }
    void RegisterChangedMirror(RefAnim*) override {}
    bool ForgetNodeToDelete(const WStr&) override { return false; }
    INode* GetHelperNode() override { return node_; }

private:
    INode* node_;
};

TEST_F(MirrorKindsTest, ABipedEntersFigureModeOnlyWhileItsReferenceIsNotWorkedOn) {
    INode* helperNode = b.Box("Ostrivan01").Build();
    NodeHelper helper(helperNode);
    rec->SetHelper(&helper);
    auto* root = new BipedRootControl();
    static_cast<INode*>(rec->GetItem())->SetTMController(root);
    RefAnim* m = Mirror(rec, root, {L"Transform"}, {3}, 0, KIND_BIP);
    ASSERT_NE(m, nullptr);
    Interface* ip = GetCOREInterface();
    ip->Services().ClearRecord();
    std::string got;
    for (INode* working : {static_cast<INode*>(nullptr), helperNode}) {
        if (working) ip->SelectNode(working);
        root->BeginModes(BMODE_FIGURE);
        got += std::to_string(root->GetMode()) + " ";
        root->EndModes(BMODE_FIGURE);
    }
    ASSERT_EQ(ip->Services().Shown().size(), 1u);
    const HostServices::ShownMessage& shown = ip->Services().Shown().front();
    got += shown.title.ToUTF8() + ": " + shown.text.ToUTF8() + " " + std::to_string(shown.style);
    EXPECT_EQ(got, "1 0 Biped Message: External Reference Biped cannot be edited in figure mode. 48");
    rec->SetHelper(nullptr);
}

TEST_F(MirrorKindsTest, ABipedMirrorRefusesAChunkWhoseDataIsShorterThanItsCount) {
    RefAnimBip* m = static_cast<RefAnimBip*>(CreateMirror(KIND_BIP));
    std::vector<std::uint8_t> bytes = Saved(*m);
    // The animation data chunk (0x2A) holds a 4-byte count of 0: make it announce one byte more.
    const std::vector<std::uint8_t> empty = {0x2A, 0x00, 0x0A, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
    const auto at = std::search(bytes.begin(), bytes.end(), empty.begin(), empty.end());
    ASSERT_NE(at, bytes.end());
    at[6] = 1;
    ChunkLoad l(bytes);
    EXPECT_EQ(m->Load(&l), IO_ERROR);
    // Refused on the count, before anything is allocated for it; the error names the chunk and the count.
    EXPECT_NE(l.GetLastError().str().find(L"chunk 0x002A: count 1 "), std::wstring::npos) << l.GetLastError().ToUTF8();
    EXPECT_TRUE(m->GetBipData().empty());
    m->MaybeAutoDelete();
}

} // namespace

namespace {

// A mirror that carries the user's own camera in place of the file's keeps it whole: the user's later edit
// of it is part of the replacement, not a change to re-apply on the file's camera.
TEST_F(MirrorKindsTest, AnEditOfAReplacedAnimatableMarksNothingMore) {
    auto* cam = static_cast<GenCamera*>(
        static_cast<Object*>(static_cast<Animatable*>(CreateInstance(CAMERA_CLASS_ID, FREE_CAMERA_CLASS_ID))));
    rec->GetNode()->SetObjectRef(cam);
    RefAnim* m = Mirror(rec, cam, {L"Object"}, {4}, REFANIM_REPLACED, KIND_CAM);
    ASSERT_NE(m, nullptr);
    cam->SetOrtho(TRUE);
    EXPECT_EQ(int(m->GetOverriddenState()), int(REFANIM_REPLACED));
}

} // namespace
