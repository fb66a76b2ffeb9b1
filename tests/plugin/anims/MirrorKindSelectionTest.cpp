// The kind rule row by row, the walk width, the kind list and the mirror factory with its modes, and the
// IK guard.
#include "plugin/anims/IKGuard.h"
#include "plugin/anims/MirrorClassDescs.h"
#include "plugin/anims/MirrorKindSelection.h"
#include "plugin/anims/RefAnimBlockKinds.h"
#include "plugin/anims/RefAnimParticleKinds.h"
#include "plugin/frame/OperationCode.h"
#include "plugin/frame/OstrivansClassDesc.h"

#include "host/core/PlugApi.h"
#include "host/scene/Control.h"
#include "host/scene/CustAttrib.h"
#include "host/scene/HostServices.h"
#include "host/scene/IDerivedObject.h"
#include "host/scene/IParamBlock2.h"
#include "host/scene/ParticleFlow.h"
#include "host/scene/SceneEventManager.h"
#include "host/scene/controllers/ControllerClasses.h"
#include "host/scene/materials/ParamDefBuilder.h"
#include "host/scene/objects/ObjectClasses.h"
#include "host/script/ScriptRuntime.h"
#include "tests/plugin/PluginTestSupport.h"
#include "tests/support/SceneBuilder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
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

struct Row {
    Facts anim;
    Facts owner; // super 0: no owner
    DWORD kind;
};

// Every class of a list, same super class and same owner, gives the same kind.
void AddAll(std::vector<Row>& rows, SClass_ID s, std::initializer_list<Class_ID> classes, DWORD kind,
            const Facts& owner = Facts()) {
    for (const Class_ID& c : classes) rows.push_back({F(s, c), owner, kind});
}

constexpr Class_ID kOther(0x0BADC0DE, 0x1);
constexpr Interface_ID kRWMS(0x09FF44EF, 0x6C050704);
constexpr Interface_ID kList(0x444E7687, 0x722E6E36);
constexpr Interface_ID kCATCtrl(0x00D83DC1, 0x4C851B6C);
constexpr Interface_ID kLayerCtrl(0x434D7627, 0xA25E6E26);
constexpr Interface_ID kReferencing(0x25CE0F5C, 0x6C303D2F);

