// Class descriptors of the host's controllers, the default controllers, and their registration.
#include "host/scene/controllers/ControllerClasses.h"

#include "host/core/ClassDirectory.h"
#include "host/scene/biped/BipedMaster.h"
#include "host/scene/biped/BipedPartControl.h"
#include "host/scene/biped/BipedRootControl.h"
#include "host/scene/cat/CATBoneControl.h"
#include "host/scene/cat/CATFootprintControl.h"
#include "host/scene/cat/CATParentControl.h"
#include "host/scene/controllers/LinkControl.h"
#include "host/scene/controllers/LinkTransformControl.h"
#include "host/scene/controllers/ListControl.h"
#include "host/scene/controllers/LookAtConstraint.h"
#include "host/scene/controllers/NoiseControl.h"
#include "host/scene/controllers/OrientationConstraint.h"
#include "host/scene/controllers/PRSControl.h"
#include "host/scene/controllers/PathConstraint.h"
#include "host/scene/controllers/PositionConstraint.h"
#include "host/scene/controllers/ReactionControl.h"
#include "host/scene/controllers/ValueControl.h"
#include "host/scene/controllers/XYZControl.h"

namespace {

// One descriptor per concrete class; identity is read from an instance so it is written down once.
template <class T> class ControlClassDesc : public ClassDesc2 {
public:
    ControlClassDesc() {
        T probe(TRUE);
        superClassId_ = probe.SuperClassID();
        classId_ = probe.ClassID();
        probe.GetClassName(name_);
    }
    int IsPublic() override { return TRUE; }
    void* Create(BOOL loading) override { return new T(loading); }
    const MCHAR* ClassName() override { return name_.c_str(); }
    SClass_ID SuperClassID() override { return superClassId_; }
    Class_ID ClassID() override { return classId_; }
    const MCHAR* Category() override { return L"Controllers"; }

private:
    SClass_ID superClassId_ = 0;
    Class_ID classId_;
    MSTR name_;
};

template <class T> ClassDesc* Desc() {
    static ControlClassDesc<T> desc;
    return &desc;
}

void AddIfMissing(ClassDesc* cd) {
    ClassDirectory& dir = GetClassDirectory();
    if (!dir.FindClass(cd->SuperClassID(), cd->ClassID())) dir.AddClass(cd);
}

GenericControlConfig Config(SClass_ID super, Class_ID id, const MCHAR* name) {
    GenericControlConfig c;
    c.superClassId = super;
    c.classId = id;
    c.className = name;
    return c;
}

std::vector<GenericControlConfig> MakeHostConfigs() {
    std::vector<GenericControlConfig> v;
    auto add = [&v](SClass_ID super, Class_ID id, const MCHAR* name) -> GenericControlConfig& {
        v.push_back(Config(super, id, name));
        return v.back();
    };
    // Rig controllers.
    add(CTRL_MATRIX3_CLASS_ID, Class_ID(0x0E6F5815, 0x717F99A4), L"IK Controller").replaceable = FALSE;
    add(CTRL_MATRIX3_CLASS_ID, Class_ID(0xBE380A31, 0x310DC9E4), L"IK Chain Controller").canCopyAnim = FALSE;
    add(CTRL_MATRIX3_CLASS_ID, Class_ID(0x32FB4637, 0x65FD482B), L"XRef Controller");
    add(CTRL_MATRIX3_CLASS_ID, Class_ID(0x2006, 0), L"LookAt");
    add(CTRL_MATRIX3_CLASS_ID, Class_ID(0x6E341CBA, 0x6F9C52CA), L"Local Transform");
    add(CTRL_MATRIX3_CLASS_ID, Class_ID(0x1EDD686D, 0x45A56EB3), L"Transform Script Driven");
    add(CTRL_MATRIX3_CLASS_ID, Class_ID(0x2DE70807, 0x3973713A), L"Transform System Driven");
    add(CTRL_MATRIX3_CLASS_ID, Class_ID(0x4EDF6DDE, 0x3D77551C), L"Transform Rig A");
    add(CTRL_MATRIX3_CLASS_ID, Class_ID(0x68C00456, 0x455634FE), L"Transform Rig B");
    add(CTRL_MATRIX3_CLASS_ID, Class_ID(0x4F7C09D6, 0x6C8E29BF), L"Transform Rig C");
    add(CTRL_MATRIX3_CLASS_ID, Class_ID(0x71AF1A7D, 0x71C05DE1), L"Transform Rig D");
    // Reaction controllers.
    add(CTRL_POINT3_CLASS_ID, Class_ID(0x19080908, 0x3B617839), L"Point3 Reaction");
    add(CTRL_POSITION_CLASS_ID, Class_ID(0x7AC5CAE4, 0x904A56B3), L"Position Reaction");
    add(CTRL_ROTATION_CLASS_ID, Class_ID(0x2A8734EB, 0x57F47DA6), L"Rotation Reaction");
    add(CTRL_SCALE_CLASS_ID, Class_ID(0x13C4451C, 0x2CCB3388), L"Scale Reaction");
    // Controllers with independent references.
    add(CTRL_FLOAT_CLASS_ID, Class_ID(0x87A6DF24, 0), L"Float Independent");
    add(CTRL_POSITION_CLASS_ID, Class_ID(0x87A6DF25, 0), L"Position Independent");
    add(CTRL_POINT3_CLASS_ID, Class_ID(0x87A6DF26, 0), L"Point3 Independent");
    add(CTRL_ROTATION_CLASS_ID, Class_ID(0x87A6DF27, 0), L"Rotation Independent");
    add(CTRL_SCALE_CLASS_ID, Class_ID(0x87A6DF28, 0), L"Scale Independent");
    // Controllers holding references to other scene items.
    add(CTRL_FLOAT_CLASS_ID, Class_ID(0xFF5826DB, 0), L"Float Referencing");
    add(CTRL_POINT3_CLASS_ID, Class_ID(0xFF4826DC, 0), L"Point3 Referencing");
    add(CTRL_POSITION_CLASS_ID, Class_ID(0xE8334011, 0xAEB330C8), L"Position Referencing A");
    add(CTRL_POSITION_CLASS_ID, Class_ID(0xFF8826DE, 0), L"Position Referencing B");
    add(CTRL_POSITION_CLASS_ID, Class_ID(0x79697D2A, 0xF2B8A1C8), L"Position Referencing C");
    add(CTRL_ROTATION_CLASS_ID, Class_ID(0xFF7826DF, 0), L"Rotation Referencing");
    add(CTRL_SCALE_CLASS_ID, Class_ID(0xFF6826DA, 0), L"Scale Referencing");
    // Local-dependency controllers.
    add(CTRL_FLOAT_CLASS_ID, Class_ID(0x17127E3E, 0), L"Float Local");
    // Float controllers that are looked into but not copied themselves.
    const Class_ID descendFloats[] = {
        {0x742D30AC, 0x37984F09}, {0x43BF76AC, 0x60AB5707}, {0x4CEB45BD, 0x0B9C062E}, {0x507514E5, 0x30B07FAD},
        {0x0EC62904, 0x185A28DC}, {0x453F7278, 0x4B8E1DFD}, {0x74B50FD8, 0x07AD665E}, {0x04A420B7, 0x7A142AEE},
        {0x0B5E496B, 0x15363635}, {0x46606ABF, 0x002D3676}, {0x40534BDC, 0x3AE34B58}, {0x265E07A8, 0x0D281541},
        {0x2A234435, 0x750465F5}, {0x63785366, 0x6D970288}, {0x18E02664, 0x21D309C3}, {0x094E2D9C, 0x02C702B5}};
    static const MCHAR* const descendNames[] = {
        L"Float Driven A", L"Float Driven B", L"Float Driven C", L"Float Driven D", L"Float Driven E",
        L"Float Driven F", L"Float Driven G", L"Float Driven H", L"Float Driven I", L"Float Driven J",
        L"Float Driven K", L"Float Driven L", L"Float Driven M", L"Float Driven N", L"Float Driven O",
        L"Float Driven P"};
    for (size_t i = 0; i < std::size(descendFloats); ++i) add(CTRL_FLOAT_CLASS_ID, descendFloats[i], descendNames[i]);
    add(CTRL_POINT3_CLASS_ID, Class_ID(0x275C1AC1, 0x08B45EE2), L"Point3 Driven");
    // Never copied.
    add(CTRL_FLOAT_CLASS_ID, Class_ID(0x7FA7544B, 0x711A51EA), L"Float System Driven A");
    add(CTRL_FLOAT_CLASS_ID, Class_ID(0x7C125BF5, 0x3A880ECE), L"Float System Driven B");
    add(CTRL_ROTATION_CLASS_ID, Class_ID(0x67A81CF9, 0x79C62151), L"Rotation System Driven A");
    add(CTRL_ROTATION_CLASS_ID, Class_ID(0x1D1A667C, 0x206521F1), L"Rotation System Driven B");
    // Controllers owned by particle systems.
    add(CTRL_FLOAT_CLASS_ID, Class_ID(0x72930021, 0x06951211), L"Particle Float").canCopyAnim = FALSE;
    add(CTRL_POINT3_CLASS_ID, Class_ID(0x69F672C0, 0x27927AFA), L"Particle Point3").canCopyAnim = FALSE;
    add(CTRL_ROTATION_CLASS_ID, Class_ID(0x19357028, 0x428C5294), L"Particle Rotation").canCopyAnim = FALSE;
    return v;
}

} // namespace

