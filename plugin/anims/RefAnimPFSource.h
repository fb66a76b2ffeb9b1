// The mirror of a particle flow's head: a source's connection to its first event (mode 1), or an event's
// actions and the connections of its tests (mode 0), as merged and as the user changed them, replayed on the
// freshly merged flow.
#pragma once

#include "plugin/anims/RefAnimKind.h"

#include <cstdint>
#include <vector>

class INode;

// The name the flow's records know a node by (empty for none), and the scene's node of that name.
WStr PFNodeName(INode* node);
INode* PFNodeNamed(const WStr& name);

// The flow's nodes are matched by name, as the records match merged nodes: the fresh flow has new nodes of
// the same names. References: 0 the source or event object; 1 and up the event's test objects (mode 0),
// heard only for their connections and never kept alive. A flow is re-created whole by every merge, so the
// mirror never keeps the object (IsModified answers false); the Toggled bit says it holds changes. The
// connection of a test the event no longer runs is not the event's to keep: the test's own mirror keeps it.
class RefAnimPFSource : public RefAnimKind<RefAnimPFSource, RefAnim, KIND_PF_SOURCE, IDS_REFANIMPFSOURCE> {
public:
    explicit RefAnimPFSource(BOOL loading = FALSE, int mode = 1) : RefAnimKind(loading), mode_(mode) {}
    ~RefAnimPFSource() override;

    // An action of an event (value: 1 active, 0 not; for an added action its place in the list) or a
    // connection (first: the source or test, second: the event it leads to).
    struct Record {
        WStr first;
        WStr second;
        std::int32_t value = 0;
        bool operator==(const Record&) const = default;
    };
    struct ActionTables {
        std::vector<Record> monitored;
        std::vector<Record> toggled;
        std::vector<Record> added;
        std::vector<Record> removed;
        bool operator==(const ActionTables&) const = default;
    };
    struct ConnectionTables {
        std::vector<Record> monitored;
        std::vector<Record> added;
        std::vector<Record> deleted;
        bool operator==(const ConnectionTables&) const = default;
    };

    ULONG GetKindID() const override { return mode_ == 1 ? KIND_PF_SOURCE : KIND_PF_EVENT; }
    int GetMode() const { return mode_; }
    void SetMode(int mode) { mode_ = mode; }
    const ActionTables& GetActions() const { return actions_; }
    const ConnectionTables& GetConnections() const { return connections_; }

    int NumRefs() override { return 1 + static_cast<int>(tests_.size()); }
    RefTargetHandle GetReference(int i) override;
    BOOL IsRealDependency(ReferenceTarget* rtarg) override;
    bool IsModified() const override { return false; }
    RefResult NotifyRefChanged(const Interval& changeInt, RefTargetHandle hTarget, PartID& partID,
                               RefMessage message, BOOL propagate) override;
    // Follows the object, takes the flow as merged into the monitored tables and hears the event's tests.
    RefResult SetAnim(ReferenceTarget* anim) override;
    // Compares the flow with the monitored tables once more, so nothing the user did escapes a save.
    void CollectLocDep(DWORD stamp) override;
    // Lets go of the tests: they belong to the referenced content.
    void ReleaseHeldRefs() override;
    // Follows the fresh object and puts the user's toggles, added and removed actions and connection changes
    // on it.
    void Override(Animatable* root) override;
    // Tests added by the user are heard from now on.
    void FinishOverride() override;
    RefTargetHandle Clone(RemapDir& remap) override;
    IOResult Save(ISave* isave) override;
    IOResult Load(ILoad* iload) override;
    MSTR Describe() override;

    static constexpr USHORT kModeChunk = 0x2A;
    static constexpr USHORT kTestCountChunk = 0x2B;
    static constexpr USHORT kMonitoredActionsChunk = 0x2C;
    static constexpr USHORT kToggledActionsChunk = 0x2D;
    static constexpr USHORT kAddedActionsChunk = 0x2E;
    static constexpr USHORT kMonitoredConnectionsChunk = 0x2F;
    static constexpr USHORT kAddedConnectionsChunk = 0x30;
    static constexpr USHORT kDeletedConnectionsChunk = 0x31;
    static constexpr USHORT kRemovedActionsChunk = 0x32;
    static constexpr USHORT kRemovedCountChunk = 0x33;
    static constexpr USHORT kHeadNameChunk = 0x34;
    static constexpr USHORT kCountsChunk = 0x35;

protected:
    void SetReference(int i, RefTargetHandle rtarg) override;

private:
    // The node that holds the mirrored object, or null.
    INode* HeadNode() const;
    // The flow as it is now: the event's actions (mode 0) and the connections the mirror watches.
    void ReadFlow(std::vector<Record>& actions, std::vector<Record>& connections) const;
    // The user's changes: the flow now against the monitored tables, with undo records when they differ.
    void Compare(bool undoable);
    // References the event's tests (mode 0) as they are now.
    void HearTests();
    // Puts the tables on the flow now mirrored.
    void Apply();

    int mode_;
    WStr headName_;
    ActionTables actions_;
    ConnectionTables connections_;
    std::vector<ReferenceTarget*> tests_;
};