std::vector<Row> KindRows() {
    const Facts node = F(BASENODE_CLASS_ID, Class_ID(1, 0));
    const Facts object = F(GEOMOBJECT_CLASS_ID, kOther);
    std::vector<Row> r;

    // The class that is never mirrored, when it passes the primary test.
    r.push_back({F(GEOMOBJECT_CLASS_ID, {0xFFFFFFFF, 0}), {}, 2});
    r.push_back({F(CTRL_FLOAT_CLASS_ID, {0xFFFFFFFF, 0}), {}, 2});
    r.push_back({F(GEOMOBJECT_CLASS_ID, {0xFFFFFFFF, 0}).NoCopy(), {}, 0x20000});

    // Materials.
    r.push_back({F(MATERIAL_CLASS_ID, {0x200, 0}).Subs(4), {}, 0x30020});
    r.push_back({F(MATERIAL_CLASS_ID, {0x200, 0}), {}, 0x30020});
    r.push_back({F(MATERIAL_CLASS_ID, {0x4B9937E0, 0x3A1C3DA4}).Subs(3), {}, 0x30009});
    r.push_back({F(MATERIAL_CLASS_ID, {0x272C0D4B, 0x432A414B}), {}, 0x30031});
    r.push_back({F(MATERIAL_CLASS_ID, kOther).Subs(1), {}, 0x3001A});
    r.push_back({F(MATERIAL_CLASS_ID, kOther), {}, 0x10001});
    r.push_back({F(MATERIAL_CLASS_ID, kOther).Ref(), {}, 0x30009});
    // Texture maps.
    r.push_back({F(TEXMAP_CLASS_ID, {0x4C693CD7, 0x05FC76AC}).Subs(3), {}, 0x10001});
    r.push_back({F(TEXMAP_CLASS_ID, {0x6EC3730C, 0}), {}, 0x30009});
    r.push_back({F(TEXMAP_CLASS_ID, kOther), {}, 0x10001});
    r.push_back({F(TEXMAP_CLASS_ID, kOther).Ref(), {}, 0x30009});
    r.push_back({F(TEXMAP_CLASS_ID, kOther).Blocks(1), {}, 0x3001B});
    // Space-warp objects.
    AddAll(r, WSM_OBJECT_CLASS_ID, {{0x67EA40B3, 0xFE7A30C4}, {0xFA4700BE, 0xBBE85051}}, 0x90010);
    r.push_back({F(WSM_OBJECT_CLASS_ID, kOther).Track(), {}, 0x30009});
    r.push_back({F(WSM_OBJECT_CLASS_ID, kOther).Ref(), {}, 0});
    // Object-space modifiers.
    AddAll(r, OSM_CLASS_ID,
           {{0x79AA6E1D, 0x71A075B7}, {0x4DBE3132, 0x614357B9}, {0x60, 0}, {0x02DF2E3A, 0x72BA4E1F},
            {0x7CE5206B, 0x31181505}, {0x19592732, 0x03407A7A}, {0x73D8FF93, 0}, {0x53446, 0x7145},
            {0x98F37A63, 0x3FFE9BCA}, {0x8AB36CC5, 0x82D7FE74}, {0x21325596, 0x2CD10BD8},
            {0x21325596, 0x2CD10BD9}, {0x21325596, 0x2CD10BD0}, {0x70, 0}, {0x4AA52AE3, 0x35CA1CDE}, {0x50, 0}},
           0x10012);
    AddAll(r, OSM_CLASS_ID, {{0x0095C723, 0x00015666}}, 0x30018);
    AddAll(r, OSM_CLASS_ID, {{0x17BB6854, 0xA5CBA2A3}}, 0x30019);
    AddAll(r, OSM_CLASS_ID, {{0xC4D33, 0}}, 0x3001D);
    AddAll(r, OSM_CLASS_ID, {{0x67C1CD47, 0x7782F878}, {0x0EE23DE9, 0xFA432946}}, 0x3001E);
    AddAll(r, OSM_CLASS_ID, {{0x7A4202D0, 0x11961722}}, 0x30025);
    AddAll(r, OSM_CLASS_ID, {{0x270F1FE3, 0x03B14999}}, 0x3000C);
    AddAll(r, OSM_CLASS_ID, {{0xE11, 0}}, 0xB0035);
    AddAll(r, OSM_CLASS_ID, {{0x100, 0}}, 0x30015);
    r.push_back({F(OSM_CLASS_ID, kOther).Subs(1).Answer(kRWMS), {}, 0x30028});
    r.push_back({F(OSM_CLASS_ID, kOther).Blocks(1).Answer(kRWMS), {}, 0x30028});
    r.push_back({F(OSM_CLASS_ID, kOther).Blocks(1), {}, 0x30015});
    r.push_back({F(OSM_CLASS_ID, kOther).Ref().Answer(kRWMS), {}, 0x30015});
    r.push_back({F(OSM_CLASS_ID, kOther).Answer(kRWMS), {}, 0x30014});
    // World-space modifiers.
    AddAll(r, WSM_CLASS_ID, {{0x370F1FE3, 0x03B14999}}, 0x3000C);
    r.push_back({F(WSM_CLASS_ID, kOther).Subs(1), {}, 0x30015});
    r.push_back({F(WSM_CLASS_ID, kOther).Ref(), {}, 0x30015});
    r.push_back({F(WSM_CLASS_ID, kOther), {}, 0x30014});
    // Reference targets and makers of classes the rule names.
    r.push_back({F(REF_TARGET_CLASS_ID, {0x46D56AA8, 0x1A0703D4}).Subs(2), {}, 0x10001});
    r.push_back({F(REF_TARGET_CLASS_ID, kOther).Subs(1), {}, 0});
    r.push_back({F(REF_TARGET_CLASS_ID, kOther), {}, 0x10001});
    AddAll(r, REF_MAKER_CLASS_ID, {{0x4096218C, 0x1BB8133C}, {0x4DDC1551, 0x118452EB}}, 0x110013);
    AddAll(r, REF_MAKER_CLASS_ID, {{0x5DDB3626, 0x23B708DB}}, 0x20000);
    AddAll(r, REF_MAKER_CLASS_ID, {{0x5F2D3A0A, 0x4BE75269}}, 0x30009);
    AddAll(r, REF_MAKER_CLASS_ID, {{0x14585773, 0x483A7DCF}}, 2);
    r.push_back({F(REF_MAKER_CLASS_ID, kOther).Ref(), {}, 0x30009});
    r.push_back({F(REF_MAKER_CLASS_ID, kOther).Blocks(1).Ref(), {}, 0});
    // Nodes, derived objects, old blocks.
    r.push_back({F(BASENODE_CLASS_ID, {1, 0}).Subs(7), {}, 0x44000B});
    r.push_back({F(GEN_DERIVOB_CLASS_ID, {3, 0}), node, 0x220000});
    r.push_back({F(GEN_DERIVOB_CLASS_ID, {3, 0}), object, 0xB002F});
    r.push_back({F(GEN_DERIVOB_CLASS_ID, {3, 0}), {}, 0xB002F});
    r.push_back({F(PARAMETER_BLOCK_CLASS_ID, {8, 0}).Subs(3), {}, 0x30003});
    // Geometric objects.
    AddAll(r, GEOMOBJECT_CLASS_ID,
           {{0x1BF8338D, 0x192F6098}, {0xE44F10B3, 0}, {0x1030, 0}, {0x76A11646, 0x12A822FB}, {0x87D987F4, 0xBE7C7E52}},
           0x90010);
    AddAll(r, GEOMOBJECT_CLASS_ID,
           {{0x28BF6E8D, 0x2ECCA840}, {0x2A730CDB, 0x746B394F}, {0x2A723864, 0x7F603F64}, {0x7DEE4CF0, 0x50E728B9},
            {0xA4E83C21, 0x5F7B092D}, {0x3F2A6C11, 0x1B7E40D5}},
           0x3000C);
    for (Class_ID c : {Class_ID(0x9125, 0), Class_ID(0x2E6A0C09, 0x43D5C9C0), Class_ID(0x73DC4833, 0x65C93CAA)})
        r.push_back({F(GEOMOBJECT_CLASS_ID, c).Track().Answer(kRWMS), {}, 0});
    AddAll(r, GEOMOBJECT_CLASS_ID, {{0x7BC209AF, 0x01BBAC5F}}, 0x3002D);
    AddAll(r, GEOMOBJECT_CLASS_ID,
           {{0x5C2417BD, 0x44050964}, {0x42567B96, 0x4E9C1AED}, {0x6A877C03, 0x67947186}, {0x31CEA620, 0x2257F993},
            {0x1D121A84, 0x64994009}, {0x10B0, 0}, {0x367E33EF, 0x07C0670C}, {0x51DB4F2F, 0x1C596B1A},
            {0x1AB13757, 0x12365B98}},
           0x30006);
    AddAll(r, GEOMOBJECT_CLASS_ID, {{0x6C3600A5, 0x11634EB8}}, 0x3002E);
    AddAll(r, GEOMOBJECT_CLASS_ID, {{0x74F93B02, 0x1EB34300}}, 2);
    AddAll(r, GEOMOBJECT_CLASS_ID, {{0x79FE41C2, 0x1D7B4FB1}}, 0x3003A);
    AddAll(r, GEOMOBJECT_CLASS_ID, {{0x39712DEF, 0x10A72959}}, 0x30038);
    r.push_back({F(GEOMOBJECT_CLASS_ID, kOther).Answer(kRWMS).Track(), {}, 0x30028});
    r.push_back({F(GEOMOBJECT_CLASS_ID, kOther).Track(), {}, 0x30009});
    r.push_back({F(GEOMOBJECT_CLASS_ID, kOther).Ref(), {}, 0});
    // Cameras, lights, shapes.
    r.push_back({F(CAMERA_CLASS_ID, kOther), {}, 0xB002C});
    AddAll(r, LIGHT_CLASS_ID, {{0x27D93542, 0x76F965B2}}, 0x10001);
    r.push_back({F(LIGHT_CLASS_ID, kOther), {}, 0xB0011});
    AddAll(r, SHAPE_CLASS_ID, {{0x76A11646, 0x12A822FB}, {0x1040, 0}}, 0x90010);
    AddAll(r, SHAPE_CLASS_ID, {{0x1993, 0}}, 0x3001C);
    AddAll(r, SHAPE_CLASS_ID, {{0x6B963D5F, 0x6E243528}}, 0x3002D);
    r.push_back({F(SHAPE_CLASS_ID, kOther), {}, 0x30028});
    // Helpers.
    AddAll(r, HELPER_CLASS_ID, {{0x74F93B07, 0x1EB34300}, {0x74F93B01, 0x1EB34300}}, 2);
    AddAll(r, HELPER_CLASS_ID, {{0x2013, 0}, {0x876234, 0}}, 0x3000C);
    AddAll(r, HELPER_CLASS_ID, {{0x6E34B493, 0xE3C48E41}}, 0x90032);
    r.push_back({F(HELPER_CLASS_ID, kOther).Track(), {}, 0x30009});
    r.push_back({F(HELPER_CLASS_ID, kOther), {}, 0});
    // Systems and other super classes.
    AddAll(r, SYSTEM_CLASS_ID, {{0x92AAB38C, 0}}, 0x30031);
    r.push_back({F(SYSTEM_CLASS_ID, kOther).Subs(2), {}, 0});
    r.push_back({F(SYSTEM_CLASS_ID, kOther).Ref(), {}, 0x30009});
    AddAll(r, SOUNDOBJ_CLASS_ID, {{0x1200, 0}}, 2);
    AddAll(r, SOUNDOBJ_CLASS_ID, {{0x100, 0}}, 0x30009);
    r.push_back({F(SOUNDOBJ_CLASS_ID, kOther), {}, 0x10001});
    r.push_back({F(SOUNDOBJ_CLASS_ID, kOther).Subs(1), {}, 0});

    // Parameter blocks 2 by their owner.
    const Facts pb2 = F(PARAMETER_BLOCK2_CLASS_ID, {0x82, 0});
    auto block = [&](SClass_ID so, std::initializer_list<Class_ID> owners, DWORD kind, Facts extra = Facts()) {
        for (const Class_ID& c : owners) {
            Facts o = F(so, c);
            o.answers = extra.answers;
            r.push_back({pb2, o, kind});
        }
    };
    block(CUST_ATTRIB_CLASS_ID, {kOther}, 0x230029);
    block(CTRL_FLOAT_CLASS_ID, {{0x17127E3E, 0}}, 0x230004);
    block(CTRL_FLOAT_CLASS_ID,
          {{0x4CEB45BD, 0x0B9C062E}, {0x0EC62904, 0x185A28DC}, {0x74B50FD8, 0x07AD665E}, {0x7C125BF5, 0x3A880ECE},
           {0x04A420B7, 0x7A142AEE}, {0x0B5E496B, 0x15363635}, {0x46606ABF, 0x002D3676}, {0x40534BDC, 0x3AE34B58},
           {0x7FA7544B, 0x711A51EA}, {0x265E07A8, 0x0D281541}, {0x2A234435, 0x750465F5}, {0x63785366, 0x6D970288},
           {0x18E02664, 0x21D309C3}},
          0x20000);
    block(CTRL_POINT3_CLASS_ID, {{0x275C1AC1, 0x08B45EE2}}, 0x20000);
    block(CTRL_MATRIX3_CLASS_ID,
          {{0x1EDD686D, 0x45A56EB3}, {0x2DE70807, 0x3973713A}, {0x542E413E, 0x08241AA2}, {0x485A734C, 0x795557CC},
           {0x1ADF2684, 0x2E3B60D2}},
          0x20000);
    block(CTRL_ROTATION_CLASS_ID, {{0x67A81CF9, 0x79C62151}, {0x1D1A667C, 0x206521F1}}, 0x20000);
    block(GEOMOBJECT_CLASS_ID, {{0x7BC209AF, 0x01BBAC5F}, {0x6C3600A5, 0x11634EB8}, {0x74F93B03, 0x1EB34300}},
          0x23002A);
    block(GEOMOBJECT_CLASS_ID, {{0x79FE41C2, 0x1D7B4FB1}, {0x39712DEF, 0x10A72959}}, 0x230029);
    block(LIGHT_CLASS_ID, {{0x2EAF2F07, 0x7EC44F31}, {0x3C5575A1, 0x5FD602DF}}, 0x30036);
    block(HELPER_CLASS_ID, {{0x74F93B03, 0x1EB34300}}, 0x23002A);
    block(REF_TARGET_CLASS_ID, {{0x6E4253A3, 0x7FFA3373}, {0x1D473A0E, 0x3B151C9D}, {0x0BC975DD, 0x6E1A1AE5}},
          0x20000);
    block(OSM_CLASS_ID, {{0xE11, 0}}, 0x23002A);
    block(CTRL_FLOAT_CLASS_ID, {kOther}, 0x23002A, Facts().Answer(kList));
    block(CTRL_POSITION_CLASS_ID, {{0x2019, 0}, {0x2011, 0}}, 0x23002A);
    block(CTRL_ROTATION_CLASS_ID, {{0x2020, 0}, {0x2021, 0}}, 0x23002A);
    // The same classes under another super class are not the constraints.
    block(CTRL_SCALE_CLASS_ID, {{0x2019, 0}, {0x2020, 0}}, 0x230004);
    block(LIGHT_CLASS_ID, {kOther}, 0x230004);
    r.push_back({pb2, {}, 0x230004});

    // Controllers that fail the controller test.
    r.push_back({F(CTRL_FLOAT_CLASS_ID, {0xFF5826DB, 0}).Fixed(), {}, 0x20000});
    r.push_back({F(CTRL_POSITION_CLASS_ID, {0x0E6F5815, 0x717F99A4}).Fixed(), node, 0x20000});
    r.push_back({F(CTRL_MATRIX3_CLASS_ID, kOther).Fixed().Answer(kCATCtrl), node, 0xB0033});
    r.push_back({F(CTRL_MATRIX3_CLASS_ID, {0x022D5030, 0x4344191C}).Fixed(), node, 0x3002B});
    r.push_back({F(CTRL_MATRIX3_CLASS_ID, {0x0E6F5815, 0x717F99A4}).Fixed(), node, 0xE0034});
    r.push_back({F(CTRL_MATRIX3_CLASS_ID, {0x2005, 0}).Fixed(), node, 0x20000});
    r.push_back({F(CTRL_MATRIX3_CLASS_ID, kOther).Fixed().Answer(kCATCtrl), object, 0x20000});
    r.push_back({F(CTRL_MATRIX3_CLASS_ID, {0x022D5030, 0x4344191C}).Fixed(), {}, 0x20000});
    r.push_back({F(CTRL_MATRIX3_CLASS_ID, {0x0E6F5815, 0x717F99A4}).Fixed(), {}, 0xE0034});
    r.push_back({F(CTRL_MATRIX3_CLASS_ID, {0x0E6F5815, 0x717F99A4}).Fixed(), object, 0xE0034});

    // Controllers that pass it, by super class.
    AddAll(r, CTRL_FLOAT_CLASS_ID, {{0xFF5826DB, 0}}, 0x30009);
    AddAll(r, CTRL_FLOAT_CLASS_ID, {{0x717D7D1F, 0x124C173B}}, 0x30024);
    AddAll(r, CTRL_FLOAT_CLASS_ID, {{0x87A6DF24, 0}}, 0x30006);
    AddAll(r, CTRL_FLOAT_CLASS_ID, {{0x17127E3E, 0}}, 0x3000C);
    AddAll(r, CTRL_FLOAT_CLASS_ID,
           {{0x742D30AC, 0x37984F09}, {0x43BF76AC, 0x60AB5707}, {0x4CEB45BD, 0x0B9C062E}, {0x507514E5, 0x30B07FAD},
            {0x0EC62904, 0x185A28DC}, {0x453F7278, 0x4B8E1DFD}, {0x74B50FD8, 0x07AD665E}, {0x04A420B7, 0x7A142AEE},
            {0x0B5E496B, 0x15363635}, {0x46606ABF, 0x002D3676}, {0x40534BDC, 0x3AE34B58}, {0x265E07A8, 0x0D281541},
            {0x2A234435, 0x750465F5}, {0x63785366, 0x6D970288}, {0x18E02664, 0x21D309C3}, {0x094E2D9C, 0x02C702B5}},
           0x20000);
    AddAll(r, CTRL_FLOAT_CLASS_ID, {{0x7FA7544B, 0x711A51EA}, {0x7C125BF5, 0x3A880ECE}}, 2);
    for (Class_ID third : {Class_ID(0x0EC62904, 0x185A28DC), Class_ID(0x74B50FD8, 0x07AD665E),
                           Class_ID(0x04A420B7, 0x7A142AEE), Class_ID(0x40534BDC, 0x3AE34B58),
                           Class_ID(0x2A234435, 0x750465F5), Class_ID(0x63785366, 0x6D970288),
                           Class_ID(0x7FA7544B, 0x711A51EA)})
        r.push_back({F(CTRL_POINT3_CLASS_ID, {0x118F7E02, 0xFEEE238B}).Third(third), {}, 0x20000});
    // Another third sub-controller: no row applies; three children make it wide.
    r.push_back({F(CTRL_POINT3_CLASS_ID, {0x118F7E02, 0xFEEE238B}).Third(kOther).Track(), {}, 0x30009});
    AddAll(r, CTRL_POINT3_CLASS_ID, {{0x19080908, 0x3B617839}}, 0x30024);
    AddAll(r, CTRL_POINT3_CLASS_ID, {{0x87A6DF26, 0}}, 0x30006);
    AddAll(r, CTRL_POINT3_CLASS_ID, {{0x275C1AC1, 0x08B45EE2}}, 0x20000);
    AddAll(r, CTRL_POINT3_CLASS_ID, {{0xFF4826DC, 0}}, 0x30009);
    r.push_back({F(CTRL_MATRIX3_CLASS_ID, {0x2005, 0}), F(HELPER_CLASS_ID, {0x18D026A1, 0x347D1CF3}), 0x20000});
    r.push_back({F(CTRL_MATRIX3_CLASS_ID, {0x2005, 0}), node, 0x30027});
    r.push_back({F(CTRL_MATRIX3_CLASS_ID, {0x2005, 0}), {}, 0x30027});
    AddAll(r, CTRL_MATRIX3_CLASS_ID, {{0x873FE764, 0xAABE8601}}, 0x3000D);
    AddAll(r, CTRL_MATRIX3_CLASS_ID, {{0x2006, 0}}, 0x30006);
    AddAll(r, CTRL_MATRIX3_CLASS_ID, {{0x32FB4637, 0x65FD482B}}, 0x30031);
    AddAll(r, CTRL_MATRIX3_CLASS_ID, {{0x1EDD686D, 0x45A56EB3}, {0x2DE70807, 0x3973713A}}, 2);
    AddAll(r, CTRL_MATRIX3_CLASS_ID, {{0x6E341CBA, 0x6F9C52CA}}, 0x3000C);
    r.push_back({F(CTRL_MATRIX3_CLASS_ID, {0x615B56E4, 0x5F0E6032}), node, 0x3003B});
    r.push_back({F(CTRL_MATRIX3_CLASS_ID, {0x615B56E4, 0x5F0E6032}), object, 0x10001});
    AddAll(r, CTRL_POSITION_CLASS_ID, {{0x118F7E02, 0xFFEE238A}}, 0x3000C);
    AddAll(r, CTRL_POSITION_CLASS_ID, {{0x2019, 0}, {0x2011, 0}}, 0x3001F);
    AddAll(r, CTRL_POSITION_CLASS_ID, {{0x7AC5CAE4, 0x904A56B3}}, 0x30024);
    AddAll(r, CTRL_POSITION_CLASS_ID, {{0x87A6DF25, 0}}, 0x30006);
    AddAll(r, CTRL_POSITION_CLASS_ID, {{0xE8334011, 0xAEB330C8}, {0xFF8826DE, 0}, {0x79697D2A, 0xF2B8A1C8}}, 0x30009);
    AddAll(r, CTRL_ROTATION_CLASS_ID, {{0x2012, 0}}, 0x30026);
    AddAll(r, CTRL_ROTATION_CLASS_ID, {{0x2020, 0}, {0x2021, 0}}, 0x3001F);
    AddAll(r, CTRL_ROTATION_CLASS_ID, {{0x2A8734EB, 0x57F47DA6}}, 0x30024);
    AddAll(r, CTRL_ROTATION_CLASS_ID, {{0x87A6DF27, 0}}, 0x30006);
    AddAll(r, CTRL_ROTATION_CLASS_ID, {{0x67A81CF9, 0x79C62151}, {0x1D1A667C, 0x206521F1}}, 2);
    AddAll(r, CTRL_ROTATION_CLASS_ID, {{0xFF7826DF, 0}}, 0x30009);
    AddAll(r, CTRL_SCALE_CLASS_ID, {{0x118F7C01, 0xFEEE238B}}, 0x3000C);
    AddAll(r, CTRL_SCALE_CLASS_ID, {{0x13C4451C, 0x2CCB3388}}, 0x30024);
    AddAll(r, CTRL_SCALE_CLASS_ID, {{0x87A6DF28, 0}}, 0x30006);
    AddAll(r, CTRL_SCALE_CLASS_ID, {{0xFF6826DA, 0}}, 0x30009);
    // A row's class under another controller super class is not that row.
    r.push_back({F(CTRL_SCALE_CLASS_ID, {0x2012, 0}), {}, 0x10001});
    // Controllers without a row: list, wide, plain.
    r.push_back({F(CTRL_FLOAT_CLASS_ID, kOther).Subs(3).Answer(kList), {}, 0x30008});
    r.push_back({F(CTRL_POSITION_CLASS_ID, kOther).Subs(1).Track(), {}, 0x30009});
    r.push_back({F(CTRL_POSITION_CLASS_ID, kOther).Blocks(1).Ref(), {}, 0});
    r.push_back({F(CTRL_ROTATION_CLASS_ID, kOther).Ref(), {}, 0x30009});
    r.push_back({F(CTRL_ROTATION_CLASS_ID, kOther), {}, 0x10001});

    // Animatables that fail the primary test.
    for (Facts particle : {F(CTRL_FLOAT_CLASS_ID, {0x72930021, 0x06951211}), F(CTRL_POINT3_CLASS_ID, {0x69F672C0, 0x27927AFA}),
                           F(CTRL_ROTATION_CLASS_ID, {0x19357028, 0x428C5294})})
        r.push_back({particle.NoCopy(), pb2, 0});
    r.push_back({F(CTRL_POINT3_CLASS_ID, {0x72930021, 0x06951211}).NoCopy(), {}, 0x20000});
    r.push_back({F(CTRL_MATRIX3_CLASS_ID, {0x9156, 0}).NoCopy(), node, 0x1000E});
    r.push_back({F(CTRL_MATRIX3_CLASS_ID, {0x9154, 0}).NoCopy(), {}, 0x30039});
    r.push_back({F(CTRL_MATRIX3_CLASS_ID, kOther).NoCopy().Answer(kCATCtrl), node, 0xB0033});
    r.push_back({F(CTRL_MATRIX3_CLASS_ID, kOther).NoCopy().Answer(kCATCtrl), object, 0x20000});
    r.push_back({F(CTRL_MATRIX3_CLASS_ID, {0x32FB4637, 0x65FD482B}).NoCopy(), {}, 0x30031});
    r.push_back({F(CTRL_MATRIX3_CLASS_ID, {0xBE380A31, 0x310DC9E4}).NoCopy(), {}, 0xE0034});
    r.push_back({F(CTRL_FLOAT_CLASS_ID, kOther).NoCopy().Answer(kLayerCtrl).Answer(kReferencing), {}, 0xB0030});
    r.push_back({F(CTRL_MATRIX3_CLASS_ID, kOther).NoCopy().Answer(kLayerCtrl), {}, 0xB0030});
    r.push_back({F(CTRL_SCALE_CLASS_ID, kOther).NoCopy().Answer(kReferencing), {}, 0x30009});
    r.push_back({F(CTRL_SCALE_CLASS_ID, kOther).NoCopy().Ref(), {}, 0x20000});
    r.push_back({F(GEOMOBJECT_CLASS_ID, {0x50320C9A, 0}).NoCopy(), {}, 0x30016});
    r.push_back({F(GEOMOBJECT_CLASS_ID, kOther).NoCopy().Track(), {}, 0x20000});
    r.push_back({F(HELPER_CLASS_ID, {0x74F93B03, 0x1EB34300}).NoCopy(), {}, 0x30017});
    r.push_back({F(HELPER_CLASS_ID, kOther).NoCopy().Track(), node, 0x20000});
    r.push_back({F(CUST_ATTRIB_CLASS_ID, kOther).NoCopy(), {}, 0x30007});
    r.push_back({F(MATERIAL_CLASS_ID, {0x200, 0}).NoCopy(), {}, 0x20000});
    return r;
}

