// Derived objects: the modifier stack with its messages, broadcasts and undo records, evaluation,
// persistence of the contexts, cloning and the class descriptors of both kinds.
#include "host/scene/objects/DerivedObject.h"

#include "host/core/ClassDesc.h"
#include "host/core/ClassDirectory.h"
#include "host/core/HoldSuspend.h"
#include "host/core/ChunkFields.h"
#include "host/core/Hold.h"
#include "host/core/Notify.h"
#include "host/core/RefGraph.h"
#include "host/core/RefKind.h"
#include "host/core/RemapDir.h"
#include "host/scene/INode.h"
#include "host/scene/objects/EditableMesh.h"
#include "host/scene/objects/ModifierMeshEffect.h"
#include "host/scene/objects/ObjectClasses.h"
#include "host/scene/objects/PrimitiveMesh.h"

#include <algorithm>
#include <optional>

namespace {

DerivedObject* DerivObByHandle(AnimHandle h) {
    Animatable* a = Animatable::GetAnimByHandle(h);
    return a ? static_cast<DerivedObject*>(a) : nullptr;
}

// A stack slot inserted (or removed) at index. While the slot is out of the stack the record owns its
// context.
class StackSlotRestore : public RestoreObj {
public:
    StackSlotRestore(DerivedObject* d, int index, bool inserted, ModContext* removedContext)
        : handle_(Animatable::GetHandleByAnim(d)), index_(index), inserted_(inserted),
          context_(removedContext) {}
    ~StackSlotRestore() override { delete context_; }
    void Restore(int /*isUndo*/) override { Apply(!inserted_); }
    void Redo() override { Apply(inserted_); }
    MSTR Description() override { return L"Modifier Stack Slot"; }

private:
    void Apply(bool insert) {
        DerivedObject* d = DerivObByHandle(handle_);
        if (!d) return;
        if (insert) {
            d->InsertSlot(index_, context_);
            context_ = nullptr;
        } else {
            delete context_;
            context_ = d->RemoveSlot(index_);
        }
    }
    AnimHandle handle_;
    int index_;
    bool inserted_;
    ModContext* context_;
};

// Sends the stack's messages once an undo (put first in the edit) or a redo (put last) has put every
// reference and slot back.
class StackNotifyRestore : public RestoreObj {
public:
    StackNotifyRestore(DerivedObject* d, bool onUndo, bool modifierAdded)
        : handle_(Animatable::GetHandleByAnim(d)), onUndo_(onUndo), added_(modifierAdded) {}
    void Restore(int /*isUndo*/) override {
        if (onUndo_) Send();
    }
    void Redo() override {
        if (!onUndo_) Send();
    }
    MSTR Description() override { return L"Modifier Stack Change"; }

private:
    void Send() {
        if (DerivedObject* d = DerivObByHandle(handle_)) d->NotifyStackChanged(added_);
    }
    AnimHandle handle_;
    bool onUndo_;
    bool added_;
};

void Put(RestoreObj* r) {
    if (theHold.Holding())
        theHold.Put(r);
    else
        delete r;
}

class DerivObjClassDesc : public ClassDesc2 {
public:
    explicit DerivObjClassDesc(bool ws) : ws_(ws) {}
    int IsPublic() override { return 0; }
    void* Create(BOOL /*loading*/) override { return new DerivedObject(ws_); }
    const MCHAR* ClassName() override { return ws_ ? L"WSM Derived Object" : L"Derived Object"; }
    SClass_ID SuperClassID() override { return GEN_DERIVOB_CLASS_ID; }
    Class_ID ClassID() override { return ws_ ? DERIVOB_CLASS_ID_WS : DERIVOB_CLASS_ID_OS; }
    const MCHAR* Category() override { return L""; }

private:
    bool ws_;
};

} // namespace

DerivedObject::DerivedObject(bool worldSpace, Object* obj) : worldSpace_(worldSpace) {
    if (obj) ReplaceReference(0, obj);
}

DerivedObject::~DerivedObject() {
    DropWorldState();
    DeleteAllRefs();
    for (Slot& s : slots_)
        delete s.mc;
}

void DerivedObject::GetClassName(MSTR& s, bool /*localized*/) const {
    s = worldSpace_ ? L"WSM Derived Object" : L"Derived Object";
}

MSTR DerivedObject::GetObjectName() {
    Object* base = FindBaseObject();
    if (base && base != this) return base->GetObjectName();
    MSTR s;
    GetClassName(s);
    return s;
}

Modifier* DerivedObject::GetModifier(int index) {
    if (index < 0 || index >= NumModifiers()) return nullptr;
    return slots_[static_cast<size_t>(index)].mod;
}

