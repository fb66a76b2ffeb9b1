// The second-generation parameter block: values, tables, controllers, references, undo and persistence.
#include "host/scene/ParamBlock2.h"

#include "host/core/ChunkFields.h"
#include "host/core/ClassDesc.h"
#include "host/core/ClassDirectory.h"
#include "host/core/Hold.h"
#include "host/core/RefKind.h"
#include "host/core/RemapDir.h"
#include "host/scene/Control.h"
#include "host/scene/INode.h"
#include "host/scene/Mtl.h"
#include "host/scene/ParamBlockRestore.h"
#include "host/scene/controllers/ValueControl.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ostream>
#include <string>

namespace {

// Chunks of a saved block. Reference values and controllers are not in here: the scene writer saves
// them as the block's references.
constexpr USHORT kHeaderChunk = 0x0001;      // owner class, block id, parameter count
constexpr USHORT kParamChunk = 0x0010;       // container: one per saved parameter
constexpr USHORT kParamHeadChunk = 0x0011;   // id (i16), type (i32), element count (i32)
constexpr USHORT kParamValuesChunk = 0x0012; // numeric values of every element, packed
constexpr USHORT kParamStringChunk = 0x0013; // one per element of a string parameter

enum class Family { Int, Float, Point3, Point4, Matrix, String, Ref, None };

Family FamilyOf(int type) {
    switch (base_type(type)) {
    case TYPE_INT:
    case TYPE_BOOL:
    case TYPE_TIMEVALUE:
    case TYPE_RADIOBTN_INDEX:
    case TYPE_INDEX:
        return Family::Int;
    case TYPE_FLOAT:
    case TYPE_ANGLE:
    case TYPE_PCNT_FRAC:
    case TYPE_WORLD:
    case TYPE_COLOR_CHANNEL:
        return Family::Float;
    case TYPE_RGBA:
    case TYPE_POINT3:
    case TYPE_HSV:
    case TYPE_POINT2:
        return Family::Point3;
    case TYPE_POINT4:
    case TYPE_FRGBA:
        return Family::Point4;
    case TYPE_MATRIX3:
        return Family::Matrix;
    case TYPE_STRING:
    case TYPE_FILENAME:
    case TYPE_BITMAP:
        return Family::String;
    case TYPE_MTL:
    case TYPE_TEXMAP:
    case TYPE_INODE:
    case TYPE_REFTARG:
    case TYPE_PBLOCK2:
        return Family::Ref;
    default:
        // Two newer reference-valued types the host numbers 54 and 55.
        if (base_type(type) == 54 || base_type(type) == 55) return Family::Ref;
        return Family::None;
    }
}

// A reference parameter holds its target in a reference slot of the block unless it says it holds a plain
// pointer.
bool RefParamHasSlot(const ParamDef& d) {
    return (d.flags & P_NO_REF) == 0;
}

bool Animates(Family f) {
    return f == Family::Int || f == Family::Float || f == Family::Point3 || f == Family::Point4 ||
           f == Family::Matrix;
}

bool IsNode(ReferenceTarget* t) {
    return t && t->SuperClassID() == BASENODE_CLASS_ID;
}

// Whether a controller of super class s produces the value of a parameter of family f.
bool ControllerFits(Family f, SClass_ID s) {
    switch (f) {
    case Family::Int:
    case Family::Float:
        return s == CTRL_FLOAT_CLASS_ID;
    case Family::Point3:
        return s == CTRL_POINT3_CLASS_ID || s == CTRL_POSITION_CLASS_ID;
    case Family::Point4:
        return s == CTRL_POINT4_CLASS_ID || s == CTRL_FRGBA_CLASS_ID;
    case Family::Matrix:
        return s == CTRL_MATRIX3_CLASS_ID;
    default:
        return false;
    }
}

bool AcceptsTarget(int type, ReferenceTarget* t) {
    if (!t) return true;
    switch (base_type(type)) {
    case TYPE_MTL:
        return t->SuperClassID() == MATERIAL_CLASS_ID;
    case TYPE_TEXMAP:
        return t->SuperClassID() == TEXMAP_CLASS_ID;
    case TYPE_INODE:
        return IsNode(t);
    case TYPE_PBLOCK2:
        return t->SuperClassID() == PARAMETER_BLOCK2_CLASS_ID;
    default:
        return true;
    }
}

int ValueBytes(Family f) {
    switch (f) {
    case Family::Int:
    case Family::Float:
        return 4;
    case Family::Point3:
        return 12;
    case Family::Point4:
        return 16;
    case Family::Matrix:
        return 48;
    default:
        return 0;
    }
}

using Elem = ParamBlock2::Elem;

// An element's value as the parameter's family stores it; members of other families stay at their
// defaults.
PB2Value ValueOf(const Elem& e, Family f) {
    if (e.wide) return *e.wide;
    PB2Value v;
    switch (f) {
    case Family::Int:
        v.i = e.i;
        break;
    case Family::Float:
        v.f = e.f;
        break;
    case Family::Point3:
        v.p = Point3(e.xyzw[0], e.xyzw[1], e.xyzw[2]);
        break;
    case Family::Point4:
        v.p4 = Point4(e.xyzw[0], e.xyzw[1], e.xyzw[2], e.xyzw[3]);
        break;
    case Family::Ref:
        v.r = e.r;
        break;
    default:
        break;
    }
    return v;
}

void StoreValue(Elem& e, Family f, const PB2Value& v) {
    switch (f) {
    case Family::Int:
        e.i = v.i;
        break;
    case Family::Float:
        e.f = v.f;
        break;
    case Family::Point3:
        e.xyzw[0] = v.p.x, e.xyzw[1] = v.p.y, e.xyzw[2] = v.p.z, e.xyzw[3] = 0;
        break;
    case Family::Point4:
        e.xyzw[0] = v.p4.x, e.xyzw[1] = v.p4.y, e.xyzw[2] = v.p4.z, e.xyzw[3] = v.p4.w;
        break;
    case Family::Ref:
        e.r = v.r;
        break;
    case Family::Matrix:
    case Family::String:
        if (e.wide)
            *e.wide = v;
        else
            e.wide = std::make_unique<PB2Value>(v);
        break;
    default:
        break;
    }
}

// The text of a string element (empty for an element that holds none).
const MSTR& StoredText(const Elem& e) {
    static const MSTR kNone;
    return e.wide ? e.wide->s : kNone;
}

std::string FormatFloat(float f) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.6g", static_cast<double>(f));
    return buf;
}

std::string Quoted(const WStr& s) {
    std::string out = "\"";
    for (char c : s.ToUTF8()) {
        if (c == '"' || c == '\\') out += '\\';
        if (c == '\n') {
            out += "\\n";
            continue;
        }
        out += c;
    }
    return out + "\"";
}

std::string ClassNameOf(Animatable* a) {
    MSTR s;
    a->GetClassName(s, false);
    return s.ToUTF8();
}

