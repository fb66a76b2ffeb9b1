// The configured class descriptor, the generic classes of every family, registration and the catalogue
// by class name.
#include "host/scene/objects/ObjectClasses.h"

#include "host/core/ClassDirectory.h"
#include "host/core/MaxException.h"
#include "host/scene/objects/BuiltinClasses.h"
#include "host/scene/objects/ConfiguredObject.h"
#include "host/scene/objects/DerivedObject.h"

#include <cwctype>
#include <deque>
#include <unordered_map>

namespace {

// Undo of the real-world map size flag; the owner is held by handle.
class RWMSRestore : public RestoreObj {
public:
    RWMSRestore(RealWorldMapSize* rwms, BOOL before)
        : rwms_(rwms), owner_(Animatable::GetHandleByAnim(rwms->Owner())), before_(before) {}
    void Restore(int /*isUndo*/) override {
        if (Animatable::GetAnimByHandle(owner_)) rwms_->Apply(before_);
    }
    void Redo() override {
        if (Animatable::GetAnimByHandle(owner_)) rwms_->Apply(!before_);
    }
    MSTR Description() override { return L"Real-World Map Size"; }

private:
    RealWorldMapSize* rwms_;
    AnimHandle owner_;
    BOOL before_;
};

Animatable* CreateGeneric(ObjectClassDesc* cd, BOOL loading) {
    switch (cd->SuperClassID()) {
    case SHAPE_CLASS_ID:
        return new GenericShapeObject(cd, loading);
    case HELPER_CLASS_ID:
        return new GenericHelperObject(cd, loading);
    case CAMERA_CLASS_ID:
        return new GenericCameraObject(cd, loading);
    case LIGHT_CLASS_ID:
        return new GenericLightObject(cd, loading);
    case WSM_OBJECT_CLASS_ID:
        return new GenericWSMObject(cd, loading);
    case SYSTEM_CLASS_ID:
        return new GenericSystemObject(cd, loading);
    case OSM_CLASS_ID:
        return new GenericModifier(cd, loading);
    case WSM_CLASS_ID:
        return new GenericWSModifier(cd, loading);
    default:
        // Geometry, and any other super class a test asks for: an object that reports that super class.
        return new GenericGeomObject(cd, loading);
    }
}

std::wstring Lower(const MCHAR* s) {
    std::wstring r(s ? s : L"");
    for (wchar_t& c : r)
        c = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
    return r;
}

struct Catalog {
    std::vector<ObjectCatalogEntry> entries;
    std::unordered_map<std::wstring, size_t> byName;

    void Add(ObjectClassDesc* cd) {
        const ObjectClassDef& s = cd->Def();
        for (const ObjectCatalogEntry& e : entries)
            if (e.superClass == s.superClass && e.classId == s.classId) return;
        entries.push_back(ObjectCatalogEntry{s.superClass, s.classId, s.className, s.scriptName});
        byName.emplace(Lower(s.className.c_str()), entries.size() - 1);
        if (!s.scriptName.isNull()) byName.emplace(Lower(s.scriptName.c_str()), entries.size() - 1);
    }
};

Catalog& TheCatalog() {
    static Catalog c;
    return c;
}

// Descriptors made by RegisterGenericObjectClass; they live for the process.
std::deque<std::unique_ptr<ObjectClassDesc>>& GenericDescs() {
    static std::deque<std::unique_ptr<ObjectClassDesc>> d;
    return d;
}

void AddToDirectory(ClassDesc* cd) {
    ClassDirectory& dir = GetClassDirectory();
    if (dir.FindClass(cd->SuperClassID(), cd->ClassID()) == cd) return;
    dir.AddClass(cd);
}

} // namespace

void RealWorldMapSize::SetUsePhysicalScaleUVs(BOOL flag) {
    flag = flag ? TRUE : FALSE;
    if (flag == flag_) return;
    if (theHold.Holding()) theHold.Put(new RWMSRestore(this, flag_));
    Apply(flag);
}

void RealWorldMapSize::Apply(BOOL flag) {
    flag_ = flag ? TRUE : FALSE;
    owner_->NotifyDependents(FOREVER, PART_GEOM, REFMSG_CHANGE);
}