ModContext* DerivedObject::GetModContext(int index) {
    if (index < 0 || index >= NumModifiers()) return nullptr;
    return slots_[static_cast<size_t>(index)].mc;
}

RefTargetHandle DerivedObject::GetReference(int i) {
    if (i == 0) return objRef_;
    if (i < 1 || i > NumModifiers()) return nullptr;
    return slots_[static_cast<size_t>(i - 1)].mod;
}

void DerivedObject::SetReference(int i, RefTargetHandle rtarg) {
    delivered_.valid = false;
    if (i == 0) {
        objRef_ = RefAs<Object>(rtarg);
        return;
    }
    if (i < 1 || i > NumModifiers()) return;
    slots_[static_cast<size_t>(i - 1)].mod = RefAs<Modifier>(rtarg);
}

Animatable* DerivedObject::SubAnim(int i) {
    if (i >= 0 && i < NumModifiers()) return slots_[static_cast<size_t>(i)].mod;
    if (i == NumModifiers()) return objRef_;
    return nullptr;
}

MSTR DerivedObject::SubAnimName(int i, bool localized) {
    if (i >= 0 && i < NumModifiers()) {
        Modifier* m = slots_[static_cast<size_t>(i)].mod;
        return m ? m->GetName(localized) : MSTR();
    }
    if (i == NumModifiers() && objRef_) return objRef_->GetObjectName();
    return MSTR();
}

int DerivedObject::SubNumToRefNum(int subNum) {
    if (subNum >= 0 && subNum < NumModifiers()) return subNum + 1;
    if (subNum == NumModifiers()) return 0;
    return -1;
}

ModContext* DerivedObject::NewContext() {
    Box3 box;
    if (objRef_) objRef_->GetLocalBoundBox(0, nullptr, box);
    return new ModContext(new Matrix3(), new Box3(box), nullptr);
}

void DerivedObject::InsertSlot(int index, ModContext* mc) {
    if (index < 0) index = 0;
    if (index > NumModifiers()) index = NumModifiers();
    slots_.insert(slots_.begin() + index, Slot{nullptr, mc ? mc : NewContext()});
}

ModContext* DerivedObject::RemoveSlot(int index) {
    if (index < 0 || index >= NumModifiers()) return nullptr;
    // A slot is emptied before it goes; should it still hold a modifier, the graph is told without an
    // undo record so that no dependent entry points at a slot that no longer exists.
    if (slots_[static_cast<size_t>(index)].mod) RefGraph::Set(this, index + 1, nullptr, nullptr, false);
    ModContext* mc = slots_[static_cast<size_t>(index)].mc;
    slots_.erase(slots_.begin() + index);
    return mc;
}

RefResult DerivedObject::NotifyRefChanged(const Interval& changeInt, RefTargetHandle hTarget, PartID& partID,
                                          RefMessage message, BOOL propagate) {
    delivered_.valid = false;
    return Object::NotifyRefChanged(changeInt, hTarget, partID, message, propagate);
}

void DerivedObject::NotifyStackChanged(bool modifierAdded) {
    delivered_.valid = false;
    if (modifierAdded) NotifyDependents(FOREVER, PART_ALL, REFMSG_MODIFIER_ADDED);
    NotifyDependents(FOREVER, PART_ALL, REFMSG_SUBANIM_STRUCTURE_CHANGED);
}

INode* DerivedObject::FindNode() {
    DependentIterator it(this);
    while (ReferenceMaker* m = it.Next()) {
        if (auto* node = dynamic_cast<INode*>(m)) return node;
        if (auto* above = dynamic_cast<DerivedObject*>(m))
            if (INode* node = above->FindNode()) return node;
    }
    return nullptr;
}

void DerivedObject::AddModifier(Modifier* mod, ModContext* mc, int before) {
    if (!mod || mod->TestAFlag(A_IS_DELETED)) {
        delete mc;
        return;
    }
    if (before < 0) before = 0;
    if (before > NumModifiers()) before = NumModifiers();
    if (!mc) mc = NewContext();
    NotifyModAddDelParam param{FindNode(), mod, mc};
    BroadcastNotification(NOTIFY_PRE_MODIFIER_ADDED, &param);
    Put(new StackNotifyRestore(this, true, false));
    InsertSlot(before, mc);
    Put(new StackSlotRestore(this, before, true, nullptr));
    if (ReplaceReference(before + 1, mod) != REF_SUCCEED) {
        // A modifier that depends on this object cannot sit in its stack: take the slot out again.
        ModContext* back = RemoveSlot(before);
        if (theHold.Holding())
            theHold.Put(new StackSlotRestore(this, before, false, back));
        else
            delete back;
        return;
    }
    NotifyStackChanged(true);
    BroadcastNotification(NOTIFY_POST_MODIFIER_ADDED, &param);
    Put(new StackNotifyRestore(this, false, true));
}

