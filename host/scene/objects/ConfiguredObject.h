// The behaviour every configured class shares (objects, shapes, helpers, lights, cameras, space warps,
// modifiers): identity from its descriptor, the parameter block in reference 0, free reference slots,
// capability answers, answered interfaces, the real-world map size setting, cloning and persistence.
#pragma once

#include "host/core/ChunkFields.h"
#include "host/core/FixedClassName.h"
#include "host/core/Hold.h"
#include "host/core/RefKind.h"
#include "host/core/RemapDir.h"
#include "host/scene/Modifier.h"
#include "host/scene/objects/ObjectClasses.h"

#include <memory>
#include <ostream>
#include <string>
#include <type_traits>
#include <vector>

// What a class adds to the pipeline dump besides its block (free references, settings, own state).
class ObjectDumpExtra {
public:
    virtual ~ObjectDumpExtra() = default;
    // Lines at indent, each ending in a newline.
    virtual void DumpExtra(std::ostream& os, int indent) = 0;
};

// A target's class name ("Box"), a node's name (node "Wall01"), or "null".
std::string DumpTargetName(ReferenceTarget* t);
// A light's on state and its include/exclude list, one line each.
void DumpLightState(LightObject* light, std::ostream& os, int indent);
// An object's own node list number i on one line: "node list i:" and the names in order.
void DumpNodeList(int i, const ExclList& list, std::ostream& os, int indent);

// An interface that only answers its id: enough for code that asks whether a class has it.
class AnsweredInterface : public BaseInterface {
public:
    explicit AnsweredInterface(Interface_ID id) : id_(id) {}
    Interface_ID GetID() override { return id_; }
    BaseInterface* GetInterface(Interface_ID id) override {
        return id == id_ ? this : BaseInterface::GetInterface(id);
    }

private:
    Interface_ID id_;
};

// The real-world map size setting of one object: a flag with undo and a REFMSG_CHANGE (PART_GEOM) from
// the owner.
class RealWorldMapSize : public RealWorldMapSizeInterface {
public:
    explicit RealWorldMapSize(ReferenceTarget* owner) : owner_(owner) {}
    BOOL GetUsePhysicalScaleUVs() override { return flag_; }
    void SetUsePhysicalScaleUVs(BOOL flag) override;
    // No undo record, no message (loading and cloning).
    void Set(BOOL flag) { flag_ = flag ? TRUE : FALSE; }
    // Stores and notifies (undo and redo).
    void Apply(BOOL flag);
    ReferenceTarget* Owner() const { return owner_; }

private:
    ReferenceTarget* owner_;
    BOOL flag_ = FALSE;
};

