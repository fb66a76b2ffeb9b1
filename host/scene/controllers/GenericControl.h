// Controllers of classes the host knows only by identity and behaviour answers (rig, reaction, layer,
// script-driven controllers ...): a value of the super class's type, optional sub-controllers, and the
// capability answers and interfaces configured for the class.
#pragma once

#include "host/core/BaseInterface.h"
#include "host/core/ClassDesc.h"
#include "host/core/RemapDir.h"
#include "host/scene/controllers/ControlValue.h"

#include <memory>
#include <vector>

struct GenericControlConfig {
    struct Sub {
        MSTR name;
        SClass_ID superClassId = 0;
        // The class to create; unset (the default Class_ID) takes the host's default controller for the
        // super class.
        Class_ID classId;
    };
    SClass_ID superClassId = 0;
    Class_ID classId;
    MSTR className;
    std::vector<Sub> subs;
    // The host's controller check (Control::IsReplaceable).
    BOOL replaceable = TRUE;
    // The primary test (Animatable::CanCopyAnim).
    BOOL canCopyAnim = TRUE;
    // The capability test (Animatable::CanCopyTrack).
    BOOL canCopyTrack = FALSE;
    // Interfaces GetInterface(Interface_ID) answers (with an interface object that only has its id).
    std::vector<Interface_ID> interfaces;
};

class GenericControl : public Control {
public:
    // config must outlive the controller (registered configurations live as long as the process).
    GenericControl(const GenericControlConfig* config, BOOL loading);

    Class_ID ClassID() override { return config_->classId; }
    SClass_ID SuperClassID() override { return config_->superClassId; }
    void GetClassName(MSTR& s, bool /*localized*/ = true) const override { s = config_->className; }
    BOOL IsReplaceable() override { return config_->replaceable; }
    BOOL CanCopyAnim() override { return config_->canCopyAnim; }
    BOOL CanCopyTrack(Interval /*iv*/, DWORD /*flags*/) override { return config_->canCopyTrack; }
    BOOL IsLeaf() override { return config_->subs.empty(); }
    using Control::GetInterface;
    BaseInterface* GetInterface(Interface_ID id) override;

    // The value it holds (the same at every time).
    void GetValue(TimeValue t, void* val, Interval& valid, GetSetMethod method = CTRL_ABSOLUTE) override;
    void SetValue(TimeValue t, void* val, int commit = 1, GetSetMethod method = CTRL_ABSOLUTE) override;

    int NumRefs() override { return static_cast<int>(subs_.size()); }
    RefTargetHandle GetReference(int i) override;
    int NumSubs() override { return NumRefs(); }
    Animatable* SubAnim(int i) override { return GetReference(i); }
    MSTR SubAnimName(int i, bool localized = true) override;
    int SubNumToRefNum(int subNum) override { return subNum >= 0 && subNum < NumSubs() ? subNum : -1; }
    BOOL CanAssignController(int subAnim) override { return subAnim >= 0 && subAnim < NumSubs(); }
    // A controller of the slot's super class.
    BOOL AssignController(Animatable* control, int subAnim) override;

    RefTargetHandle Clone(RemapDir& remap) override;
    // Chunk 0x0600: the value.
    IOResult Save(ISave* isave) override;
    IOResult Load(ILoad* iload) override;

    const GenericControlConfig& Config() const { return *config_; }
    // For undo records.
    void ApplyState(const ControlValue& v) { value_ = v; }

protected:
    void SetReference(int i, RefTargetHandle t) override;

private:
    class Answer : public BaseInterface {
    public:
        explicit Answer(Interface_ID id) : id_(id) {}
        Interface_ID GetID() override { return id_; }
        BaseInterface* GetInterface(Interface_ID id) override { return id == id_ ? this : BaseInterface::GetInterface(id); }

    private:
        Interface_ID id_;
    };

    const GenericControlConfig* config_;
    ControlValue value_;
    std::vector<RefTargetHandle> subs_;
    std::vector<std::unique_ptr<Answer>> answers_;
};

// Registers a class of generic controllers in the class directory and answers its descriptor; a class
// registered before with the same configuration is answered again. Null when another class already has
// that super class and class id.
ClassDesc* RegisterGenericControlClass(const GenericControlConfig& config);
// A new controller of a registered generic class (registering it first when needed); null on a clash.
GenericControl* CreateGenericControl(const GenericControlConfig& config);