// A node value of a block that is cloned before its node: the copy points at the node's copy once the
// whole clone exists.
class NodeRepointProc : public PostPatchProc {
public:
    NodeRepointProc(ParamBlock2* copy, int slot, ReferenceTarget* node)
        : copy_(copy), copyHandle_(Animatable::GetHandleByAnim(copy)), slot_(slot), node_(node) {}
    int Proc(RemapDir& remap) override {
        if (Animatable::GetAnimByHandle(copyHandle_) != copy_) return TRUE;
        if (slot_ >= copy_->NumRefs() || copy_->GetReference(slot_) != node_) return TRUE;
        if (ReferenceTarget* mapped = remap.FindMapping(node_)) copy_->ReplaceReference(slot_, mapped);
        return TRUE;
    }

private:
    ParamBlock2* copy_;
    AnimHandle copyHandle_;
    int slot_;
    ReferenceTarget* node_;
};

template <class T> int AppendAll(IParamBlock2* pb, ParamID id, int num, const T* el) {
    if (!is_tab(pb->GetParameterType(id)) || num < 0 || (num > 0 && !el)) return -1;
    const int at = pb->Count(id);
    pb->SetCount(id, at + num);
    for (int k = 0; k < num; ++k)
        pb->SetValue(id, 0, el[k], at + k);
    return at;
}

ParamBlockStringResolver& Resolver() {
    static ParamBlockStringResolver resolver = nullptr;
    return resolver;
}

} // namespace

void SetParamBlockStringResolver(ParamBlockStringResolver resolver) {
    Resolver() = resolver;
}

// ---- IParamBlock2 conveniences

int IParamBlock2::Append(ParamID id, int num, const float* el) {
    return AppendAll(this, id, num, el);
}
int IParamBlock2::Append(ParamID id, int num, const int* el) {
    return AppendAll(this, id, num, el);
}
int IParamBlock2::Append(ParamID id, int num, const Point3* el) {
    return AppendAll(this, id, num, el);
}
int IParamBlock2::Append(ParamID id, int num, const MCHAR* const* el) {
    return AppendAll(this, id, num, el);
}
int IParamBlock2::Append(ParamID id, int num, ReferenceTarget* const* el) {
    return AppendAll(this, id, num, el);
}

float IParamBlock2::GetFloat(ParamID id, TimeValue t, int tabIndex) {
    float v = 0;
    Interval iv = FOREVER;
    GetValue(id, t, v, iv, tabIndex);
    return v;
}

int IParamBlock2::GetInt(ParamID id, TimeValue t, int tabIndex) {
    int v = 0;
    Interval iv = FOREVER;
    GetValue(id, t, v, iv, tabIndex);
    return v;
}

Point3 IParamBlock2::GetPoint3(ParamID id, TimeValue t, int tabIndex) {
    Point3 v;
    Interval iv = FOREVER;
    GetValue(id, t, v, iv, tabIndex);
    return v;
}

const MCHAR* IParamBlock2::GetStr(ParamID id, TimeValue t, int tabIndex) {
    const MCHAR* v = nullptr;
    Interval iv = FOREVER;
    return GetValue(id, t, v, iv, tabIndex) ? v : nullptr;
}

ReferenceTarget* IParamBlock2::GetReferenceTarget(ParamID id, TimeValue t, int tabIndex) {
    ReferenceTarget* v = nullptr;
    Interval iv = FOREVER;
    return GetValue(id, t, v, iv, tabIndex) ? v : nullptr;
}

Mtl* IParamBlock2::GetMtl(ParamID id, TimeValue t, int tabIndex) {
    ReferenceTarget* r = GetReferenceTarget(id, t, tabIndex);
    return r && r->SuperClassID() == MATERIAL_CLASS_ID ? static_cast<Mtl*>(r) : nullptr;
}

Texmap* IParamBlock2::GetTexmap(ParamID id, TimeValue t, int tabIndex) {
    ReferenceTarget* r = GetReferenceTarget(id, t, tabIndex);
    return r && r->SuperClassID() == TEXMAP_CLASS_ID ? static_cast<Texmap*>(r) : nullptr;
}

INode* IParamBlock2::GetINode(ParamID id, TimeValue t, int tabIndex) {
    ReferenceTarget* r = GetReferenceTarget(id, t, tabIndex);
    return IsNode(r) ? static_cast<INode*>(r) : nullptr;
}

IParamBlock2* CreateParameterBlock2(ParamBlockDesc2* desc, ReferenceMaker* owner) {
    if (!desc) return nullptr;
    return new ParamBlock2(desc, owner);
}

// ---- construction

ParamBlock2::ParamBlock2(ParamBlockDesc2* desc, ReferenceMaker* owner) : desc_(desc) {
    SetOwner(owner);
    InitParams();
}

ParamBlock2::~ParamBlock2() {
    if (NumLiveRefs() > 0) DeleteAllRefsFromMe();
}

void ParamBlock2::GetClassName(MSTR& s, bool /*localized*/) const {
    s = L"ParamBlock2";
}

void ParamBlock2::InitElem(const ParamDef& def, Elem& e) const {
    const Family f = FamilyOf(def.type);
    StoreValue(e, f, def.def);
    // Reference defaults are never referenced.
    if (e.wide) e.wide->r = nullptr;
    if (f == Family::Ref) e.r = nullptr;
    e.ref = nullptr;
}

void ParamBlock2::InitParams() {
    realNodeRefs_ = 0;
    const int n = NumParams();
    elems_.clear();
    bases_.clear();
    if (n > 0) {
        bases_.assign(3 * (static_cast<size_t>(n) + 1), 0);
        int total = 0;
        for (int pi = 0; pi < n; ++pi) {
            const ParamDef& d = Def(pi);
            bases_[static_cast<size_t>(pi)] = total;
            total += is_tab(d.type) ? std::max(0, d.tab_size) : 1;
        }
        bases_[static_cast<size_t>(n)] = total;
        elems_.resize(static_cast<size_t>(total));
        for (int pi = 0; pi < n; ++pi)
            for (int ei = 0; ei < CountOf(pi); ++ei)
                InitElem(Def(pi), At(pi, ei));
    }
    LayoutChanged();
}

ReferenceMaker* ParamBlock2::GetOwner() {
    return ownerHandle_ ? static_cast<ReferenceMaker*>(Animatable::GetAnimByHandle(ownerHandle_)) : nullptr;
}

void ParamBlock2::SetOwner(ReferenceMaker* owner) {
    ownerHandle_ = owner ? Animatable::GetHandleByAnim(owner) : 0;
}

void ParamBlock2::RefAdded(RefMakerHandle rm) {
    if (!rm || !desc_ || !desc_->cd || GetOwner()) return;
    if (rm->ClassID() == desc_->cd->ClassID() && rm->SuperClassID() == desc_->cd->SuperClassID())
        SetOwner(rm);
}

// ---- layout: which elements are references and sub-animatables

bool ParamBlock2::IsAnimatableParam(int pi) const {
    const ParamDef& d = Def(pi);
    return (d.flags & P_ANIMATABLE) != 0 && Animates(FamilyOf(d.type));
}