// The part every configured class shares, over any host base class.
template <class Base> class ConfiguredCore : public Base, public ObjectDumpExtra {
public:
    ConfiguredCore(ObjectClassDesc* cd, BOOL loading) : cd_(cd), rwms_(this) {
        extra_.assign(static_cast<size_t>(cd->Def().numExtraRefs), nullptr);
        for (const Interface_ID& id : cd->Def().interfaces)
            if (!(id == RWS_INTERFACE)) answered_.push_back(std::make_unique<AnsweredInterface>(id));
        if constexpr (std::is_base_of_v<Object, Base>) this->SetNumOwnNodeLists(cd->Def().nodeLists);
        if (!loading) BuildBlock();
    }
    ~ConfiguredCore() override { this->DeleteAllRefs(); }

    ObjectClassDesc* Desc() const { return cd_; }
    const ObjectClassDef& Def() const { return cd_->Def(); }

    Class_ID ClassID() override { return Def().classId; }
    SClass_ID SuperClassID() override { return Def().superClass; }
    void GetClassName(MSTR& s, bool /*localized*/ = true) const override { s = cd_->Def().className; }

    // The block in reference 0: a parameter block 2, or an older block.
    IParamBlock2* Block2() { return cd_->BlockDesc() ? static_cast<IParamBlock2*>(block_) : nullptr; }
    IParamBlock* Block1() { return cd_->Pb1Layout().empty() ? nullptr : static_cast<IParamBlock*>(block_); }
    int BlockRefs() const { return cd_->BlockDesc() || !cd_->Pb1Layout().empty() ? 1 : 0; }

    // The free reference slots after the block.
    int NumExtraRefs() const { return static_cast<int>(extra_.size()); }
    ReferenceTarget* GetExtraRef(int i) {
        return i >= 0 && i < NumExtraRefs() ? extra_[static_cast<size_t>(i)] : nullptr;
    }
    RefResult SetExtraRef(int i, ReferenceTarget* t) { return this->ReplaceReference(BlockRefs() + i, t); }

    int NumRefs() override { return BlockRefs() + NumExtraRefs(); }
    RefTargetHandle GetReference(int i) override {
        if (i < BlockRefs()) return i == 0 ? block_ : nullptr;
        return GetExtraRef(i - BlockRefs());
    }
    BOOL IsRealDependency(ReferenceTarget* t) override {
        if (Def().extraRefsWeak && t && t != block_) return FALSE;
        return TRUE;
    }
    // Weak slots name scene items (nodes) that are saved with the scene anyway.
    BOOL ShouldPersistWeakRef(RefTargetHandle t) override { return t && t != block_; }

    int NumSubs() override { return BlockRefs(); }
    Animatable* SubAnim(int i) override { return i == 0 && BlockRefs() ? block_ : nullptr; }
    MSTR SubAnimName(int i, bool /*localized*/ = true) override {
        return i == 0 && BlockRefs() ? MSTR(L"Parameters") : MSTR();
    }
    int SubNumToRefNum(int subNum) override { return subNum == 0 && BlockRefs() ? 0 : -1; }
    BOOL CanAssignController(int /*subAnim*/) override { return FALSE; }

    int NumParamBlocks() override { return Block2() ? 1 : 0; }
    IParamBlock2* GetParamBlock(int i) override { return i == 0 ? Block2() : nullptr; }
    IParamBlock2* GetParamBlockByID(BlockID id) override { return id == 0 ? Block2() : nullptr; }

    BOOL CanCopyAnim() override { return Def().canCopyAnim; }
    BOOL CanCopyTrack(Interval /*iv*/, DWORD /*flags*/) override { return Def().canCopyTrack; }

    // I_FIXED_CLASS_NAME answers the descriptor's name, the one GetClassName gives.
    using Base::GetInterface;
    void* GetInterface(ULONG id) override {
        if (id == I_FIXED_CLASS_NAME) return const_cast<MCHAR*>(Def().className.c_str());
        return Base::GetInterface(id);
    }
    BaseInterface* GetInterface(Interface_ID id) override {
        if (id == RWS_INTERFACE && AnswersRWMS()) return &rwms_;
        for (auto& a : answered_)
            if (a->GetID() == id) return a.get();
        return Base::GetInterface(id);
    }
    bool AnswersRWMS() const {
        for (const Interface_ID& id : cd_->Def().interfaces)
            if (id == RWS_INTERFACE) return true;
        return false;
    }
    RealWorldMapSize& RWMS() { return rwms_; }

    // Older blocks ask their owner for parameter names.
    RefResult NotifyRefChanged(const Interval& /*iv*/, RefTargetHandle hTarget, PartID& partID,
                               RefMessage message, BOOL /*propagate*/) override {
        if (message == REFMSG_GET_PARAM_NAME && hTarget == block_ && Block1()) {
            auto* q = reinterpret_cast<GetParamName*>(partID);
            const auto& names = Def().pb1Params;
            if (q && q->index >= 0 && q->index < static_cast<int>(names.size())) {
                q->name = names[static_cast<size_t>(q->index)].name;
                return REF_STOP;
            }
        }
        return REF_SUCCEED;
    }

    RefTargetHandle Clone(RemapDir& remap) override {
        auto* made = static_cast<Animatable*>(cd_->Create(TRUE));
        auto* to = dynamic_cast<ConfiguredCore*>(made);
        if (!to) {
            // A factory that makes another kind of class cannot be cloned this way.
            if (made) made->DeleteThis();
            return nullptr;
        }
        if (block_) to->ReplaceReference(0, remap.CloneRef(block_));
        for (int i = 0; i < NumExtraRefs(); ++i) {
            ReferenceTarget* t = GetExtraRef(i);
            if (!t) continue;
            // A weak slot names something outside the clone (a node): the copy names the same one.
            ReferenceTarget* copy = Def().extraRefsWeak ? t : remap.CloneRef(t);
            to->ReplaceReference(BlockRefs() + i, copy ? copy : t);
        }
        to->rwms_.Set(rwms_.GetUsePhysicalScaleUVs());
        if constexpr (std::is_base_of_v<Object, Base>) this->CopyOwnNodeLists(to);
        CopyBaseState(to);
        CopyOwnState(to);
        this->BaseClone(this, to, remap);
        return to;
    }

    // The base class's chunk (modifier or light state), then kConfigChunk, then the subclass's chunks.
    IOResult Save(ISave* isave) override {
        if (Base::Save(isave) != IO_OK) return IO_ERROR;
        isave->BeginChunk(kConfigChunk);
        WriteValueChunk(isave, kRWMSChunk, static_cast<int>(rwms_.GetUsePhysicalScaleUVs()));
        if constexpr (std::is_base_of_v<Object, Base>)
            if (this->SaveOwnNodeLists(isave) != IO_OK) return IO_ERROR;
        if (isave->EndChunk() != IO_OK) return IO_ERROR;
        return SaveOwn(isave);
    }
    IOResult Load(ILoad* iload) override {
        if (Base::Load(iload) != IO_OK) return IO_ERROR;
        const IOResult res =
            ForEachChunk(iload, [&](USHORT id) { return id == kConfigChunk ? LoadConfigChunk(iload) : LoadOwnChunk(iload); });
        return res == IO_OK ? IO_OK : IO_ERROR;
    }

    void DumpExtra(std::ostream& os, int indent) override {
        const std::string pad(static_cast<size_t>(indent), ' ');
        if (AnswersRWMS())
            os << pad << "real-world map size " << (rwms_.GetUsePhysicalScaleUVs() ? "on" : "off") << "\n";
        for (int i = 0; i < NumExtraRefs(); ++i)
            if (GetExtraRef(i))
                os << pad << "ref " << BlockRefs() + i << ": " << DumpTargetName(GetExtraRef(i)) << "\n";
        if constexpr (std::is_base_of_v<LightObject, Base>) DumpLightState(this, os, indent);
        if constexpr (std::is_base_of_v<Object, Base>)
            for (int i = 0; i < this->NumOwnNodeLists(); ++i) DumpNodeList(i, *this->GetOwnNodeList(i), os, indent);
        DumpOwn(os, indent);
    }

    static constexpr USHORT kConfigChunk = 0x3D00;
    static constexpr USHORT kRWMSChunk = 0x3D01;

protected:
    void SetReference(int i, RefTargetHandle t) override {
        if (i < BlockRefs()) {
            // The block slot holds the kind of block the class describes: Block1/Block2 cast it.
            if (i == 0)
                block_ = cd_->BlockDesc() ? static_cast<ReferenceTarget*>(RefAs<IParamBlock2>(t))
                                          : static_cast<ReferenceTarget*>(RefAs<IParamBlock>(t));
            return;
        }
        const int e = i - BlockRefs();
        if (e >= 0 && e < NumExtraRefs()) extra_[static_cast<size_t>(e)] = t;
    }
    // Subclasses: state besides references copied into a clone; their own chunks (the current chunk is
    // open; unknown ones are skipped by answering IO_OK).
    virtual void CopyOwnState(ConfiguredCore* /*to*/) {}
    virtual IOResult SaveOwn(ISave* /*isave*/) { return IO_OK; }
    virtual IOResult LoadOwnChunk(ILoad* /*iload*/) { return IO_OK; }
    virtual void DumpOwn(std::ostream& /*os*/, int /*indent*/) {}

private:
    void BuildBlock() {
        if (ParamBlockDesc2* d = cd_->BlockDesc()) {
            this->ReplaceReference(0, CreateParameterBlock2(d, this));
        } else if (!cd_->Pb1Layout().empty()) {
            const auto& layout = cd_->Pb1Layout();
            IParamBlock* pb = CreateParameterBlock(layout.data(), static_cast<int>(layout.size()), this);
            const auto& params = Def().pb1Params;
            for (size_t i = 0; i < params.size(); ++i) {
                const Pb1ParamDef& p = params[i];
                const int idx = static_cast<int>(i);
                if (p.type == TYPE_RGBA_PB1 || p.type == TYPE_POINT3_PB1)
                    pb->SetValue(idx, 0, p.p);
                else if (p.type == TYPE_FLOAT_PB1)
                    pb->SetValue(idx, 0, p.f);
                else
                    pb->SetValue(idx, 0, static_cast<int>(p.f));
            }
            this->ReplaceReference(0, pb);
        }
    }
    void CopyBaseState(ConfiguredCore* to) {
        if constexpr (std::is_base_of_v<Modifier, Base>) this->CopyModifierState(to);
        if constexpr (std::is_base_of_v<LightObject, Base>) this->CopyLightState(to);
    }
    IOResult LoadConfigChunk(ILoad* iload) {
        const IOResult res = ForEachChunk(iload, [&](USHORT id) {
            if constexpr (std::is_base_of_v<Object, Base>)
                if (id == Object::kOwnNodeListsChunk) return this->LoadOwnNodeLists(iload);
            if (id != kRWMSChunk) return IO_OK;
            int flag = 0;
            const IOResult r = ReadValues(iload, flag);
            rwms_.Set(flag);
            return r;
        });
        return res == IO_OK ? IO_OK : IO_ERROR;
    }

    ObjectClassDesc* cd_;
    ReferenceTarget* block_ = nullptr;
    std::vector<ReferenceTarget*> extra_;
    std::vector<std::unique_ptr<AnsweredInterface>> answered_;
    RealWorldMapSize rwms_;
};

