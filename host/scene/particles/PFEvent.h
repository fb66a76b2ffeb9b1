// A particle flow event: a helper holding the ordered list of actions its particles run, each action a node
// of its own that is active or not. It names its action nodes through weak references, as the container
// helper does, so the nodes stay the scene's and are saved with it.
#pragma once

#include "host/scene/ParticleFlow.h"
#include "host/scene/objects/ConfiguredObject.h"

#include <vector>

class PFEvent : public ConfiguredObject<HelperObject>, public IPFActionList {
public:
    // One action of the list; a null node is an action deleted since (skipped by every query).
    struct Entry {
        INode* node = nullptr;
        bool active = true;
        bool operator==(const Entry&) const = default;
    };

    PFEvent(ObjectClassDesc* cd, BOOL loading) : ConfiguredObject<HelperObject>(cd, loading) {}
    ~PFEvent() override;

    // ---- IPFActionList
    int NumActions() override { return static_cast<int>(Live().size()); }
    INode* GetAction(int index) override;
    int FindAction(INode* action) override;
    bool InsertAction(INode* action, int index) override;
    bool RemoveAction(int index) override;
    bool IsActionActive(int index) override;
    bool ActivateAction(int index, bool active) override;

    // The actions without the deleted ones, in order.
    std::vector<Entry> Live() const;
    // Stores the list and notifies, without undo record (undo and redo).
    void ApplyEntries(const std::vector<Entry>& entries);

    using ConfiguredObject<HelperObject>::GetInterface;
    BaseInterface* GetInterface(Interface_ID id) override {
        return id == PFACTIONLIST_INTERFACE ? static_cast<IPFActionList*>(this)
                                            : ConfiguredObject<HelperObject>::GetInterface(id);
    }
    int NumRefs() override { return static_cast<int>(entries_.size()); }
    RefTargetHandle GetReference(int i) override;
    BOOL IsRealDependency(ReferenceTarget* /*t*/) override { return FALSE; }
    BOOL ShouldPersistWeakRef(RefTargetHandle t) override;
    int NumSubs() override { return 0; }
    Animatable* SubAnim(int /*i*/) override { return nullptr; }
    RefTargetHandle Clone(RemapDir& remap) override;
    // An action node's own changes are not the event's.
    RefResult NotifyRefChanged(const Interval& /*iv*/, RefTargetHandle /*hTarget*/, PartID& /*partID*/,
                               RefMessage /*message*/, BOOL /*propagate*/) override {
        return REF_STOP;
    }

    // The slot count, then one active byte per slot.
    static constexpr USHORT kActionsChunk = 0x4400;

protected:
    void SetReference(int i, RefTargetHandle t) override;
    IOResult SaveOwn(ISave* isave) override;
    IOResult LoadOwnChunk(ILoad* iload) override;
    void DumpOwn(std::ostream& os, int indent) override;

private:
    // One undoable edit from the live list to after.
    void Change(std::vector<Entry> after);

    std::vector<Entry> entries_;
};