bool ParamBlock2::HasRefSlot(int pi) const {
    const ParamDef& d = Def(pi);
    if (FamilyOf(d.type) == Family::Ref) return RefParamHasSlot(d);
    return IsAnimatableParam(pi);
}

bool ParamBlock2::IsSubAnimParam(int pi) const {
    if (IsAnimatableParam(pi)) return true;
    const ParamDef& d = Def(pi);
    return FamilyOf(d.type) == Family::Ref && HasRefSlot(pi) && (d.flags & P_SUBANIM) != 0;
}

void ParamBlock2::EnsureLayout() {
    if (!layoutDirty_) return;
    layoutDirty_ = false;
    const int n = NumStored();
    if (n == 0) {
        slotRefs_.clear();
        return;
    }
    int* refBase = bases_.data() + n + 1;
    int* subBase = refBase + n + 1;
    int r = 0, s = 0;
    for (int pi = 0; pi < n; ++pi) {
        refBase[pi] = r;
        subBase[pi] = s;
        const int count = CountOf(pi);
        if (HasRefSlot(pi)) r += count;
        if (IsSubAnimParam(pi)) s += count;
    }
    refBase[n] = r;
    subBase[n] = s;
    slotRefs_.resize(static_cast<size_t>(r));
    for (int pi = 0; pi < n; ++pi) {
        if (!HasRefSlot(pi)) continue;
        const Elem* elems = ElemsOf(pi);
        for (int ei = 0; ei < CountOf(pi); ++ei)
            slotRefs_[static_cast<size_t>(refBase[pi] + ei)] = elems[ei].ref;
    }
}

int ParamBlock2::SlotOf(int pi, int ei) {
    EnsureLayout();
    return HasRefSlot(pi) ? RefBases()[pi] + ei : -1;
}

namespace {
// The parameter whose range [base[pi], base[pi+1]) holds k; parameters with an empty range are skipped.
// base holds n + 1 entries.
bool FindInBases(const int* base, int n, int k, int& pi, int& ei) {
    if (n == 0 || k < 0 || k >= base[n]) return false;
    const int* it = std::upper_bound(base, base + n + 1, k);
    pi = static_cast<int>(it - base) - 1;
    ei = k - base[pi];
    return true;
}
} // namespace

bool ParamBlock2::FromSlot(int slot, int& pi, int& ei) {
    EnsureLayout();
    return FindInBases(RefBases(), NumStored(), slot, pi, ei);
}

bool ParamBlock2::FromSub(int sub, int& pi, int& ei) {
    EnsureLayout();
    return FindInBases(SubBases(), NumStored(), sub, pi, ei);
}

bool ParamBlock2::Locate(ParamID id, int tabIndex, int& pi, int& ei) {
    pi = IDtoIndex(id);
    return LocateIndex(pi, tabIndex, ei);
}

bool ParamBlock2::LocateIndex(int pi, int tabIndex, int& ei) const {
    if (pi < 0 || pi >= NumStored()) return false;
    if (!is_tab(Def(pi).type)) {
        ei = 0; // the element index means nothing to a single value
        return true;
    }
    ei = tabIndex;
    return tabIndex >= 0 && tabIndex < CountOf(pi);
}

// ---- references

int ParamBlock2::NumRefs() {
    EnsureLayout();
    return static_cast<int>(slotRefs_.size());
}

RefTargetHandle ParamBlock2::GetReference(int i) {
    EnsureLayout();
    return i >= 0 && static_cast<size_t>(i) < slotRefs_.size() ? slotRefs_[static_cast<size_t>(i)] : nullptr;
}

void ParamBlock2::SetReference(int i, RefTargetHandle rtarg) {
    int pi, ei;
    if (!FromSlot(i, pi, ei)) return;
    Elem& e = At(pi, ei);
    // A reference parameter takes what its type accepts; any other slot holds the parameter's controller.
    if (FamilyOf(Def(pi).type) == Family::Ref) {
        if (!AcceptsTarget(Def(pi).type, rtarg)) rtarg = nullptr;
    } else if (rtarg && (!IsControllerSuperClass(rtarg->SuperClassID()) || !RefAs<Control>(rtarg))) {
        rtarg = nullptr;
    }
    if (FamilyOf(Def(pi).type) == Family::Ref && base_type(Def(pi).type) != TYPE_INODE) {
        if (IsNode(e.ref)) --realNodeRefs_;
        if (IsNode(rtarg)) ++realNodeRefs_;
    }
    e.ref = rtarg;
    slotRefs_[static_cast<size_t>(i)] = rtarg;
}

BOOL ParamBlock2::IsRealDependency(ReferenceTarget* rtarg) {
    if (!IsNode(rtarg)) return TRUE;
    if (realNodeRefs_ == 0) return FALSE;
    for (int pi = 0; pi < NumStored(); ++pi) {
        if (!HasRefSlot(pi) || FamilyOf(Def(pi).type) != Family::Ref || base_type(Def(pi).type) == TYPE_INODE)
            continue;
        for (int ei = 0; ei < CountOf(pi); ++ei)
            if (At(pi, ei).ref == rtarg) return TRUE;
    }
    return FALSE;
}

BOOL ParamBlock2::ShouldPersistWeakRef(RefTargetHandle /*rtarg*/) {
    return TRUE;
}

RefResult ParamBlock2::NotifyRefChanged(const Interval& /*changeInt*/, RefTargetHandle hTarget,
                                        PartID& /*partID*/, RefMessage message, BOOL /*propagate*/) {
    if (message != REFMSG_CHANGE && message != REFMSG_TARGET_DELETED) return REF_SUCCEED;
    if (pushing_ && message == REFMSG_CHANGE) return REF_STOP;
    // A change inside a controller or a referenced value is a change of that element.
    for (int pi = 0; pi < NumStored(); ++pi) {
        if (!HasRefSlot(pi)) continue;
        for (int ei = 0; ei < CountOf(pi); ++ei) {
            if (At(pi, ei).ref != hTarget) continue;
            lastNotifyId_ = Def(pi).ID;
            lastNotifyTab_ = ei;
            return REF_SUCCEED;
        }
    }
    return REF_SUCCEED;
}

// ---- sub-animatables

int ParamBlock2::NumSubs() {
    EnsureLayout();
    return NumStored() == 0 ? 0 : SubBases()[NumStored()];
}

Animatable* ParamBlock2::SubAnim(int i) {
    int pi, ei;
    if (!FromSub(i, pi, ei)) return nullptr;
    return At(pi, ei).ref;
}

MSTR ParamBlock2::SubAnimName(int i, bool /*localized*/) {
    int pi, ei;
    if (!FromSub(i, pi, ei)) return MSTR();
    return GetLocalName(Def(pi).ID, ei);
}

int ParamBlock2::SubNumToRefNum(int subNum) {
    int pi, ei;
    if (!FromSub(subNum, pi, ei)) return -1;
    return SlotOf(pi, ei);
}

BOOL ParamBlock2::CanAssignController(int subAnim) {
    int pi, ei;
    return FromSub(subAnim, pi, ei) && IsAnimatableParam(pi);
}

