// The older parameter block: typed values by index, controllers as references, undo and persistence.
#include "host/scene/ParamBlock.h"

#include "host/core/ChunkFields.h"
#include "host/core/Hold.h"
#include "host/core/RemapDir.h"
#include "host/scene/Control.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ostream>
#include <string>

namespace {

constexpr USHORT kLayoutChunk = 0x0001; // count (i32), then per parameter: type (i32), animatable (u8)
constexpr USHORT kValuesChunk = 0x0002; // per parameter: f32, i32 or 3 x f32 by type

bool ValidType(int type) {
    return type >= TYPE_FLOAT_PB1 && type <= TYPE_BOOL_PB1;
}

bool ControllerFits(int type, SClass_ID s) {
    if (type == TYPE_RGBA_PB1 || type == TYPE_POINT3_PB1)
        return s == CTRL_POINT3_CLASS_ID || s == CTRL_POSITION_CLASS_ID;
    return s == CTRL_FLOAT_CLASS_ID;
}

const char* TypeName(int type) {
    switch (type) {
    case TYPE_FLOAT_PB1:
        return "TYPE_FLOAT";
    case TYPE_INT_PB1:
        return "TYPE_INT";
    case TYPE_RGBA_PB1:
        return "TYPE_RGBA";
    case TYPE_POINT3_PB1:
        return "TYPE_POINT3";
    case TYPE_BOOL_PB1:
        return "TYPE_BOOL";
    default:
        return "TYPE_?";
    }
}

std::string FormatFloat(float f) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.6g", static_cast<double>(f));
    return buf;
}

} // namespace

IParamBlock* CreateParameterBlock(const ParamBlockDesc* desc, int count, ReferenceMaker* owner) {
    if (!desc || count < 0) return nullptr;
    return new ParamBlock(desc, count, owner);
}

ParamBlock::ParamBlock(const ParamBlockDesc* desc, int count, ReferenceMaker* /*owner*/) {
    // The owner finds the block through its own reference; the block itself needs no way back.
    for (int i = 0; desc && i < count; ++i) {
        Param p;
        p.type = ValidType(desc[i].type) ? desc[i].type : TYPE_FLOAT_PB1;
        p.animatable = desc[i].animatable;
        params_.push_back(p);
    }
}

ParamBlock::~ParamBlock() {
    if (NumLiveRefs() > 0) DeleteAllRefsFromMe();
}

void ParamBlock::GetClassName(MSTR& s, bool /*localized*/) const {
    s = L"ParamBlock";
}

int ParamBlock::GetParameterType(int i) {
    return Valid(i) ? params_[static_cast<size_t>(i)].type : -1;
}

// ---- sub-animatables: the animatable parameters, in order

int ParamBlock::NumSubs() {
    return static_cast<int>(
        std::count_if(params_.begin(), params_.end(), [](const Param& p) { return p.animatable; }));
}

int ParamBlock::GetAnimNum(int i) {
    if (!Valid(i) || !params_[static_cast<size_t>(i)].animatable) return -1;
    int n = 0;
    for (int k = 0; k < i; ++k)
        if (params_[static_cast<size_t>(k)].animatable) ++n;
    return n;
}

int ParamBlock::AnimNumToParamNum(int animNum) {
    if (animNum < 0) return -1;
    for (int i = 0; i < NumParams(); ++i)
        if (params_[static_cast<size_t>(i)].animatable && animNum-- == 0) return i;
    return -1;
}

Animatable* ParamBlock::SubAnim(int i) {
    const int p = AnimNumToParamNum(i);
    return p < 0 ? nullptr : params_[static_cast<size_t>(p)].ctrl;
}

MSTR ParamBlock::SubAnimName(int i, bool /*localized*/) {
    const int p = AnimNumToParamNum(i);
    if (p < 0) return MSTR();
    GetParamName gpn;
    gpn.index = p;
    NotifyDependents(FOREVER, reinterpret_cast<PartID>(&gpn), REFMSG_GET_PARAM_NAME, NOTIFY_ALL, FALSE);
    return gpn.name.isNull() ? WStr::Format(L"Parameter %d", p + 1) : gpn.name;
}

int ParamBlock::SubNumToRefNum(int subNum) {
    return AnimNumToParamNum(subNum);
}

BOOL ParamBlock::CanAssignController(int subAnim) {
    return AnimNumToParamNum(subAnim) >= 0;
}