class MirrorKindSelectionTest : public SceneFixture {
protected:
    void SetUp() override {
        SceneFixture::SetUp();
        AttachPluginForTests();
    }
};

TEST_F(MirrorKindSelectionTest, ResolveKindFollowsEveryRowOfTheRule) {
    EXPECT_EQ(ResolveKind(nullptr, nullptr), 0u);
    int failures = 0;
    const std::vector<Row> rows = KindRows();
    for (size_t i = 0; i < rows.size(); ++i) {
        const Row& row = rows[i];
        std::unique_ptr<Animatable> anim = Make(row.anim);
        std::unique_ptr<Animatable> owner = row.owner.super ? Make(row.owner) : nullptr;
        const DWORD got = ResolveKind(anim.get(), owner.get());
        if (got != row.kind && ++failures <= 20)
            ADD_FAILURE() << "row " << i << ": super " << Hex(row.anim.super) << " class "
                          << row.anim.cls.ToString() << " owner " << Hex(row.owner.super) << " "
                          << row.owner.cls.ToString() << ": expected " << Hex(row.kind) << ", found " << Hex(got);
    }
    EXPECT_EQ(failures, 0) << "of " << rows.size() << " rows";
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
        EXPECT_EQ(ResolveKind(ctrl.get(), particleBlock), 0x3000Cu) << f.cls.ToString();
        EXPECT_EQ(ResolveKind(ctrl.get(), otherBlock), 0u) << f.cls.ToString();
        EXPECT_EQ(ResolveKind(ctrl.get(), particles.get()), 0u) << f.cls.ToString();
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
    EXPECT_TRUE(IPFActionList::IsTest(testNode));
    EXPECT_FALSE(IPFActionList::IsTest(opNode));
    EXPECT_EQ(ResolveKind(test, testNode), 0x230037u);
    EXPECT_EQ(ResolveKind(op, opNode), 0x20000u);
    EXPECT_EQ(ResolveKind(test, nullptr), 0x20000u);
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
        ADD_FAILURE() << "no host class " << c.ToString();
        return DWORD(0xFFFFFFFF);
    };
    EXPECT_EQ(kindOf(CTRL_MATRIX3_CLASS_ID, {0x9156, 0}, node), 0x1000Eu);
    EXPECT_EQ(kindOf(CTRL_MATRIX3_CLASS_ID, {0x9154, 0}, node), 0x30039u);
    EXPECT_EQ(kindOf(CTRL_MATRIX3_CLASS_ID, {0x0E6F5815, 0x717F99A4}, node), 0xE0034u);
    EXPECT_EQ(kindOf(CTRL_MATRIX3_CLASS_ID, {0xBE380A31, 0x310DC9E4}, node), 0xE0034u);
    EXPECT_EQ(kindOf(CTRL_MATRIX3_CLASS_ID, {0x022D5030, 0x4344191C}, node), 0x3002Bu);
    EXPECT_EQ(kindOf(CTRL_FLOAT_CLASS_ID, {0x717D7D1F, 0x124C173B}, nullptr), 0x30024u);
    EXPECT_EQ(ResolveKind(node->GetTMController(), node), 0x30027u);
    EXPECT_EQ(ResolveKind(node, nullptr), 0x44000Bu);
    Object* pf = static_cast<Object*>(CreateObjectByName(L"PF_Source"));
    ASSERT_NE(pf, nullptr);
    EXPECT_EQ(ResolveKind(pf, node), 0x30016u);
    pf->DeleteMe();
}

