// The mirror of a particle flow test: where the user led the particles that pass a test that no
// referenced event runs, replayed on the freshly merged test.
#pragma once

#include "plugin/anims/RefAnimKind.h"

class INode;
class Object;

// A test's parameters have a block mirror of their own, and while a referenced event runs the test, the
// event's mirror keeps the test's connection with the event's other connections. What is left is the
// connection of a test no referenced event runs (one the user took out of its event, or one the file keeps
// outside every event): this mirror keeps that. Reference 1 holds the event node the user led the test to
// (the scene's node: never a real dependency); the names of the event as merged and as led by the user
// carry the connection through an unload and a save, where the node goes. The test is re-created by every
// merge, so the mirror never keeps it (IsModified answers false); the Toggled bit says the user changed
// the connection.
class RefAnimPFTest : public RefAnimKind<RefAnimPFTest, RefAnim, KIND_PF_TEST, IDS_REFANIMPFTEST> {
public:
    explicit RefAnimPFTest(BOOL loading = FALSE) : RefAnimKind(loading) {}
    ~RefAnimPFTest() override;

    // The event the test led to as merged, and the one the user led it to (empty: nowhere).
    struct Connection {
        WStr merged;
        WStr led;
        bool operator==(const Connection&) const = default;
    };

    int NumRefs() override { return 2; }
    RefTargetHandle GetReference(int i) override;
    BOOL IsRealDependency(ReferenceTarget* rtarg) override;
    bool IsModified() const override { return false; }
    // A new connection of the test, while no event mirror hears it, is the user's.
    RefResult NotifyRefChanged(const Interval& changeInt, RefTargetHandle hTarget, PartID& partID,
                               RefMessage message, BOOL propagate) override;
    // Follows the test and takes its connection as merged.
    RefResult SetAnim(ReferenceTarget* anim) override;
    // Takes the event's name once more, so a renamed event is found after a save.
    void CollectLocDep(DWORD stamp) override;
    // Lets go of the event node: a copied reference finds its own by name.
    void ReleaseHeldRefs() override;
    // Follows the fresh test; a changed connection goes on once every node of the load is bound.
    void Override(Animatable* root) override;
    void FinishOverride() override;
    void BaseClone(ReferenceTarget* from, ReferenceTarget* to, RemapDir& remap) override;
    IOResult Save(ISave* isave) override;
    IOResult Load(ILoad* iload) override;
    MSTR Describe() override;

    bool IsLed() const { return IsOverridden(REFANIM_TOGGLED); }
    const Connection& GetConnection() const { return connection_; }
    INode* GetLedEvent() const { return led_; }

    // Sub-chunks 0 the merged event's name, 1 the led event's name.
    static constexpr USHORT kConnectionChunk = 0x2A;

protected:
    void SetReference(int i, RefTargetHandle rtarg) override;

private:
    // The test object mirrored, when it still is a test.
    Object* Test() const;
    // True while the mirror of an event that runs the test hears it.
    bool HeardByEvent() const;
    // Compares the test's connection with the one as merged, with undo records when undoable.
    void Record(bool undoable);

    Connection connection_;
    INode* led_ = nullptr;
};