BOOL ParamBlock::AssignController(Animatable* control, int subAnim) {
    const int p = AnimNumToParamNum(subAnim);
    if (p < 0) return FALSE;
    if (!control) {
        RemoveController(p);
        return TRUE;
    }
    if (!control->IsRefTarget() ||
        !ControllerFits(params_[static_cast<size_t>(p)].type, control->SuperClassID()))
        return FALSE;
    SetController(p, static_cast<Control*>(static_cast<ReferenceTarget*>(control)));
    return GetController(p) == control;
}

// ---- references: reference i is the controller of parameter i

RefTargetHandle ParamBlock::GetReference(int i) {
    return Valid(i) ? params_[static_cast<size_t>(i)].ctrl : nullptr;
}

void ParamBlock::SetReference(int i, RefTargetHandle rtarg) {
    if (!Valid(i)) return;
    params_[static_cast<size_t>(i)].ctrl =
        rtarg && IsControllerSuperClass(rtarg->SuperClassID()) ? static_cast<Control*>(rtarg) : nullptr;
}

RefResult ParamBlock::NotifyRefChanged(const Interval& /*changeInt*/, RefTargetHandle hTarget,
                                       PartID& /*partID*/, RefMessage message, BOOL /*propagate*/) {
    if (message != REFMSG_CHANGE) return REF_SUCCEED;
    if (pushing_) return REF_STOP;
    // A change inside a controller is a change of the parameter it animates.
    for (int i = 0; i < NumParams(); ++i)
        if (hTarget && params_[static_cast<size_t>(i)].ctrl == hTarget) lastNotify_ = i;
    return REF_SUCCEED;
}

// ---- controllers

Control* ParamBlock::GetController(int i) {
    return Valid(i) ? params_[static_cast<size_t>(i)].ctrl : nullptr;
}

void ParamBlock::SetController(int i, Control* c, BOOL preserveFrame0Value) {
    if (!Valid(i) || !params_[static_cast<size_t>(i)].animatable) return;
    if (!c) {
        RemoveController(i);
        return;
    }
    if (!ControllerFits(params_[static_cast<size_t>(i)].type, c->SuperClassID()) ||
        params_[static_cast<size_t>(i)].ctrl == c)
        return;
    Interval iv = FOREVER;
    PB1Value keep = Current(i, 0, iv);
    if (theHold.Holding()) theHold.Put(new PB1NotifyRestore(this, i, true));
    if (ReplaceReference(i, c) != REF_SUCCEED) return;
    if (preserveFrame0Value) Push(c, params_[static_cast<size_t>(i)].type, keep);
    if (theHold.Holding()) theHold.Put(new PB1NotifyRestore(this, i, false));
    NotifyChanged(i);
}

void ParamBlock::RemoveController(int i) {
    if (!Valid(i) || !params_[static_cast<size_t>(i)].ctrl) return;
    Interval iv = FOREVER;
    const PB1Value cur = Current(i, 0, iv);
    if (theHold.Holding()) {
        theHold.Put(new PB1NotifyRestore(this, i, true));
        theHold.Put(new PB1ValueRestore(this, i, params_[static_cast<size_t>(i)].v, cur));
    }
    params_[static_cast<size_t>(i)].v = cur;
    ReplaceReference(i, nullptr);
    if (theHold.Holding()) theHold.Put(new PB1NotifyRestore(this, i, false));
    NotifyChanged(i);
}

// ---- values

PB1Value ParamBlock::Current(int i, TimeValue t, Interval& ivalid) {
    const Param& p = params_[static_cast<size_t>(i)];
    PB1Value v = p.v;
    if (!p.ctrl) return v;
    if (IsPoint(p.type)) {
        p.ctrl->GetValue(t, &v.p, ivalid);
    } else {
        p.ctrl->GetValue(t, &v.f, ivalid);
        v.i = static_cast<int>(std::lround(v.f));
    }
    return v;
}

void ParamBlock::Push(Control* c, int type, PB1Value v, TimeValue t) {
    const bool outer = pushing_;
    pushing_ = true;
    if (IsPoint(type))
        c->SetValue(t, &v.p);
    else
        c->SetValue(t, &v.f);
    pushing_ = outer;
}

