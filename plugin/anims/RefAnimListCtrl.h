// The mirror of a list controller: the items as merged, and the renames, deletions, additions and active
// item the user changed, replayed on the freshly merged list.
#pragma once

#include "plugin/anims/RefAnimKind.h"

#include <algorithm>
#include <cstdint>
#include <vector>

class Control;
class IListControl;

// Reference 1 is the list's weights controller (its last sub-animatable); the controllers the user added
// are held as references 2 and up, one per added entry and in the added table's order, so they outlive
// the referenced content.
class RefAnimListCtrl : public RefAnimKind<RefAnimListCtrl, RefAnim, KIND_LIST_CTRL, IDS_REFANIMLISTCTRL> {
public:
    explicit RefAnimListCtrl(BOOL loading = FALSE) : RefAnimKind(loading) {}
    ~RefAnimListCtrl() override;

    struct RenamedCtrl {
        WStr former;
        std::int32_t index = 0;
        WStr name;
        bool operator==(const RenamedCtrl&) const = default;
    };
    struct DeletedCtrl {
        WStr name;
        std::int32_t index = 0;
        bool operator==(const DeletedCtrl&) const = default;
    };
    // index -1: the item was appended at the end of the list.
    struct AddedCtrl {
        WStr name;
        std::int32_t index = 0;
        Control* ctrl = nullptr;
        bool operator==(const AddedCtrl&) const = default;
    };
    // One per current item; added and renamed are indices into those tables, -1 for none.
    struct MonitoredCtrl {
        WStr name;
        std::int32_t index = 0;
        Control* ctrl = nullptr;
        std::int32_t added = -1;
        std::int32_t renamed = -1;
        bool operator==(const MonitoredCtrl&) const = default;
    };
    // The four tables, copied whole by the undo records and between mirrors of one list.
    struct Tables {
        std::vector<RenamedCtrl> renamed;
        std::vector<DeletedCtrl> deleted;
        std::vector<AddedCtrl> added;
        std::vector<MonitoredCtrl> monitored;
        bool operator==(const Tables&) const = default;
    };

    const Tables& GetTables() const { return tables_; }
    // Replaces the tables and holds the added controllers of the new ones.
    void ApplyTables(const Tables& t);
    int GetActiveIndex() const { return activeIndex_; }
    const WStr& GetActiveName() const { return activeName_; }
    bool GetActiveChanged() const { return activeChanged_ != 0; }

    // Counts the held slots too while a smaller added table lets them go.
    int NumRefs() override { return 2 + static_cast<int>(std::max(tables_.added.size(), held_.size())); }
    RefTargetHandle GetReference(int i) override;
    // The added controllers stay alive; the list and its weights only while the user replaced the list or
    // it is locally used.
    BOOL IsRealDependency(ReferenceTarget* rtarg) override;
    // The weights and the added controllers are the mirror's own: they never move to another target.
    BOOL CanTransferReference(int i) override;
    RefResult NotifyRefChanged(const Interval& changeInt, RefTargetHandle hTarget, PartID& partID,
                               RefMessage message, BOOL propagate) override;
    void BaseClone(ReferenceTarget* from, ReferenceTarget* to, RemapDir& remap) override;
    IOResult Save(ISave* isave) override;
    IOResult Load(ILoad* iload) override;

    bool IsModified() const override { return false; }
    // Whether item index carries no controller of the user's.
    bool IsItemUntouched(int index) const;
    // Follows the list and its weights, taking the tables of a changed mirror of the same list, or else a
    // snapshot of the items.
    RefResult SetAnim(ReferenceTarget* anim) override;
    // Replays the renames, deletions and additions on the fresh list, then follows it.
    void Override(Animatable* root) override;
    MSTR Describe() override;

    static constexpr USHORT kActiveChunk = 0x2A;
    static constexpr USHORT kActiveNameChunk = 0x2B;
    static constexpr USHORT kRenamedCountChunk = 0x2C;
    static constexpr USHORT kRenamedChunk = 0x2D;
    static constexpr USHORT kDeletedCountChunk = 0x2E;
    static constexpr USHORT kDeletedChunk = 0x2F;
    static constexpr USHORT kAddedCountChunk = 0x30;
    static constexpr USHORT kAddedChunk = 0x31;
    static constexpr USHORT kMonitoredCountChunk = 0x32;
    static constexpr USHORT kMonitoredChunk = 0x33;

protected:
    void SetReference(int i, RefTargetHandle rtarg) override;

private:
    IListControl* List() const;
    // The snapshot of the items and the active state, taken from list.
    void Monitor(IListControl* list);
    void ReadActive(IListControl* list);
    // The file keeps the snapshot's places only: once the load has restored the list, a loaded mirror
    // takes its items' names and controllers from it.
    void Rebind(IListControl* list);
    struct RebindAfterLoad : PostLoadCallback {
        RefAnimListCtrl* mirror = nullptr;
        void proc(ILoad* iload) override;
    };
    // Another mirror of the same list that carries changes, or null.
    RefAnimListCtrl* ModifiedTwin(ReferenceTarget* list) const;
    void CopyFrom(const RefAnimListCtrl& other);
    void SetModified(bool undoable);
    void Hold();
    void StructureCheck(IListControl* list);
    void NameCheck(IListControl* list);
    // Records that item i (monitored record i) is now called name.
    void RecordRename(int i, const WStr& name);
    void ItemAdded(IListControl* list);
    void ItemDeleted(IListControl* list);
    // References 2 and up follow the added table.
    void SyncHeld();

    ReferenceTarget* weights_ = nullptr;
    std::vector<Control*> held_;
    std::int32_t activeIndex_ = -1;
    WStr activeName_;
    std::int32_t activeChanged_ = 0;
    Tables tables_;
    RebindAfterLoad rebind_;
};