BOOL ParamBlock2::AssignController(Animatable* control, int subAnim) {
    int pi, ei;
    if (!FromSub(subAnim, pi, ei) || !IsAnimatableParam(pi)) return FALSE;
    if (!control) {
        RemoveController(Def(pi).ID, ei);
        return TRUE;
    }
    if (!control->IsRefTarget() || !IsControllerSuperClass(control->SuperClassID())) return FALSE;
    return SetController(Def(pi).ID, ei, static_cast<Control*>(static_cast<ReferenceTarget*>(control)));
}

int ParamBlock2::GetAnimNum(ParamID id, int tabIndex) {
    int pi, ei;
    if (!Locate(id, tabIndex, pi, ei) || !IsSubAnimParam(pi)) return -1;
    EnsureLayout();
    return SubBases()[pi] + ei;
}

ParamID ParamBlock2::AnimNumToParamNum(int animNum, int& tabIndex) {
    int pi, ei;
    if (!FromSub(animNum, pi, ei)) {
        tabIndex = -1;
        return -1;
    }
    tabIndex = ei;
    return Def(pi).ID;
}

// ---- definitions

namespace {
// What an unknown id or index answers. Callers get a reference they may write, so it starts over at
// every call; the host runs on one thread.
ParamDef& InvalidDef() {
    static ParamDef invalid;
    invalid = ParamDef();
    return invalid;
}
} // namespace

ParamDef& ParamBlock2::GetParamDef(ParamID id) {
    const int pi = IDtoIndex(id);
    if (pi < 0) return InvalidDef();
    return desc_->paramdefs[static_cast<size_t>(pi)];
}

ParamDef& ParamBlock2::GetParamDefByIndex(unsigned short index) {
    if (!desc_ || index >= desc_->paramdefs.size()) return InvalidDef();
    return desc_->paramdefs[index];
}

ParamType2 ParamBlock2::GetParameterType(ParamID id) {
    const int pi = IDtoIndex(id);
    return pi < 0 ? TYPE_UNSPECIFIED : static_cast<ParamType2>(Def(pi).type);
}

MSTR ParamBlock2::GetLocalName(ParamID id, int tabIndex) {
    const int pi = IDtoIndex(id);
    if (pi < 0) return MSTR();
    const ParamDef& d = Def(pi);
    MSTR name;
    if (d.local_name >= 0 && Resolver()) name = Resolver()(desc_->cd, d.local_name);
    if (name.isNull()) name = d.int_name ? d.int_name : L"";
    if (is_tab(d.type) && tabIndex >= 0) name += WStr::Format(L"[%d]", tabIndex);
    return name;
}

ParamID ParamBlock2::LastNotifyParamID(int& tabIndex) {
    tabIndex = lastNotifyTab_;
    return lastNotifyId_;
}

// ---- notification and undo plumbing

void ParamBlock2::NotifyChanged(ParamID id, int tabIndex) {
    lastNotifyId_ = id;
    lastNotifyTab_ = tabIndex;
    NotifyDependents(FOREVER, PART_ALL, REFMSG_CHANGE);
}

void ParamBlock2::PutNotifyMarker(ParamID id, int tabIndex, bool before) {
    if (theHold.Holding()) theHold.Put(new PB2NotifyRestore(this, id, tabIndex, before));
}

void ParamBlock2::RestoreElemValue(ParamID id, int tabIndex, const PB2Value& v) {
    int pi, ei;
    if (!Locate(id, tabIndex, pi, ei)) return;
    StoreValue(At(pi, ei), FamilyOf(Def(pi).type), v);
    NotifyChanged(id, ei);
}

void ParamBlock2::RestoreSplice(ParamID id, int start, int removeCount, const std::vector<Elem>& insert) {
    const int pi = IDtoIndex(id);
    if (pi < 0) return;
    const int cur = CountOf(pi);
    if (start < 0 || removeCount < 0 || start + removeCount > cur) return;
    // Normally the reference records already emptied these; a reference made outside the undo system
    // is dropped through the graph rather than forgotten.
    DropRefs(pi, start, start + removeCount);
    Splice(pi, start, removeCount, insert, false);
    NotifyChanged(id, -1);
}

void ParamBlock2::RestoreNotify(ParamID id, int tabIndex) {
    NotifyChanged(id, tabIndex);
}

// ---- values

PB2Value ParamBlock2::CurrentValue(int pi, int ei, TimeValue t, Interval& ivalid) {
    const Elem& e = At(pi, ei);
    const Family f = FamilyOf(Def(pi).type);
    PB2Value v = ValueOf(e, f);
    if (f == Family::Ref) {
        v.r = HasRefSlot(pi) ? e.ref : e.r;
        return v;
    }
    if (!e.ref || !IsAnimatableParam(pi) || !IsControllerSuperClass(e.ref->SuperClassID())) return v;
    auto* c = static_cast<Control*>(e.ref);
    switch (f) {
    case Family::Int: {
        float x = static_cast<float>(v.i);
        c->GetValue(t, &x, ivalid);
        v.i = static_cast<int>(std::lround(x));
        break;
    }
    case Family::Float:
        c->GetValue(t, &v.f, ivalid);
        break;
    case Family::Point3:
        c->GetValue(t, &v.p, ivalid);
        break;
    case Family::Point4:
        c->GetValue(t, &v.p4, ivalid);
        break;
    case Family::Matrix:
        c->GetValue(t, &v.m, ivalid);
        break;
    default:
        break;
    }
    return v;
}

void ParamBlock2::PushToController(Control* c, int pi, TimeValue t, const PB2Value& v) {
    PB2Value x = v;
    const bool outer = pushing_;
    pushing_ = true;
    switch (FamilyOf(Def(pi).type)) {
    case Family::Int: {
        float f = static_cast<float>(x.i);
        c->SetValue(t, &f);
        break;
    }
    case Family::Float:
        c->SetValue(t, &x.f);
        break;
    case Family::Point3:
        c->SetValue(t, &x.p);
        break;
    case Family::Point4:
        c->SetValue(t, &x.p4);
        break;
    case Family::Matrix:
        c->SetValue(t, &x.m);
        break;
    default:
        break;
    }
    pushing_ = outer;
}