void ParamBlock::NotifyChanged(int i) {
    lastNotify_ = i;
    NotifyDependents(FOREVER, PART_ALL, REFMSG_CHANGE);
}

BOOL ParamBlock::Store(int i, TimeValue t, const PB1Value& v) {
    Param& p = params_[static_cast<size_t>(i)];
    if (p.ctrl) {
        if (theHold.Holding()) theHold.Put(new PB1NotifyRestore(this, i, true));
        Push(p.ctrl, p.type, v, t);
        if (theHold.Holding()) theHold.Put(new PB1NotifyRestore(this, i, false));
    } else {
        if (theHold.Holding()) theHold.Put(new PB1ValueRestore(this, i, p.v, v));
        p.v = v;
    }
    NotifyChanged(i);
    return TRUE;
}

BOOL ParamBlock::SetValue(int i, TimeValue t, float v) {
    if (!Valid(i) || IsPoint(params_[static_cast<size_t>(i)].type)) return FALSE;
    PB1Value x;
    x.f = v;
    x.i = static_cast<int>(std::lround(v));
    return Store(i, t, x);
}

BOOL ParamBlock::SetValue(int i, TimeValue t, int v) {
    if (!Valid(i) || IsPoint(params_[static_cast<size_t>(i)].type)) return FALSE;
    PB1Value x;
    x.i = v;
    x.f = static_cast<float>(v);
    return Store(i, t, x);
}

BOOL ParamBlock::SetValue(int i, TimeValue t, const Point3& v) {
    if (!Valid(i) || !IsPoint(params_[static_cast<size_t>(i)].type)) return FALSE;
    PB1Value x;
    x.p = v;
    return Store(i, t, x);
}

BOOL ParamBlock::GetValue(int i, TimeValue t, float& v, Interval& ivalid) {
    if (!Valid(i) || IsPoint(params_[static_cast<size_t>(i)].type)) return FALSE;
    const PB1Value x = Current(i, t, ivalid);
    v = params_[static_cast<size_t>(i)].type == TYPE_FLOAT_PB1 ? x.f : static_cast<float>(x.i);
    return TRUE;
}

BOOL ParamBlock::GetValue(int i, TimeValue t, int& v, Interval& ivalid) {
    if (!Valid(i) || IsPoint(params_[static_cast<size_t>(i)].type)) return FALSE;
    const PB1Value x = Current(i, t, ivalid);
    v = params_[static_cast<size_t>(i)].type == TYPE_FLOAT_PB1 ? static_cast<int>(std::lround(x.f)) : x.i;
    return TRUE;
}

BOOL ParamBlock::GetValue(int i, TimeValue t, Point3& v, Interval& ivalid) {
    if (!Valid(i) || !IsPoint(params_[static_cast<size_t>(i)].type)) return FALSE;
    v = Current(i, t, ivalid).p;
    return TRUE;
}

void ParamBlock::RestoreValue(int i, const PB1Value& v) {
    if (!Valid(i)) return;
    params_[static_cast<size_t>(i)].v = v;
    NotifyChanged(i);
}

void ParamBlock::RestoreNotify(int i) {
    if (Valid(i)) NotifyChanged(i);
}

// ---- persistence

IOResult ParamBlock::Save(ISave* isave) {
    isave->BeginChunk(kLayoutChunk);
    WriteValues(isave, NumParams());
    for (const Param& p : params_) WriteValues(isave, p.type, static_cast<BYTE>(p.animatable ? 1 : 0));
    isave->EndChunk();
    isave->BeginChunk(kValuesChunk);
    for (const Param& p : params_) {
        if (IsPoint(p.type))
            WriteValues(isave, p.v.p);
        else if (p.type == TYPE_FLOAT_PB1)
            WriteValues(isave, p.v.f);
        else
            WriteValues(isave, p.v.i);
    }
    isave->EndChunk();
    return IO_OK;
}

