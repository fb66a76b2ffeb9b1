// The mirror of a parameter block 2: the plain values the user changed, kept by value, written into the
// freshly merged block at override time.
#pragma once

#include "plugin/anims/Pblock2Param.h"
#include "plugin/anims/RefAnimKind.h"
#include "plugin/frame/FixedTable.h"
#include "plugin/frame/PointerTable.h"

#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

class IParamBlock2;

// The block belongs to its owner and every merge rebuilds it, so the mirror never keeps it alive; it
// keeps entries instead: one per changed plain value (parameter or tab element) and, in mode 1, one per
// resized tab. Controllers of animated parameters and targets of reference parameters have mirrors of
// their own. The mode says what a change of a tab's element count does: 0 hands it to the block's parent,
// 1 keeps the whole tab, 2 keeps only the changed elements. With hold override the entries are applied
// inside one undo step.
// Registered under class id (0x30004, 0), which no kind reports.
class RefAnimPblock2 : public RefAnimKind<RefAnimPblock2, RefAnim, 0x00030004, IDS_REFANIMPBLOCK2> {
public:
    explicit RefAnimPblock2(BOOL loading = FALSE, int mode = 0, bool holdOverride = false)
        : RefAnimKind(loading), mode_(static_cast<std::uint8_t>(mode)), holdOverride_(holdOverride) {}
    ~RefAnimPblock2() override;

    ULONG GetKindID() const override;
    int GetTabResizeOverride() const { return mode_; }
    void SetTabResizeOverride(int mode) { mode_ = static_cast<std::uint8_t>(mode); }
    bool GetHoldOverride() const { return holdOverride_; }
    void SetHoldOverride(bool on) { holdOverride_ = on; }

    // ---- references: 0 the block, 1 the block's owner while something outside depends on the block
    int NumRefs() override { return 2; }
    RefTargetHandle GetReference(int i) override;
    BOOL IsRealDependency(ReferenceTarget* rtarg) override;
    BOOL CanTransferReference(int) override { return FALSE; }
    // Detects which parameter or element the user changed; always stops propagation.
    RefResult NotifyRefChanged(const Interval& changeInt, RefTargetHandle hTarget, PartID& partID,
                               RefMessage message, BOOL propagate) override;
    RefTargetHandle Clone(RemapDir& remap) override;
    IOResult Save(ISave* isave) override;
    IOResult Load(ILoad* iload) override;

    // A parameter block as a whole is never the user's change: its entries are.
    bool IsModified() const override { return false; }
    void CollectLocDep(DWORD stamp) override;
    // Writes the entries into the fresh block, then follows it.
    void Override(Animatable* root) override;
    void OverrideLocDep(ReferenceTarget* newAnim) override;
    MSTR Describe() override;

    // ---- the entries, in the order they were made
    const std::vector<Pblock2Param*>& GetOverriddenParams() const;
    const std::vector<Pblock2Param*>& GetOverriddenTabs() const;

    // Chunk ids after the wrapped base.
    static constexpr USHORT kParamsChunk = 0x2A;
    static constexpr USHORT kTabsChunk = 0x2B;
    static constexpr USHORT kModeChunk = 0x2C;
    static constexpr USHORT kHoldChunk = 0x2D;

protected:
    void SetReference(int i, RefTargetHandle rtarg) override;

private:
    // What the mirror last saw of one tab or reference parameter (by its index in the block): a tab's
    // count, and the targets of a reference parameter. Other parameters have nothing to see.
    struct Recorded {
        std::int32_t index = 0;
        std::int32_t count = 0;
        bool hasTargets = false;
        PointerTable<ReferenceTarget*> targets;
    };
    // The entries and their index. Most blocks never see a change of the user's: the table is made with
    // the first entry.
    struct Entries {
        std::vector<Pblock2Param*> params;
        std::vector<Pblock2Param*> tabs;
        // Entry positions by (parameter id, tab index), so a change finds its entry in constant time. Undo
        // and redo rewrite the table behind it: a position is trusted only for the table size it was
        // taken at.
        std::unordered_map<std::int64_t, size_t> index;
        size_t indexedSize = 0;
    };
    Entries& OwnEntries();
    // The record of the parameter at index; null when it has none.
    Recorded* FindRecorded(int index);
    IParamBlock2* Block() const;
    // Takes the counts and targets of every parameter again.
    void RecordAll();
    void RecordParam(int index);
    // Takes the count and targets of r's parameter from pb.
    void Record(IParamBlock2* pb, Recorded& r);
    // The parameters with something to see: tabs and reference parameters.
    static bool IsRecordedType(int type) { return is_tab(type) || IsReferenceParamType(base_type(type)); }
    // A tab of the user's changed its count; true when that was all there is to record.
    bool TabResized(IParamBlock2* pb, ParamID id, int index, bool undoing);
    // The target now at element tabIndex (a plain parameter: -1) gets a Replaced mirror of the owner's.
    void RecordReferenceChange(IParamBlock2* pb, ParamID id, int tabIndex);
    // The plain value of id at tabIndex: captured again in its entry, or (not while undoing) a new entry.
    void RecordValue(IParamBlock2* pb, ParamID id, int tabIndex, bool undoing);
    void SetModified();
    // The entry of id at tabIndex; null when none.
    Pblock2Param* FindEntry(ParamID id, int tabIndex);
    // Appends an entry as an undoable addition.
    void AppendEntry(std::vector<Pblock2Param*>& table, Pblock2Param* entry);
    void ClearEntries();

    // 0, 1 or 2, which the file keeps in one byte too: with the two flags and the count, the scalars fill
    // one word (four of these mirrors stand under every node of a plain scene).
    std::uint8_t mode_;
    bool holdOverride_;
    bool refsCollected_ = false;
    // The parameter count of the block when its parameters were last recorded.
    std::int32_t recordedParams_ = 0;
    ReferenceTarget* blockOwner_ = nullptr;
    // In parameter index order. Most blocks have none of these parameters: the table is one pointer wide.
    FixedTable<Recorded> recorded_;
    std::unique_ptr<Entries> entries_;
};