namespace {
// The controller animate mode gives a value of the family; null where a value takes none.
Control* NewKeyController(Family f) {
    switch (f) {
    case Family::Int:
    case Family::Float: return NewDefaultFloatController();
    case Family::Point3: return NewDefaultPoint3Controller();
    default: return nullptr;
    }
}

// Puts `in` (of kind given) into nv as the parameter's family stores it; false for a mismatch.
template <class Given> bool Convert(const PB2Value& in, Given given, Family f, PB2Value& nv) {
    switch (f) {
    case Family::Int:
        if (given == Given::Int)
            nv.i = in.i;
        else if (given == Given::Float)
            nv.i = static_cast<int>(std::lround(in.f));
        else
            return false;
        return true;
    case Family::Float:
        if (given == Given::Float)
            nv.f = in.f;
        else if (given == Given::Int)
            nv.f = static_cast<float>(in.i);
        else
            return false;
        return true;
    case Family::Point3:
        if (given == Given::Point3)
            nv.p = in.p;
        else if (given == Given::Point4)
            nv.p = Point3(in.p4.x, in.p4.y, in.p4.z);
        else
            return false;
        return true;
    case Family::Point4:
        if (given == Given::Point4)
            nv.p4 = in.p4;
        else if (given == Given::Point3)
            nv.p4 = Point4(in.p.x, in.p.y, in.p.z, 1.0f);
        else
            return false;
        return true;
    case Family::Matrix:
        if (given != Given::Matrix) return false;
        nv.m = in.m;
        return true;
    case Family::String:
        if (given != Given::String) return false;
        nv.s = in.s;
        return true;
    case Family::Ref:
        if (given != Given::Ref) return false;
        nv.r = in.r;
        return true;
    default:
        return false;
    }
}
} // namespace

BOOL ParamBlock2::Set(ParamID id, TimeValue t, int tabIndex, const PB2Value& in, Given given,
                      bool callAccessor) {
    int pi, ei;
    if (!Locate(id, tabIndex, pi, ei)) return FALSE;
    const ParamDef* d = &Def(pi);
    const Family f = FamilyOf(d->type);
    PB2Value nv = ValueOf(At(pi, ei), f);
    if (!Convert(in, given, f, nv)) return FALSE;
    if (f == Family::Ref && !AcceptsTarget(d->type, nv.r)) return FALSE;
    if (callAccessor && d->accessor) {
        d->accessor->Set(nv, GetOwner(), id, ei, t);
        // The accessor may have reshaped the block.
        if (!Locate(id, tabIndex, pi, ei)) return FALSE;
        d = &Def(pi);
        if (f == Family::Ref && !AcceptsTarget(d->type, nv.r)) return FALSE;
    }
    Elem& e = At(pi, ei);
    if (f == Family::Ref && HasRefSlot(pi)) {
        if (e.ref != nv.r) {
            PutNotifyMarker(id, ei, true);
            if (ReplaceReference(SlotOf(pi, ei), nv.r) != REF_SUCCEED) return FALSE;
            PutNotifyMarker(id, ei, false);
        }
    } else if (f != Family::Ref && e.ref && IsAnimatableParam(pi)) {
        PutNotifyMarker(id, ei, true);
        PushToController(static_cast<Control*>(e.ref), pi, t, nv);
        PutNotifyMarker(id, ei, false);
    } else if (Control* keyed = AnimateModeOn() && IsAnimatableParam(pi) ? NewKeyController(f) : nullptr) {
        // Animate mode turns an animatable value into a track: its old value stays at frame 0.
        SetController(id, ei, keyed, TRUE);
        PutNotifyMarker(id, ei, true);
        PushToController(keyed, pi, t, nv);
        PutNotifyMarker(id, ei, false);
    } else {
        if (theHold.Holding()) theHold.Put(new PB2ValueRestore(this, id, ei, ValueOf(e, f), nv));
        StoreValue(e, f, nv);
    }
    NotifyChanged(id, ei);
    return TRUE;
}

BOOL ParamBlock2::Get(ParamID id, TimeValue t, int tabIndex, PB2Value& out, Interval& ivalid) {
    int pi, ei;
    if (!Locate(id, tabIndex, pi, ei)) return FALSE;
    out = CurrentValue(pi, ei, t, ivalid);
    if (PBAccessor* acc = Def(pi).accessor) acc->Get(out, GetOwner(), id, ei, t, ivalid);
    return TRUE;
}

BOOL ParamBlock2::SetValue(ParamID id, TimeValue t, float v, int tabIndex) {
    return Set(id, t, tabIndex, PB2Value::Float(v), Given::Float);
}
BOOL ParamBlock2::SetValue(ParamID id, TimeValue t, int v, int tabIndex) {
    return Set(id, t, tabIndex, PB2Value::Int(v), Given::Int);
}
BOOL ParamBlock2::SetValue(ParamID id, TimeValue t, const Point3& v, int tabIndex) {
    return Set(id, t, tabIndex, PB2Value::Pt3(v), Given::Point3);
}
BOOL ParamBlock2::SetValue(ParamID id, TimeValue t, const Point4& v, int tabIndex) {
    return Set(id, t, tabIndex, PB2Value::Pt4(v), Given::Point4);
}
BOOL ParamBlock2::SetValue(ParamID id, TimeValue t, const Matrix3& v, int tabIndex) {
    PB2Value x;
    x.m = v;
    return Set(id, t, tabIndex, x, Given::Matrix);
}
BOOL ParamBlock2::SetValue(ParamID id, TimeValue t, const MCHAR* v, int tabIndex) {
    return Set(id, t, tabIndex, PB2Value::Str(v), Given::String);
}
BOOL ParamBlock2::SetValue(ParamID id, TimeValue t, ReferenceTarget* v, int tabIndex) {
    PB2Value x;
    x.r = v;
    return Set(id, t, tabIndex, x, Given::Ref);
}

BOOL ParamBlock2::GetValue(ParamID id, TimeValue t, float& v, Interval& ivalid, int tabIndex) {
    PB2Value x;
    if (!Get(id, t, tabIndex, x, ivalid)) return FALSE;
    switch (FamilyOf(GetParameterType(id))) {
    case Family::Float:
        v = x.f;
        return TRUE;
    case Family::Int:
        v = static_cast<float>(x.i);
        return TRUE;
    default:
        return FALSE;
    }
}

BOOL ParamBlock2::GetValue(ParamID id, TimeValue t, int& v, Interval& ivalid, int tabIndex) {
    // A flag or count stored as it is (no controller, no accessor) is read in place: flags are read at
    // every record of a scene, and the whole value costs many times the integer.
    int pi, ei;
    if (!Locate(id, tabIndex, pi, ei)) return FALSE;
    const Elem& e = At(pi, ei);
    if (FamilyOf(Def(pi).type) == Family::Int && !Def(pi).accessor && !e.wide &&
        !(e.ref && IsAnimatableParam(pi) && IsControllerSuperClass(e.ref->SuperClassID()))) {
        v = e.i;
        return TRUE;
    }
    PB2Value x;
    if (!Get(id, t, tabIndex, x, ivalid)) return FALSE;
    switch (FamilyOf(GetParameterType(id))) {
    case Family::Int:
        v = x.i;
        return TRUE;
    case Family::Float:
        v = static_cast<int>(std::lround(x.f));
        return TRUE;
    default:
        return FALSE;
    }
}

BOOL ParamBlock2::GetValue(ParamID id, TimeValue t, Point3& v, Interval& ivalid, int tabIndex) {
    PB2Value x;
    if (!Get(id, t, tabIndex, x, ivalid)) return FALSE;
    switch (FamilyOf(GetParameterType(id))) {
    case Family::Point3:
        v = x.p;
        return TRUE;
    case Family::Point4:
        v = Point3(x.p4.x, x.p4.y, x.p4.z);
        return TRUE;
    default:
        return FALSE;
    }
}