void DerivedObject::DeleteModifier(int index) {
    if (index < 0 || index >= NumModifiers()) return;
    Modifier* mod = slots_[static_cast<size_t>(index)].mod;
    ModContext* mc = slots_[static_cast<size_t>(index)].mc;
    NotifyModAddDelParam param{FindNode(), mod, mc};
    BroadcastNotification(NOTIFY_PRE_MODIFIER_DELETED, &param);
    // The slot may have been changed by a handler.
    if (index >= NumModifiers() || slots_[static_cast<size_t>(index)].mod != mod) return;
    const bool holding = theHold.Holding() != 0;
    Put(new StackNotifyRestore(this, true, true));
    // The modifier stays alive until the post-delete broadcast is done; then it may go.
    RefTargetPin keep(mod);
    ReplaceReference(index + 1, nullptr, FALSE);
    ModContext* removed = RemoveSlot(index);
    if (holding) theHold.Put(new StackSlotRestore(this, index, false, removed));
    NotifyStackChanged(false);
    BroadcastNotification(NOTIFY_POST_MODIFIER_DELETED, &param);
    Put(new StackNotifyRestore(this, false, false));
    if (!holding) delete removed;
    if (mod) mod->MaybeAutoDelete();
}

void DerivedObject::SetModifier(int index, Modifier* mod) {
    if (index < 0 || index >= NumModifiers()) return;
    if (slots_[static_cast<size_t>(index)].mod == mod) return;
    Put(new StackNotifyRestore(this, true, false));
    if (ReplaceReference(index + 1, mod) != REF_SUCCEED) return;
    NotifyStackChanged(false);
    Put(new StackNotifyRestore(this, false, false));
}

RefResult DerivedObject::ReferenceObject(Object* obj) {
    if (obj == objRef_) return REF_SUCCEED;
    Put(new StackNotifyRestore(this, true, false));
    const RefResult r = ReplaceReference(0, obj);
    if (r != REF_SUCCEED) return r;
    // The last sub-animatable changed.
    NotifyStackChanged(false);
    Put(new StackNotifyRestore(this, false, false));
    return r;
}

ObjectState DerivedObject::Eval(TimeValue t, int modIndex) {
    if (delivered_.valid && delivered_.t == t && delivered_.modIndex == modIndex) return delivered_.os;
    ObjectState os = objRef_ ? objRef_->Eval(t) : ObjectState();
    failure_ = EvalFailure();
    if (auto* below = dynamic_cast<DerivedObject*>(objRef_)) failure_ = below->failure_;
    INode* node = nullptr;
    bool nodeFound = false;
    std::optional<PolyMesh> mesh;
    bool poly = false;
    // Bottom of the stack first: each modifier works on what the ones below it produced.
    for (int i = NumModifiers() - 1; i >= std::max(0, modIndex); --i) {
        Slot& s = slots_[static_cast<size_t>(i)];
        if (!s.mod || !s.mod->IsEnabled()) continue;
        if (!nodeFound) {
            node = FindNode();
            nodeFound = true;
        }
        s.mod->ModifyObject(t, *s.mc, &os, node);
        os.validity &= s.mod->LocalValidity(t);
        if (failure_.mod) continue;
        std::wstring why;
        if (!mesh) {
            PolyMesh m;
            if (auto* e = dynamic_cast<EditableMeshObject*>(os.obj)) {
                m = e->GetMesh();
                poly = e->IsPoly();
            } else if (!os.obj || !BuildObjectMesh(os.obj, t, m, why)) {
                failure_ = EvalFailure{s.mod, why.empty() ? L"there is no geometry below it" : why};
                continue;
            }
            mesh = std::move(m);
        }
        if (!ApplyModifierToMesh(s.mod, t, *mesh, poly, why)) failure_ = EvalFailure{s.mod, why};
    }
    if (mesh && !failure_.mod) {
        HoldSuspend quiet;
        DropWorldState();
        auto* out = static_cast<EditableMeshObject*>(static_cast<Animatable*>(GetClassDirectory().CreateInstance(
            GEOMOBJECT_CLASS_ID, poly ? EDITABLE_POLY_CLASS_ID : EDITABLE_MESH_CLASS_ID)));
        if (out) {
            out->SetMesh(*mesh);
            worldState_ = out;
            os.obj = out;
        }
    }
    delivered_ = Delivered{true, t, modIndex, os};
    return os;
}