TEST_F(MirrorKindSelectionTest, ChildCountOfTheSpecialClasses) {
    auto count = [](const Facts& f, const Facts& owner = Facts(), int index = -1) {
        std::unique_ptr<Animatable> a = Make(f);
        std::unique_ptr<Animatable> o = owner.super ? Make(owner) : nullptr;
        return ChildCount(a.get(), o.get(), index);
    };
    const Facts node = F(BASENODE_CLASS_ID, {1, 0});
    EXPECT_EQ(ChildCount(nullptr, nullptr, -1), 0);
    // Everything else: sub-animatables, blocks and the custom attribute position.
    EXPECT_EQ(count(F(GEOMOBJECT_CLASS_ID, kOther).Subs(2).Blocks(3)), 6);
    EXPECT_EQ(count(F(BASENODE_CLASS_ID, {1, 0}).Subs(7)), 8);
    EXPECT_EQ(count(F(BASENODE_CLASS_ID, {1, 0}).Subs(7), node), 0);
    EXPECT_EQ(count(F(PARAMETER_BLOCK_CLASS_ID, {8, 0}).Subs(3).Blocks(2)), 4);
    EXPECT_EQ(count(F(OSM_CLASS_ID, {0x17BB6854, 0xA5CBA2A3}).Subs(3).Blocks(1)), 101);
    EXPECT_EQ(count(F(OSM_CLASS_ID, {0x17BB6854, 0xA5CBA2A3})), 101);
    // Sub-animatables only.
    const Facts subsOnly[] = {F(MATERIAL_CLASS_ID, {0x200, 0}),        F(CTRL_FLOAT_CLASS_ID, {0x507514E5, 0x30B07FAD}),
                              F(CTRL_MATRIX3_CLASS_ID, {0x9156, 0}),   F(CTRL_MATRIX3_CLASS_ID, {0x9154, 0}),
                              F(CTRL_MATRIX3_CLASS_ID, {0x022D5030, 0x4344191C}),
                              F(CTRL_MATRIX3_CLASS_ID, {0x4EDF6DDE, 0x3D77551C}),
                              F(CTRL_MATRIX3_CLASS_ID, {0x68C00456, 0x455634FE}),
                              F(CTRL_MATRIX3_CLASS_ID, {0x4F7C09D6, 0x6C8E29BF}),
                              F(CTRL_MATRIX3_CLASS_ID, {0x71AF1A7D, 0x71C05DE1}),
                              F(CTRL_POSITION_CLASS_ID, kOther).Answer(kList)};
    for (Facts f : subsOnly) EXPECT_EQ(count(f.Subs(4).Blocks(2)), 5) << f.cls.ToString();
    EXPECT_EQ(count(F(CTRL_MATRIX3_CLASS_ID, {0x873FE764, 0xAABE8601}).Subs(4)), 2);
    // A class of the list under another super class is counted the ordinary way.
    EXPECT_EQ(count(F(CTRL_FLOAT_CLASS_ID, {0x9156, 0}).Subs(4).Blocks(2)), 7);
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
    EXPECT_EQ(ChildCount(outer, node, -1), 3 + 2 + 1);
    EXPECT_EQ(ChildCount(outer, nullptr, -1), 3 + 2 + 2);
    EXPECT_EQ(ChildCount(inner, outer, -1), 2 + 2);
    EXPECT_EQ(ResolveKind(outer, node), 0x220000u);
    EXPECT_EQ(ResolveKind(inner, outer), 0xB002Fu);
}