BOOL ParamBlock2::GetValue(ParamID id, TimeValue t, Point4& v, Interval& ivalid, int tabIndex) {
    PB2Value x;
    if (!Get(id, t, tabIndex, x, ivalid)) return FALSE;
    switch (FamilyOf(GetParameterType(id))) {
    case Family::Point4:
        v = x.p4;
        return TRUE;
    case Family::Point3:
        v = Point4(x.p.x, x.p.y, x.p.z, 1.0f);
        return TRUE;
    default:
        return FALSE;
    }
}

BOOL ParamBlock2::GetValue(ParamID id, TimeValue t, Matrix3& v, Interval& ivalid, int tabIndex) {
    PB2Value x;
    if (FamilyOf(GetParameterType(id)) != Family::Matrix || !Get(id, t, tabIndex, x, ivalid)) return FALSE;
    v = x.m;
    return TRUE;
}

BOOL ParamBlock2::GetValue(ParamID id, TimeValue t, const MCHAR*& v, Interval& ivalid, int tabIndex) {
    PB2Value x;
    if (FamilyOf(GetParameterType(id)) != Family::String || !Get(id, t, tabIndex, x, ivalid)) return FALSE;
    // Unless an accessor changed it, the text points into the block and lives until the value changes.
    int pi, ei;
    Locate(id, tabIndex, pi, ei);
    const MSTR& stored = StoredText(At(pi, ei));
    if (x.s == stored) {
        v = stored.c_str();
    } else {
        strScratch_ = x.s;
        v = strScratch_.c_str();
    }
    return TRUE;
}

BOOL ParamBlock2::GetValue(ParamID id, TimeValue t, ReferenceTarget*& v, Interval& ivalid, int tabIndex) {
    int pi, ei;
    if (!Locate(id, tabIndex, pi, ei)) return FALSE;
    const ParamDef& d = Def(pi);
    if (FamilyOf(d.type) != Family::Ref) return FALSE;
    // Walks read every reference parameter of every block: without an accessor the value is the element's
    // own, read in place rather than through a copy of the whole value.
    if (!d.accessor) {
        const Elem& e = At(pi, ei);
        v = RefParamHasSlot(d) ? e.ref : e.r;
        return TRUE;
    }
    PB2Value x;
    if (!Get(id, t, tabIndex, x, ivalid)) return FALSE;
    v = x.r;
    return TRUE;
}

// ---- controllers

Control* ParamBlock2::GetController(ParamID id, int tabIndex) {
    return GetControllerByIndex(IDtoIndex(id), tabIndex);
}

Control* ParamBlock2::GetControllerByIndex(int index, int tabIndex) {
    int ei;
    if (!LocateIndex(index, tabIndex, ei) || !IsAnimatableParam(index)) return nullptr;
    // An animatable parameter always has reference slots, one per element.
    EnsureLayout();
    return static_cast<Control*>(slotRefs_[static_cast<size_t>(RefBases()[index] + ei)]);
}

BOOL ParamBlock2::SetController(ParamID id, int tabIndex, Control* c, BOOL preserveFrame0Value) {
    int pi, ei;
    if (!Locate(id, tabIndex, pi, ei) || !IsAnimatableParam(pi)) return FALSE;
    if (!c) {
        RemoveController(id, tabIndex);
        return TRUE;
    }
    if (!ControllerFits(FamilyOf(Def(pi).type), c->SuperClassID())) return FALSE;
    if (At(pi, ei).ref == c) return TRUE;
    Interval iv = FOREVER;
    const PB2Value keep = CurrentValue(pi, ei, 0, iv);
    PutNotifyMarker(id, ei, true);
    if (ReplaceReference(SlotOf(pi, ei), c) != REF_SUCCEED) return FALSE;
    if (preserveFrame0Value) PushToController(c, pi, 0, keep);
    PutNotifyMarker(id, ei, false);
    NotifyChanged(id, ei);
    return TRUE;
}

void ParamBlock2::RemoveController(ParamID id, int tabIndex) {
    int pi, ei;
    if (!Locate(id, tabIndex, pi, ei) || !IsAnimatableParam(pi)) return;
    Elem& e = At(pi, ei);
    if (!e.ref) return;
    // The parameter keeps the value it had at frame 0.
    Interval iv = FOREVER;
    PB2Value cur = CurrentValue(pi, ei, 0, iv);
    PutNotifyMarker(id, ei, true);
    const Family f = FamilyOf(Def(pi).type);
    if (theHold.Holding()) theHold.Put(new PB2ValueRestore(this, id, ei, ValueOf(e, f), cur));
    StoreValue(e, f, cur);
    ReplaceReference(SlotOf(pi, ei), nullptr);
    PutNotifyMarker(id, ei, false);
    NotifyChanged(id, ei);
}

// ---- tables

int ParamBlock2::Count(ParamID id) {
    const int pi = IDtoIndex(id);
    if (pi < 0 || !is_tab(Def(pi).type)) return 0;
    return CountOf(pi);
}

void ParamBlock2::DropRefs(int pi, int from, int to) {
    if (!HasRefSlot(pi)) return;
    for (int ei = to - 1; ei >= from; --ei)
        if (At(pi, ei).ref)
            ReplaceReference(SlotOf(pi, ei), nullptr);
}

void ParamBlock2::Splice(int pi, int start, int removeCount, std::vector<Elem> insert, bool record) {
    for (Elem& e : insert)
        e.ref = nullptr;
    const auto first = elems_.begin() + bases_[static_cast<size_t>(pi)] + start;
    if (record && theHold.Holding())
        theHold.Put(new PB2TableRestore(this, Def(pi).ID, start,
                                        std::vector<Elem>(first, first + removeCount), insert));
    ReplaceElems(pi, start, removeCount, std::move(insert));
}

void ParamBlock2::ReplaceElems(int pi, int start, int removeCount, std::vector<Elem> insert) {
    const auto first = elems_.begin() + bases_[static_cast<size_t>(pi)] + start;
    const auto at = elems_.erase(first, first + removeCount);
    elems_.insert(at, std::make_move_iterator(insert.begin()), std::make_move_iterator(insert.end()));
    const int grown = static_cast<int>(insert.size()) - removeCount;
    for (int k = pi + 1; k <= NumStored(); ++k)
        bases_[static_cast<size_t>(k)] += grown;
    LayoutChanged();
}

void ParamBlock2::SetCount(ParamID id, int n) {
    const int pi = IDtoIndex(id);
    if (pi < 0 || !is_tab(Def(pi).type) || n < 0) return;
    const int cur = CountOf(pi);
    if (n == cur) return;
    if (n < cur) {
        DropRefs(pi, n, cur);
        Splice(pi, n, cur - n, {}, true);
    } else {
        std::vector<Elem> grown(static_cast<size_t>(n - cur));
        for (Elem& e : grown)
            InitElem(Def(pi), e);
        Splice(pi, cur, 0, std::move(grown), true);
    }
    NotifyChanged(id, -1);
}