const std::vector<GenericControlConfig>& HostGenericControllerConfigs() {
    static const std::vector<GenericControlConfig> configs = MakeHostConfigs();
    return configs;
}

void RegisterControllerClasses() {
    for (ClassDesc* cd : {Desc<BezierFloat>(), Desc<BezierPoint3>(), Desc<BezierPosition>(), Desc<TCBRotation>(),
                          Desc<BezierScale>(), Desc<BezierPoint4>(), Desc<PRSControl>(), Desc<EulerXYZ>(),
                          Desc<PositionXYZ>(), Desc<Point3XYZ>(), Desc<ScaleXYZ>(), Desc<FloatList>(),
                          Desc<Point3List>(), Desc<PositionList>(), Desc<RotationList>(), Desc<ScaleList>(),
                          Desc<ListWeights>(), Desc<PositionConstraint>(), Desc<PathConstraint>(),
                          Desc<OrientationConstraint>(), Desc<LookAtConstraint>(), Desc<LinkControl>(), Desc<LinkTransformControl>(),
                          Desc<LinearFloat>(), Desc<NoiseFloat>(), Desc<NoisePosition>(),
                          Desc<NoisePoint3>(), Desc<NoiseRotation>(), Desc<NoiseScale>(),
                          Desc<ReactionControl>(), Desc<ReactionMaster>(),
                          Desc<BipedRootControl>(), Desc<BipedPartControl>(), Desc<BipedMaster>(),
                          Desc<CATParentControl>(), Desc<CATBoneControl>(), Desc<CATFootprintControl>()})
        AddIfMissing(cd);
    for (const GenericControlConfig& c : HostGenericControllerConfigs()) RegisterGenericControlClass(c);
}

Control* NewDefaultFloatController() { return new BezierFloat(); }
Control* NewDefaultPoint3Controller() { return new BezierPoint3(); }
Control* NewDefaultPositionController() { return new PositionXYZ(); }
Control* NewDefaultRotationController() { return new EulerXYZ(); }
Control* NewDefaultScaleController() { return new BezierScale(); }
Control* NewDefaultMatrix3Controller() { return new PRSControl(); }