void DerivedObject::DropWorldState() {
    delivered_.valid = false;
    if (!worldState_) return;
    HoldSuspend quiet;
    worldState_->DeleteAllRefsFromMe();
    worldState_->DeleteThis();
    worldState_ = nullptr;
}

Object* DerivedObject::FindBaseObject() {
    Object* o = objRef_;
    while (o && o->SuperClassID() == GEN_DERIVOB_CLASS_ID)
        o = static_cast<IDerivedObject*>(o)->GetObjRef();
    return o;
}

void DerivedObject::GetLocalBoundBox(TimeValue t, INode* inode, Box3& box) {
    if (objRef_)
        objRef_->GetLocalBoundBox(t, inode, box);
    else
        box.Init();
}

Interval DerivedObject::ObjectValidity(TimeValue t) {
    Interval valid = objRef_ ? objRef_->ObjectValidity(t) : FOREVER;
    for (const Slot& s : slots_)
        if (s.mod && s.mod->IsEnabled()) valid &= s.mod->LocalValidity(t);
    return valid;
}

BOOL DerivedObject::IsParticleSystem() {
    Object* base = FindBaseObject();
    return base ? base->IsParticleSystem() : FALSE;
}

RefTargetHandle DerivedObject::Clone(RemapDir& remap) {
    auto* d = new DerivedObject(worldSpace_);
    for (int i = 0; i < NumModifiers(); ++i)
        d->InsertSlot(i, new ModContext(*slots_[static_cast<size_t>(i)].mc));
    d->ReplaceReference(0, remap.CloneRef(objRef_));
    for (int i = 0; i < NumModifiers(); ++i)
        d->ReplaceReference(i + 1, remap.CloneRef(slots_[static_cast<size_t>(i)].mod));
    BaseClone(this, d, remap);
    return d;
}

IOResult DerivedObject::Save(ISave* isave) {
    isave->BeginChunk(kStackChunk);
    WriteValueChunk(isave, kCountChunk, NumModifiers());
    for (const Slot& s : slots_) {
        isave->BeginChunk(kContextChunk);
        if (s.mc->tm) WriteValueChunk(isave, kContextTMChunk, *s.mc->tm);
        if (s.mc->box) WriteValueChunk(isave, kContextBoxChunk, s.mc->box->pmin, s.mc->box->pmax);
        isave->EndChunk();
    }
    return isave->EndChunk();
}

namespace {

// Contexts are read without a matrix or box unless the file has them.
IOResult LoadContext(ILoad* iload, ModContext& mc) {
    return ForEachChunk(iload, [&](USHORT id) {
        IOResult res = IO_OK;
        if (id == DerivedObject::kContextTMChunk) {
            auto* tm = new Matrix3();
            res = ReadValues(iload, *tm);
            delete mc.tm;
            mc.tm = tm;
        } else if (id == DerivedObject::kContextBoxChunk) {
            auto* box = new Box3();
            res = ReadValues(iload, box->pmin, box->pmax);
            delete mc.box;
            mc.box = box;
        }
        return res == IO_OK ? IO_OK : IO_ERROR;
    });
}

} // namespace

IOResult DerivedObject::Load(ILoad* iload) {
    const IOResult res = ForEachChunk(iload, [&](USHORT id) {
        if (id != kStackChunk) return IO_OK;
        for (Slot& s : slots_)
            delete s.mc;
        slots_.clear();
        int expected = -1;
        const IOResult stack = ForEachChunk(iload, [&](USHORT sub) {
            if (sub == kCountChunk) {
                const IOResult r = ReadValues(iload, expected);
                return r == IO_OK && expected < 0 ? IO_ERROR : r;
            }
            if (sub != kContextChunk) return IO_OK;
            auto* mc = new ModContext();
            slots_.push_back(Slot{nullptr, mc});
            return LoadContext(iload, *mc);
        });
        if (stack != IO_OK || expected != NumModifiers()) return IO_ERROR;
        return IO_OK;
    });
    return res == IO_OK ? IO_OK : IO_ERROR;
}

ClassDesc2* DerivedObject::GetOSClassDesc() {
    static DerivObjClassDesc cd(false);
    return &cd;
}

ClassDesc2* DerivedObject::GetWSClassDesc() {
    static DerivObjClassDesc cd(true);
    return &cd;
}

IDerivedObject* CreateDerivedObject(Object* obj) {
    return new DerivedObject(false, obj);
}
IDerivedObject* CreateWSDerivedObject(Object* obj) {
    return new DerivedObject(true, obj);
}
