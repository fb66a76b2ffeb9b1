// The host's older parameter block: a fixed list of typed parameters, each optionally animated by a
// controller held as the block's reference of the same index.
#pragma once

#include "host/scene/IParamBlock.h"
#include "host/scene/ParamBlockRestore.h"

#include <iosfwd>
#include <vector>

class ParamBlock : public IParamBlock {
public:
    // An empty block (no parameters) is what the class directory creates for loading; Load reads the
    // layout with the values.
    ParamBlock(const ParamBlockDesc* desc, int count, ReferenceMaker* owner);
    ~ParamBlock() override;

    Class_ID ClassID() override { return PARAMBLOCK_CLASS_ID; }
    SClass_ID SuperClassID() override { return PARAMETER_BLOCK_CLASS_ID; }
    void GetClassName(MSTR& s, bool localized = true) const override;
    int NumSubs() override;
    Animatable* SubAnim(int i) override;
    MSTR SubAnimName(int i, bool localized = true) override;
    int SubNumToRefNum(int subNum) override;
    BOOL CanAssignController(int subAnim) override;
    BOOL AssignController(Animatable* control, int subAnim) override;

    int NumRefs() override { return NumParams(); }
    RefTargetHandle GetReference(int i) override;
    RefResult NotifyRefChanged(const Interval& changeInt, RefTargetHandle hTarget, PartID& partID,
                               RefMessage message, BOOL propagate) override;
    IOResult Save(ISave* isave) override;
    IOResult Load(ILoad* iload) override;
    RefTargetHandle Clone(RemapDir& remap) override;

    int NumParams() override { return static_cast<int>(params_.size()); }
    int GetParameterType(int i) override;
    int GetAnimNum(int i) override;
    int AnimNumToParamNum(int animNum) override;
    Control* GetController(int i) override;
    void SetController(int i, Control* c, BOOL preserveFrame0Value = TRUE) override;
    void RemoveController(int i) override;

    BOOL GetValue(int i, TimeValue t, float& v, Interval& ivalid) override;
    BOOL GetValue(int i, TimeValue t, int& v, Interval& ivalid) override;
    BOOL GetValue(int i, TimeValue t, Point3& v, Interval& ivalid) override;
    BOOL SetValue(int i, TimeValue t, float v) override;
    BOOL SetValue(int i, TimeValue t, int v) override;
    BOOL SetValue(int i, TimeValue t, const Point3& v) override;
    int LastNotifyParamNum() override { return lastNotify_; }

    void Dump(std::ostream& os, int indent);
    const WStr& LoadError() const { return loadError_; }

    // Entry points of the undo records.
    void RestoreValue(int i, const PB1Value& v);
    void RestoreNotify(int i);

protected:
    void SetReference(int i, RefTargetHandle rtarg) override;

private:
    struct Param {
        int type = TYPE_FLOAT_PB1;
        bool animatable = true;
        PB1Value v;
        Control* ctrl = nullptr;
    };
    bool Valid(int i) const { return i >= 0 && i < static_cast<int>(params_.size()); }
    static bool IsPoint(int type) { return type == TYPE_RGBA_PB1 || type == TYPE_POINT3_PB1; }
    // The value now (from the controller at t when animated).
    PB1Value Current(int i, TimeValue t, Interval& ivalid);
    BOOL Store(int i, TimeValue t, const PB1Value& v);
    void NotifyChanged(int i);
    void Push(Control* c, int type, PB1Value v, TimeValue t = 0);

    std::vector<Param> params_;
    // Set while the block writes into a controller: the block sends the edit's one message itself.
    bool pushing_ = false;
    int lastNotify_ = -1;
    WStr loadError_;
};