TEST_F(MirrorKindSelectionTest, ChildCountOfBlocksContainersAndSwitchedFloats) {
    ParamBlockDesc2 desc(0, L"Params", -1, nullptr, 0);
    desc.AddParam(MakeParamDef(3, L"size", TYPE_FLOAT, 0, PB2Value::Float(1)));
    desc.AddParam(MakeParamDef(7, L"states", TYPE_FLOAT_TAB, 0, PB2Value::Float(1), 3));
    auto holder = std::make_unique<FakeT<ReferenceTarget>>(F(GEOMOBJECT_CLASS_ID, kOther));
    IParamBlock2* pb = CreateParameterBlock2(&desc, static_cast<ReferenceMaker*>(holder.get()));
    EXPECT_EQ(ChildCount(pb, holder.get(), -1), 3);
    EXPECT_EQ(ChildCount(pb, holder.get(), 0), 0); // not a table: no entries
    EXPECT_EQ(ChildCount(pb, holder.get(), 1), 3);

    // The switched float controller: its first block's states end in zero -> one or two positions.
    auto switched = [&](int subs) {
        Facts f = F(CTRL_FLOAT_CLASS_ID, {0x094E2D9C, 0x02C702B5}).Subs(subs);
        f.block = pb;
        std::unique_ptr<Animatable> c = Make(f);
        return ChildCount(c.get(), nullptr, -1);
    };
    EXPECT_EQ(switched(3), 4); // states 1, 1, 1
    pb->SetValue(7, 0, 0.0f, 2);
    EXPECT_EQ(switched(3), 2);
    EXPECT_EQ(switched(0), 1);
    pb->SetCount(7, 1); // a single zero state does not count
    pb->SetValue(7, 0, 0.0f, 0);
    EXPECT_EQ(switched(3), 4);
    pb->SetCount(7, 2); // a zero that is not the last state does not count either
    pb->SetValue(7, 0, 5.0f, 1);
    EXPECT_EQ(switched(3), 4);
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
    EXPECT_EQ(ResolveKind(container, obj), 0x20000u);
    CustAttrib* attr = obj->GetCustAttribContainer()->GetCustAttrib(0);
    EXPECT_EQ(ResolveKind(attr, container), 0x30007u);
    EXPECT_EQ(ResolveKind(attr->GetParamBlock(0), attr), 0x230029u);
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
        EXPECT_EQ(m->GetKindFlag(), (k.id & KIND_FLAG) != 0) << k.name;
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
    auto pblock2 = [](DWORD code) { return std::unique_ptr<RefAnimPblock2>(static_cast<RefAnimPblock2*>(CreateMirror(code))); };
    EXPECT_EQ(pblock2(0x230004)->GetTabResizeOverride(), 0);
    EXPECT_FALSE(pblock2(0x230004)->GetHoldOverride());
    EXPECT_EQ(pblock2(0x230029)->GetTabResizeOverride(), 1);
    EXPECT_EQ(pblock2(0x23002A)->GetTabResizeOverride(), 2);
    EXPECT_EQ(pblock2(0x30036)->GetTabResizeOverride(), 0);
    EXPECT_TRUE(pblock2(0x30036)->GetHoldOverride());
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
    }
    void TearDown() override {
        IKGuard::Get().Disarm();
        SetCurrentOperation(OperationCode::None);
        GetCOREInterface()->SetQuietMode(FALSE);
        ScriptRuntime::Get().Reset();
        MirrorKindSelectionTest::TearDown();
    }
    void ControllerEvent() { TheSceneEventManager().Fire(SceneEventManager::Event::ControllerStructured, node); }

    std::vector<std::wstring> events;
    INode* node = nullptr;
};