ObjectClassDesc::ObjectClassDesc(ObjectClassDef cls, Factory factory)
    : def_(std::move(cls)), factory_(factory) {
    if (!def_.params.empty()) {
        pbDesc_ = std::make_unique<ParamBlockDesc2>(static_cast<BlockID>(0), def_.blockName.c_str(), -1, this,
                                                    P_AUTO_CONSTRUCT, 0);
        for (const ParamDef& d : def_.params)
            pbDesc_->AddParam(d);
    } else {
        for (const Pb1ParamDef& p : def_.pb1Params)
            pb1Layout_.push_back(ParamBlockDesc{p.type, p.animatable});
    }
}

ObjectClassDesc::~ObjectClassDesc() {
    ClearParamBlockDescs();
}

void* ObjectClassDesc::Create(BOOL loading) {
    Animatable* a = factory_ ? factory_(this, loading) : CreateGeneric(this, loading);
    return static_cast<void*>(a);
}

void RegisterObjectClasses() {
    AddToDirectory(DerivedObject::GetOSClassDesc());
    AddToDirectory(DerivedObject::GetWSClassDesc());
    for (const auto* family : {&GeometryClassDescs(), &HelperClassDescs(), &LightCameraClassDescs(),
                               &ShapeClassDescs(), &ModifierClassDescs(), &SceneRefClassDescs(),
                               &ParticleClassDescs()}) {
        for (ObjectClassDesc* cd : *family) {
            AddToDirectory(cd);
            TheCatalog().Add(cd);
        }
    }
    for (auto& cd : GenericDescs())
        AddToDirectory(cd.get());
}

ObjectClassDesc* RegisterGenericObjectClass(const ObjectClassDef& cls) {
    ClassDirectory& dir = GetClassDirectory();
    if (ClassDesc* existing = dir.FindClass(cls.superClass, cls.classId)) {
        if (auto* ocd = dynamic_cast<ObjectClassDesc*>(existing)) return ocd;
        throw MAXException(
            WStr::Format(L"RegisterGenericObjectClass: \"%s\" super 0x%x class %s is taken by \"%s\"",
                         cls.className.c_str(), cls.superClass,
                         WStr::FromUTF8(cls.classId.ToString()).c_str(), existing->ClassName()));
    }
    GenericDescs().push_back(std::make_unique<ObjectClassDesc>(cls));
    ObjectClassDesc* cd = GenericDescs().back().get();
    dir.AddClass(cd);
    TheCatalog().Add(cd);
    return cd;
}

const ObjectCatalogEntry* FindObjectClassByName(const MCHAR* name) {
    const Catalog& c = TheCatalog();
    auto it = c.byName.find(Lower(name));
    return it == c.byName.end() ? nullptr : &c.entries[it->second];
}

const std::vector<ObjectCatalogEntry>& ObjectCatalog() {
    return TheCatalog().entries;
}

ReferenceTarget* CreateObjectByName(const MCHAR* name) {
    const ObjectCatalogEntry* e = FindObjectClassByName(name);
    if (!e) return nullptr;
    ClassDesc* cd = GetClassDirectory().FindClass(e->superClass, e->classId);
    if (!cd) return nullptr;
    return static_cast<ReferenceTarget*>(static_cast<Animatable*>(cd->Create(FALSE)));
}

ParamDef MakeParam(ParamID id, const MCHAR* name, int type, PB2Value def, int flags) {
    ParamDef d;
    d.ID = id;
    d.int_name = name;
    d.type = type;
    d.flags = flags;
    d.def = std::move(def);
    return d;
}

ParamDef MakeFloatParam(ParamID id, const MCHAR* name, float def, int type) {
    return MakeParam(id, name, type, PB2Value::Float(def), P_ANIMATABLE | P_RESET_DEFAULT);
}

ParamDef MakeIntParam(ParamID id, const MCHAR* name, int def, int low, int high) {
    ParamDef d = MakeParam(id, name, TYPE_INT, PB2Value::Int(def), P_ANIMATABLE | P_RESET_DEFAULT);
    d.has_range = true;
    d.range_low = PB2Value::Int(low);
    d.range_high = PB2Value::Int(high);
    return d;
}

ParamDef MakeBoolParam(ParamID id, const MCHAR* name, bool def) {
    return MakeParam(id, name, TYPE_BOOL, PB2Value::Int(def ? 1 : 0), P_RESET_DEFAULT);
}