IOResult ParamBlock::Load(ILoad* iload) {
    loadError_ = WStr();
    if (NumLiveRefs() > 0) DeleteAllRefsFromMe();
    auto fail = [this](const WStr& why) {
        loadError_ = WStr(L"ParamBlock load: ") + why;
        return IO_ERROR;
    };
    bool sawLayout = false;
    const IOResult res = ForEachChunk(iload, [&](USHORT id) -> IOResult {
        if (id == kLayoutChunk) {
            int n = 0;
            if (ReadValues(iload, n) != IO_OK || n < 0 ||
                iload->CurChunkLength() != 4 + 5 * static_cast<ULONG>(n))
                return fail(WStr::Format(L"layout chunk 0x%04x is %u bytes for %d parameters", kLayoutChunk,
                                         static_cast<unsigned>(iload->CurChunkLength()), n));
            params_.assign(static_cast<size_t>(n), Param());
            for (int i = 0; i < n; ++i) {
                BYTE anim = 0;
                Param& p = params_[static_cast<size_t>(i)];
                if (ReadValues(iload, p.type, anim) != IO_OK || !ValidType(p.type))
                    return fail(WStr::Format(L"parameter %d has type %d", i, p.type));
                p.animatable = anim != 0;
            }
            sawLayout = true;
        } else if (id == kValuesChunk) {
            if (!sawLayout) return fail(WStr::Format(L"values chunk 0x%04x before the layout", kValuesChunk));
            ULONG want = 0;
            for (const Param& p : params_)
                want += IsPoint(p.type) ? 12 : 4;
            if (iload->CurChunkLength() != want)
                return fail(WStr::Format(L"values chunk 0x%04x is %u bytes, expected %u", kValuesChunk,
                                         static_cast<unsigned>(iload->CurChunkLength()),
                                         static_cast<unsigned>(want)));
            for (Param& p : params_) {
                IOResult r = IO_OK;
                if (IsPoint(p.type)) {
                    r = ReadValues(iload, p.v.p);
                } else if (p.type == TYPE_FLOAT_PB1) {
                    r = ReadValues(iload, p.v.f);
                    p.v.i = static_cast<int>(std::lround(p.v.f));
                } else {
                    r = ReadValues(iload, p.v.i);
                    p.v.f = static_cast<float>(p.v.i);
                }
                if (r != IO_OK) return fail(L"values unreadable");
            }
        }
        return IO_OK;
    });
    // A damaged stream, where no check of the block's own said why.
    if (res != IO_OK) return loadError_.isNull() ? fail(iload->GetLastError()) : IO_ERROR;
    if (!sawLayout) return fail(WStr::Format(L"no layout chunk 0x%04x", kLayoutChunk));
    return IO_OK;
}

RefTargetHandle ParamBlock::Clone(RemapDir& remap) {
    auto* copy = new ParamBlock(nullptr, 0, nullptr);
    copy->params_ = params_;
    for (Param& p : copy->params_)
        p.ctrl = nullptr;
    BaseClone(this, copy, remap);
    for (int i = 0; i < NumParams(); ++i)
        if (Control* c = params_[static_cast<size_t>(i)].ctrl) copy->ReplaceReference(i, remap.CloneRef(c));
    return copy;
}

// ---- dump

void ParamBlock::Dump(std::ostream& os, int indent) {
    const std::string pad(static_cast<size_t>(std::max(0, indent)), ' ');
    os << pad << "ParamBlock (" << NumParams() << " params)\n";
    auto value = [&os](int type, const PB1Value& v) {
        if (IsPoint(type))
            os << "(" << FormatFloat(v.p.x) << ", " << FormatFloat(v.p.y) << ", " << FormatFloat(v.p.z)
               << ")";
        else if (type == TYPE_FLOAT_PB1)
            os << FormatFloat(v.f);
        else
            os << v.i;
    };
    for (int i = 0; i < NumParams(); ++i) {
        const Param& p = params_[static_cast<size_t>(i)];
        os << pad << "  " << i << " " << TypeName(p.type) << (p.animatable ? "" : " (fixed)") << " = ";
        if (p.ctrl) {
            Interval iv = FOREVER;
            value(p.type, Current(i, 0, iv));
            MSTR cls;
            p.ctrl->GetClassName(cls, false);
            os << " [controller " << cls.ToUTF8() << "; constant ";
            value(p.type, p.v);
            os << "]";
        } else {
            value(p.type, p.v);
        }
        os << "\n";
    }
}

void DumpParamBlock(IParamBlock* pb, std::ostream& os, int indent) {
    if (auto* b = dynamic_cast<ParamBlock*>(pb)) {
        b->Dump(os, indent);
        return;
    }
    os << std::string(static_cast<size_t>(std::max(0, indent)), ' ')
       << (pb ? "ParamBlock (foreign)\n" : "ParamBlock null\n");
}