TEST_F(IKGuardTest, ArmsOnceOutsideALoadAndUndoesTheNextControllerEvent) {
    const int before = TheSceneEventManager().NumCallbacks();
    // A load merges solvers the file already had: nothing happens.
    SetCurrentOperation(OperationCode::Load);
    EXPECT_EQ(CreateMirror(KIND_IK_GUARD), nullptr);
    EXPECT_FALSE(IKGuard::Get().IsArmed());
    EXPECT_TRUE(events.empty());
    // Any other operation (or none) arms it, once.
    SetCurrentOperation(OperationCode::Record);
    EXPECT_EQ(CreateMirror(KIND_IK_GUARD), nullptr);
    SetCurrentOperation(OperationCode::None);
    EXPECT_EQ(CreateMirror(KIND_IK_GUARD), nullptr);
    EXPECT_TRUE(IKGuard::Get().IsArmed());
    EXPECT_EQ(TheSceneEventManager().NumCallbacks(), before + 1);
    EXPECT_EQ(events, (std::vector<std::wstring>{L"select undo off #(\"Box01\")"}));
    EXPECT_TRUE(GetCOREInterface()->Services().Shown().empty());

    ControllerEvent();
    ASSERT_EQ(GetCOREInterface()->Services().Shown().size(), 1u);
    const HostServices::ShownMessage& shown = GetCOREInterface()->Services().Shown()[0];
    EXPECT_EQ(shown.title, WStr(L"Reference Error"));
    EXPECT_EQ(shown.text, WStr(L"An IK Solver can't be assigned to a refed node."));
    EXPECT_EQ(shown.style & MB_ICONEXCLAMATION, MB_ICONEXCLAMATION);
    EXPECT_EQ(events, (std::vector<std::wstring>{L"select undo off #(\"Box01\")", L"action 0 \"40015\"",
                                                 L"select undo on #(\"Box01\")"}));
    EXPECT_FALSE(IKGuard::Get().IsArmed());
    EXPECT_EQ(TheSceneEventManager().NumCallbacks(), before);
    // Disarmed: a later event does nothing.
    ControllerEvent();
    EXPECT_EQ(events.size(), 3u);
    EXPECT_EQ(GetCOREInterface()->Services().Shown().size(), 1u);
}

TEST_F(IKGuardTest, WithoutDialogsItStillUndoesTheSolver) {
    GetCOREInterface()->SetQuietMode(TRUE);
    CreateMirror(KIND_IK_GUARD);
    ControllerEvent();
    EXPECT_TRUE(GetCOREInterface()->Services().Shown().empty());
    EXPECT_EQ(events.size(), 3u);
    EXPECT_FALSE(IKGuard::Get().IsArmed());
    // It can be armed again afterwards.
    CreateMirror(KIND_IK_GUARD);
    EXPECT_TRUE(IKGuard::Get().IsArmed());
}

} // namespace
