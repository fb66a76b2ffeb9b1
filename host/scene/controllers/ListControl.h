// List controllers: an ordered list of named sub-controllers of one value type whose weighted values
// add up, one of them active, with a weights controller as the last sub-animatable.
#pragma once

#include "host/core/PlugApi.h"
#include "host/core/RemapDir.h"
#include "host/scene/controllers/ControlValueTraits.h"
#include "host/scene/controllers/ControllerClassIds.h"
#include "host/scene/controllers/ListWeights.h"

#include <functional>
#include <vector>

// References: 0 the weights, 1 the cut item waiting to be pasted (null when none), 2 + i item i.
// Info: Value, kSuperClassId (of the list and of its items), ClassID(), Name().
template <class Info> class ListControl : public Control, public IListControl {
public:
    using T = typename Info::Value;
    using Traits = ControlValueTraits<T>;

    // The data kept beside the item references (which are restored by their own undo records).
    struct Plain {
        std::vector<MSTR> names; // one per item
        int active = -1;
        MSTR cutName;
        float cutWeight = 1.0f;
        bool operator==(const Plain&) const = default;
    };

    // A new list is empty, with its weights controller; one made for loading gets both from the file.
    explicit ListControl(BOOL loading = FALSE);

    Class_ID ClassID() override { return Info::ClassID(); }
    SClass_ID SuperClassID() override { return Info::kSuperClassId; }
    void GetClassName(MSTR& s, bool /*localized*/ = true) const override { s = Info::Name(); }
    BOOL IsLeaf() override { return FALSE; }
    using Control::GetInterface;
    BaseInterface* GetInterface(Interface_ID id) override;

    // The items' values combined in order, each scaled by its weight.
    void GetValue(TimeValue t, void* val, Interval& valid, GetSetMethod method = CTRL_ABSOLUTE) override;
    // Goes to the active item.
    void SetValue(TimeValue t, void* val, int commit = 1, GetSetMethod method = CTRL_ABSOLUTE) override;

    // IListControl.
    int GetListCount() override { return static_cast<int>(items_.size()); }
    int GetActive() override { return plain_.active; }
    void SetActive(int index) override;
    MSTR GetName(int index) override;
    void SetName(int index, const MSTR& name) override;
    Control* GetSubCtrl(int index) override;
    void AppendItem(Control* ctrl, const MSTR& name) override;
    void DeleteItem(int index) override;
    void CutItem(int index) override;
    void PasteItem(int index) override;
    float GetSubCtrlWeight(int index) override;
    void SetSubCtrlWeight(int index, float weight) override;

    ListWeights* GetWeights() { return static_cast<ListWeights*>(weights_); }
    Control* GetCutItem() { return cut_ ? static_cast<Control*>(cut_) : nullptr; }
    const MSTR& GetCutName() const { return plain_.cutName; }

    int NumRefs() override { return 2 + GetListCount(); }
    RefTargetHandle GetReference(int i) override;
    int NumSubs() override { return GetListCount() + 1; }
    Animatable* SubAnim(int i) override;
    MSTR SubAnimName(int i, bool localized = true) override;
    int SubNumToRefNum(int subNum) override;
    BOOL CanAssignController(int subAnim) override { return subAnim >= 0 && subAnim < GetListCount(); }
    // Replaces an item's controller (same value type only); notifies REFMSG_CONTROLREF_CHANGE,
    // REFMSG_SUBANIM_STRUCTURE_CHANGED and REFMSG_CHANGE.
    BOOL AssignController(Animatable* control, int subAnim) override;
    BOOL CanDeleteSubAnim(int i) override { return CanAssignController(i); }
    void DeleteSubAnim(int i) override { DeleteItem(i); }

    RefTargetHandle Clone(RemapDir& remap) override;
    // Chunks: 0x0200 item count, 0x0210 active index, 0x0220 the names (one 0x0221 each), 0x0230 and
    // 0x0231 the cut item's name and weight.
    IOResult Save(ISave* isave) override;
    IOResult Load(ILoad* iload) override;

    // For undo records.
    void ApplyState(const Plain& s);

protected:
    void SetReference(int i, RefTargetHandle t) override;

private:
    bool Accepts(Control* c);
    ListWeights::State WeightsState(const std::vector<float>& w, int active) const {
        return ListWeights::State{w, active};
    }
    std::vector<float> CurrentWeights();
    // Moves the items to `next` with the plain data `after`; `between` runs once the item references
    // moved; controllers that left the list (and are not cut) are offered auto-delete at the end.
    void Relayout(const std::vector<ReferenceTarget*>& next, const Plain& after, const std::vector<float>& weights,
                  const std::function<void()>& between = {});

    std::vector<RefTargetHandle> items_;
    Plain plain_;
    RefTargetHandle weights_ = nullptr;
    RefTargetHandle cut_ = nullptr;
};

struct FloatListInfo {
    using Value = float;
    static constexpr SClass_ID kSuperClassId = CTRL_FLOAT_CLASS_ID;
    static Class_ID ClassID() { return FLOAT_LIST_CLASS_ID; }
    static const MCHAR* Name() { return L"Float List"; }
};
struct Point3ListInfo {
    using Value = Point3;
    static constexpr SClass_ID kSuperClassId = CTRL_POINT3_CLASS_ID;
    static Class_ID ClassID() { return POINT3_LIST_CLASS_ID; }
    static const MCHAR* Name() { return L"Point3 List"; }
};
struct PositionListInfo {
    using Value = Point3;
    static constexpr SClass_ID kSuperClassId = CTRL_POSITION_CLASS_ID;
    static Class_ID ClassID() { return POSITION_LIST_CLASS_ID; }
    static const MCHAR* Name() { return L"Position List"; }
};
struct RotationListInfo {
    using Value = Quat;
    static constexpr SClass_ID kSuperClassId = CTRL_ROTATION_CLASS_ID;
    static Class_ID ClassID() { return ROTATION_LIST_CLASS_ID; }
    static const MCHAR* Name() { return L"Rotation List"; }
};
struct ScaleListInfo {
    using Value = ScaleValue;
    static constexpr SClass_ID kSuperClassId = CTRL_SCALE_CLASS_ID;
    static Class_ID ClassID() { return SCALE_LIST_CLASS_ID; }
    static const MCHAR* Name() { return L"Scale List"; }
};

using FloatList = ListControl<FloatListInfo>;
using Point3List = ListControl<Point3ListInfo>;
using PositionList = ListControl<PositionListInfo>;
using RotationList = ListControl<RotationListInfo>;
using ScaleList = ListControl<ScaleListInfo>;

extern template class ListControl<FloatListInfo>;
extern template class ListControl<Point3ListInfo>;
extern template class ListControl<PositionListInfo>;
extern template class ListControl<RotationListInfo>;
extern template class ListControl<ScaleListInfo>;