int ParamBlock2::Delete(ParamID id, int start, int num) {
    const int pi = IDtoIndex(id);
    if (pi < 0 || !is_tab(Def(pi).type)) return 0;
    const int cur = CountOf(pi);
    if (start < 0 || num <= 0 || start + num > cur) return cur;
    DropRefs(pi, start, start + num);
    Splice(pi, start, num, {}, true);
    NotifyChanged(id, -1);
    return cur - num;
}

int ParamBlock2::Resize(ParamID id, int n) {
    const int pi = IDtoIndex(id);
    if (pi < 0 || !is_tab(Def(pi).type) || n < 0) return -1;
    if (n > CountOf(pi)) elems_.reserve(elems_.size() + static_cast<size_t>(n - CountOf(pi)));
    return n;
}

// ---- persistence

IOResult ParamBlock2::Save(ISave* isave) {
    const SClass_ID super = desc_ && desc_->cd ? desc_->cd->SuperClassID() : 0;
    const Class_ID cid = desc_ && desc_->cd ? desc_->cd->ClassID() : Class_ID();
    const ULONG a = cid.PartA(), b = cid.PartB();
    const short blockId = ID();
    const int n = NumParams();
    WriteValueChunk(isave, kHeaderChunk, super, a, b, blockId, n);

    for (int pi = 0; pi < n; ++pi) {
        const ParamDef& d = Def(pi);
        const bool transient = (d.flags & P_TRANSIENT) != 0;
        // A transient table that holds references still records its size: the reference numbering of
        // everything after it depends on it.
        if (transient && !(is_tab(d.type) && HasRefSlot(pi))) continue;
        const Elem* elems = ElemsOf(pi);
        const int count = CountOf(pi);
        isave->BeginChunk(kParamChunk);
        WriteValueChunk(isave, kParamHeadChunk, d.ID, d.type, count);
        const Family f = FamilyOf(d.type);
        if (!transient && ValueBytes(f) > 0 && count > 0) {
            isave->BeginChunk(kParamValuesChunk);
            for (const Elem* e = elems; e != elems + count; ++e) {
                switch (f) {
                case Family::Int:
                    WriteValues(isave, e->i);
                    break;
                case Family::Float:
                    WriteValues(isave, e->f);
                    break;
                case Family::Point3:
                    WriteValues(isave, e->xyzw[0], e->xyzw[1], e->xyzw[2]);
                    break;
                case Family::Point4:
                    WriteValues(isave, e->xyzw[0], e->xyzw[1], e->xyzw[2], e->xyzw[3]);
                    break;
                case Family::Matrix: { // the rows only: the flags are worked out again when read
                    const Matrix3& m = e->wide->m;
                    WriteValues(isave, m.GetRow(0), m.GetRow(1), m.GetRow(2), m.GetRow(3));
                    break;
                }
                default:
                    break;
                }
            }
            isave->EndChunk();
        } else if (!transient && f == Family::String) {
            for (int ei = 0; ei < count; ++ei) WriteStringChunk(isave, kParamStringChunk, StoredText(elems[ei]));
        }
        isave->EndChunk();
    }
    return IO_OK;
}

IOResult ParamBlock2::Load(ILoad* iload) {
    loadError_ = WStr();
    if (NumLiveRefs() > 0) DeleteAllRefsFromMe();
    bool sawHeader = false;
    auto fail = [&](const WStr& why) {
        loadError_ = WStr(L"ParamBlock2 load") +
                     (desc_ ? WStr(L" (block \"") + desc_->int_name + L"\")" : WStr()) + L": " + why;
        return IO_ERROR;
    };
    // A damaged stream, where no check of the block's own said why.
    auto damaged = [&] { return loadError_.isNull() ? fail(iload->GetLastError()) : IO_ERROR; };
    const IOResult res = ForEachChunk(iload, [&](USHORT id) -> IOResult {
        if (id == kHeaderChunk) {
            SClass_ID super = 0;
            ULONG a = 0, b = 0;
            short blockId = 0;
            int n = 0;
            if (ReadValues(iload, super, a, b, blockId, n) != IO_OK)
                return fail(WStr::Format(L"header chunk 0x%04x is %u bytes, expected 18", kHeaderChunk,
                                         static_cast<unsigned>(iload->CurChunkLength())));
            if (!desc_) {
                ClassDesc* cd = GetClassDirectory().FindClass(super, Class_ID(a, b));
                ParamBlockDesc2* d = cd ? cd->GetParamBlockDescByID(blockId) : nullptr;
                if (!d)
                    return fail(
                        WStr::Format(L"no registered class super 0x%x class (0x%x, 0x%x) with block id %d",
                                     super, a, b, blockId));
                desc_ = d;
            } else if (blockId != desc_->ID) {
                return fail(WStr::Format(L"saved block id %d, expected %d", blockId, desc_->ID));
            }
            InitParams();
            sawHeader = true;
        } else if (id == kParamChunk) {
            if (!sawHeader)
                return fail(WStr::Format(L"parameter chunk 0x%04x before the header", kParamChunk));
            int pi = -1;
            int count = 0;
            int next = 0; // next string element
            bool skip = false;
            const IOResult r2 = ForEachChunk(iload, [&](USHORT sub) -> IOResult {
                if (sub == kParamHeadChunk) {
                    ParamID pid = 0;
                    int type = 0;
                    if (ReadValues(iload, pid, type, count) != IO_OK || count < 0)
                        return fail(WStr::Format(L"parameter head chunk 0x%04x damaged", kParamHeadChunk));
                    pi = IDtoIndex(pid);
                    // A parameter this version no longer has, or whose type changed, keeps its default.
                    if (static_cast<size_t>(count) > iload->StreamBytesLeft())
                        return fail(WStr::Format(L"parameter %d announces %d elements, the file holds %zu more bytes",
                                                 static_cast<int>(pid), count, iload->StreamBytesLeft()));
                    skip = pi < 0 || Def(pi).type != type || (!is_tab(type) && count != 1);
                    if (!skip && is_tab(type)) {
                        std::vector<Elem> fresh(static_cast<size_t>(count));
                        for (Elem& e : fresh)
                            InitElem(Def(pi), e);
                        ReplaceElems(pi, 0, CountOf(pi), std::move(fresh));
                    }
                } else if (!skip && pi >= 0 && sub == kParamValuesChunk) {
                    const Family f = FamilyOf(Def(pi).type);
                    const ULONG want = static_cast<ULONG>(ValueBytes(f)) * static_cast<ULONG>(count);
                    if (ValueBytes(f) == 0 || iload->CurChunkLength() != want)
                        return fail(WStr::Format(
                            L"parameter %d values chunk 0x%04x holds %u bytes, expected %u", Def(pi).ID,
                            kParamValuesChunk, static_cast<unsigned>(iload->CurChunkLength()),
                            static_cast<unsigned>(want)));
                    for (int ei = 0; ei < CountOf(pi); ++ei) {
                        Elem& e = At(pi, ei);
                        IOResult rr = IO_OK;
                        switch (f) {
                        case Family::Int:
                            rr = ReadValues(iload, e.i);
                            break;
                        case Family::Float:
                            rr = ReadValues(iload, e.f);
                            break;
                        case Family::Point3:
                            rr = ReadValues(iload, e.xyzw[0], e.xyzw[1], e.xyzw[2]);
                            break;
                        case Family::Point4:
                            rr = ReadValues(iload, e.xyzw[0], e.xyzw[1], e.xyzw[2], e.xyzw[3]);
                            break;
                        case Family::Matrix: {
                            // Rows only: the flags are worked out again.
                            ULONG nr = 0;
                            rr = iload->Read(e.wide->m.Data(), 48, &nr);
                            e.wide->m.ValidateFlags();
                            break;
                        }
                        default:
                            break;
                        }
                        if (rr != IO_OK)
                            return fail(WStr::Format(L"parameter %d values unreadable", Def(pi).ID));
                    }
                } else if (!skip && pi >= 0 && sub == kParamStringChunk) {
                    if (FamilyOf(Def(pi).type) != Family::String || next >= count)
                        return fail(WStr::Format(L"parameter %d has string chunk %d of %d", Def(pi).ID,
                                                 next + 1, count));
                    MSTR s;
                    if (iload->ReadWStringChunk(s) != IO_OK)
                        return fail(WStr::Format(L"parameter %d string %d unreadable", Def(pi).ID, next));
                    PB2Value text;
                    text.s = std::move(s);
                    StoreValue(At(pi, next++), Family::String, text);
                }
                return IO_OK;
            });
            if (r2 != IO_OK) return damaged();
        }
        return IO_OK;
    });
    if (res != IO_OK) return damaged();
    if (!sawHeader) return fail(WStr::Format(L"no header chunk 0x%04x", kHeaderChunk));
    LayoutChanged();
    return IO_OK;
}

