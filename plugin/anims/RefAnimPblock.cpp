// The older parameter block's mirror: records by parameter number, their undo, the override and the
// chunks.
#include "plugin/anims/RefAnimPblock.h"

#include "host/core/ChunkFields.h"
#include "host/core/Hold.h"
#include "host/scene/IParamBlock.h"
#include "plugin/anims/RefAnimTableRestore.h"
#include "plugin/frame/OperationCode.h"

#include <cstring>

namespace {

bool IsPointType(int type) {
    return type == TYPE_RGBA_PB1 || type == TYPE_POINT3_PB1;
}

// The 12 bytes of parameter i as the record keeps them.
PblockParam Capture(IParamBlock* pb, int i) {
    PblockParam rec;
    rec.number = i;
    Interval iv = FOREVER;
    const int type = pb->GetParameterType(i);
    if (IsPointType(type)) {
        Point3 p;
        pb->GetValue(i, 0, p, iv);
        const float xyz[3] = {p.x, p.y, p.z};
        std::memcpy(rec.value.data(), xyz, sizeof xyz);
    } else {
        float f = 0;
        if (type == TYPE_FLOAT_PB1) {
            pb->GetValue(i, 0, f, iv);
        } else {
            int v = 0;
            pb->GetValue(i, 0, v, iv);
            f = static_cast<float>(v);
        }
        std::memcpy(rec.value.data(), &f, sizeof f);
    }
    return rec;
}

// Writes rec into pb unless pb already holds that value.
void WriteBack(IParamBlock* pb, const PblockParam& rec) {
    const int i = rec.number;
    if (i < 0 || i >= pb->NumParams() || pb->GetController(i)) return;
    const PblockParam now = Capture(pb, i);
    if (now.value == rec.value) return;
    const int type = pb->GetParameterType(i);
    if (IsPointType(type)) {
        float xyz[3];
        std::memcpy(xyz, rec.value.data(), sizeof xyz);
        pb->SetValue(i, 0, Point3(xyz[0], xyz[1], xyz[2]));
        return;
    }
    float f = 0;
    std::memcpy(&f, rec.value.data(), sizeof f);
    if (type == TYPE_FLOAT_PB1) pb->SetValue(i, 0, f);
    else pb->SetValue(i, 0, static_cast<int>(f));
}

} // namespace

RefResult RefAnimPblock::NotifyRefChanged(const Interval&, RefTargetHandle hTarget, PartID&, RefMessage message, BOOL) {
    ReferenceTarget* a = GetAnim();
    if (message != REFMSG_CHANGE || GetCurrentOperation() != OperationCode::None || theHold.RestoreOrRedoing())
        return REF_STOP;
    if (!a || hTarget != a || a->SuperClassID() != PARAMETER_BLOCK_CLASS_ID) return REF_STOP;
    SetOverriddenFlag(REFANIM_MODIFIED, true, true);
    auto* pb = static_cast<IParamBlock*>(a);
    const int i = pb->LastNotifyParamNum();
    if (i < 0 || i >= pb->NumParams() || pb->GetController(i)) return REF_STOP;
    // Few parameters, few records: the table is searched.
    for (size_t k = 0; k < records_.size(); ++k) {
        if (records_[k].number != i) continue;
        if (theHold.Holding()) theHold.Put(new PblockParamRestore<PblockParam>(&records_, k, this));
        records_[k].value = Capture(pb, i).value;
        return REF_STOP;
    }
    if (theHold.Holding()) theHold.Put(new ParamArrayRestore<PblockParam>(&records_, this));
    records_.push_back(Capture(pb, i));
    return REF_STOP;
}

void RefAnimPblock::Override(Animatable* root) {
    PathResolution r;
    if (!GetAnimByPath(root, r)) return;
    if (!r.anim || r.anim->SuperClassID() != PARAMETER_BLOCK_CLASS_ID) return;
    auto* fresh = static_cast<IParamBlock*>(r.anim);
    if (IsOverridden(REFANIM_MODIFIED))
        for (const PblockParam& rec : records_) WriteBack(fresh, rec);
    SetAnim(fresh);
    SetPathByNumber(r.newNumbers);
}

RefTargetHandle RefAnimPblock::Clone(RemapDir& remap) {
    auto* copy = new RefAnimPblock(FALSE);
    BaseClone(this, copy, remap);
    copy->records_ = records_;
    return copy;
}

IOResult RefAnimPblock::Save(ISave* isave) {
    IOResult res = SaveWrappedBase(isave);
    if (res == IO_OK) res = WriteValueChunk(isave, kCountChunk, static_cast<std::int32_t>(records_.size()));
    for (size_t k = 0; res == IO_OK && k < records_.size(); ++k)
        res = WriteValueChunk(isave, kRecordChunk, records_[k].number, records_[k].value);
    return res;
}

IOResult RefAnimPblock::Load(ILoad* iload) {
    records_.clear();
    return ForEachChunk(iload, [&](USHORT id) -> IOResult {
        switch (id) {
        case kWrappedBaseChunk: return LoadWrappedBase(iload);
        case kCountChunk: {
            std::int32_t n = 0;
            const IOResult r = ReadValues(iload, n);
            if (r == IO_OK && n > 0) records_.reserve(std::min<size_t>(static_cast<size_t>(n), iload->StreamBytesLeft() / 16));
            return r;
        }
        case kRecordChunk: {
            PblockParam rec;
            const IOResult r = ReadValues(iload, rec.number, rec.value);
            if (r == IO_OK) records_.push_back(rec);
            return r;
        }
        default: return LoadKindChunk(iload);
        }
    });
}

MSTR RefAnimPblock::Describe() {
    MSTR s = RefAnim::Describe();
    s += L"\nOverridden Params: ";
    for (const PblockParam& rec : records_) {
        float f = 0;
        std::memcpy(&f, rec.value.data(), sizeof f);
        s += WStr::Format(L"%d:%g,", rec.number, static_cast<double>(f));
    }
    return s;
}