// Objects of every family: adds the object answers (particle system, bounding box).
template <class Base> class ConfiguredObject : public ConfiguredCore<Base> {
public:
    ConfiguredObject(ObjectClassDesc* cd, BOOL loading) : ConfiguredCore<Base>(cd, loading) {}
    BOOL IsParticleSystem() override { return this->Def().particleSystem ? TRUE : FALSE; }
    void GetLocalBoundBox(TimeValue t, INode* /*inode*/, Box3& box) override {
        if (this->Def().boundBox && this->Block2())
            box = this->Def().boundBox(this->Block2(), t);
        else
            box.Init();
    }
};

// Per-application data of modifiers whose definition asks for it: which class made it and how often the
// application was evaluated.
class ConfiguredLocalModData : public LocalModData {
public:
    explicit ConfiguredLocalModData(Class_ID owner) : owner(owner) {}
    LocalModData* Clone() override { return new ConfiguredLocalModData(*this); }
    Class_ID owner;
    int evaluations = 0;
};

// Modifiers, object-space or space-warp.
template <class Base> class ConfiguredModifier : public ConfiguredCore<Base> {
public:
    ConfiguredModifier(ObjectClassDesc* cd, BOOL loading) : ConfiguredCore<Base>(cd, loading) {}
    void ModifyObject(TimeValue /*t*/, ModContext& mc, ObjectState* /*os*/, INode* /*node*/) override {
        if (!this->Def().localData) return;
        if (!mc.localData) mc.localData = new ConfiguredLocalModData(this->Def().classId);
        if (auto* d = dynamic_cast<ConfiguredLocalModData*>(mc.localData)) ++d->evaluations;
    }
};

using GenericGeomObject = ConfiguredObject<GeomObject>;
using GenericShapeObject = ConfiguredObject<ShapeObject>;
using GenericHelperObject = ConfiguredObject<HelperObject>;
using GenericCameraObject = ConfiguredObject<CameraObject>;
using GenericLightObject = ConfiguredObject<LightObject>;
using GenericWSMObject = ConfiguredObject<WSMObject>;
using GenericSystemObject = ConfiguredObject<SystemObject>;
using GenericModifier = ConfiguredModifier<Modifier>;
using GenericWSModifier = ConfiguredModifier<WSModifier>;