// ---- clone

RefTargetHandle ParamBlock2::Clone(RemapDir& remap) {
    auto* copy = new ParamBlock2(desc_, nullptr);
    copy->elems_ = elems_;
    copy->bases_ = bases_;
    for (Elem& e : copy->elems_)
        e.ref = nullptr; // references are made below, through the graph
    copy->LayoutChanged();
    copy->lastNotifyId_ = -1;
    BaseClone(this, copy, remap);
    for (int pi = 0; pi < NumStored(); ++pi) {
        if (!HasRefSlot(pi)) continue;
        const bool node = base_type(Def(pi).type) == TYPE_INODE;
        for (int ei = 0; ei < CountOf(pi); ++ei) {
            ReferenceTarget* t = At(pi, ei).ref;
            if (!t) continue;
            const int slot = SlotOf(pi, ei);
            ReferenceTarget* to = nullptr;
            if (node) {
                // Nodes are not the block's to copy: the copy shares the node, or the node's copy when the
                // same clone copies it.
                to = remap.FindMapping(t);
                if (!to) {
                    to = t;
                    remap.AddPostPatchProc(new NodeRepointProc(copy, slot, t), true);
                }
            } else {
                to = remap.CloneRef(t);
            }
            if (to) copy->ReplaceReference(slot, to);
        }
    }
    return copy;
}

// ---- dump

void ParamBlock2::DumpValue(std::ostream& os, int pi, int ei) {
    const Elem& e = At(pi, ei);
    const Family f = FamilyOf(Def(pi).type);
    auto value = [&os, f](const PB2Value& v) {
        switch (f) {
        case Family::Int:
            os << v.i;
            break;
        case Family::Float:
            os << FormatFloat(v.f);
            break;
        case Family::Point3:
            os << "(" << FormatFloat(v.p.x) << ", " << FormatFloat(v.p.y) << ", " << FormatFloat(v.p.z)
               << ")";
            break;
        case Family::Point4:
            os << "(" << FormatFloat(v.p4.x) << ", " << FormatFloat(v.p4.y) << ", " << FormatFloat(v.p4.z)
               << ", " << FormatFloat(v.p4.w) << ")";
            break;
        case Family::Matrix:
            os << "[";
            for (int r = 0; r < 4; ++r) {
                const Point3& row = v.m.GetRow(r);
                os << (r ? "; " : "") << FormatFloat(row.x) << " " << FormatFloat(row.y) << " "
                   << FormatFloat(row.z);
            }
            os << "]";
            break;
        case Family::String:
            os << Quoted(v.s);
            break;
        default:
            os << "?";
            break;
        }
    };
    if (f == Family::Ref) {
        ReferenceTarget* t = HasRefSlot(pi) ? e.ref : e.r;
        if (!t) {
            os << "null";
        } else {
            os << ClassNameOf(t);
            const SClass_ID s = t->SuperClassID();
            if (s == MATERIAL_CLASS_ID || s == TEXMAP_CLASS_ID)
                os << " " << Quoted(static_cast<MtlBase*>(t)->GetName());
            else if (auto* node = s == BASENODE_CLASS_ID ? dynamic_cast<INode*>(t) : nullptr)
                os << " " << Quoted(node->GetName());
        }
        return;
    }
    if (e.ref && IsAnimatableParam(pi) && IsControllerSuperClass(e.ref->SuperClassID())) {
        Interval iv = FOREVER;
        value(CurrentValue(pi, ei, 0, iv));
        os << " [controller " << ClassNameOf(e.ref) << "; constant ";
        value(ValueOf(e, f));
        os << "]";
        return;
    }
    value(ValueOf(e, f));
}

void ParamBlock2::Dump(std::ostream& os, int indent) {
    const std::string pad(static_cast<size_t>(std::max(0, indent)), ' ');
    os << pad << "ParamBlock2 " << (desc_ ? Quoted(desc_->int_name) : std::string("(no descriptor)"))
       << " id " << ID() << "\n";
    for (int pi = 0; pi < NumParams(); ++pi) {
        const ParamDef& d = Def(pi);
        const std::string name =
            d.int_name && *d.int_name ? WStr(d.int_name).ToUTF8() : std::string("(unnamed)");
        os << pad << "  " << d.ID << " " << name << " " << ParamTypeName(d.type);
        if (is_tab(d.type)) {
            const int n = CountOf(pi);
            os << " count " << n << "\n";
            for (int ei = 0; ei < n; ++ei) {
                os << pad << "    [" << ei << "] ";
                DumpValue(os, pi, ei);
                os << "\n";
            }
        } else {
            os << " = ";
            DumpValue(os, pi, 0);
            os << "\n";
        }
    }
}

void DumpParamBlock2(IParamBlock2* pb, std::ostream& os, int indent) {
    const std::string pad(static_cast<size_t>(std::max(0, indent)), ' ');
    if (!pb) {
        os << pad << "ParamBlock2 null\n";
        return;
    }
    if (auto* b = dynamic_cast<ParamBlock2*>(pb)) {
        b->Dump(os, indent);
        return;
    }
    os << pad << "ParamBlock2 (" << ClassNameOf(pb) << ") id " << pb->ID() << " params " << pb->NumParams()
       << "\n";
}
