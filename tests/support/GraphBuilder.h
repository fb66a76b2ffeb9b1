// Test stand-ins for the reference graph: named makers and targets with configurable references, a
// log of the messages they hear and of their deletion, and a builder that cleans up after a test.
#pragma once

#include "host/core/AnimGraphDump.h"
#include "host/core/RemapDir.h"

#include <functional>
#include <string>
#include <vector>

class GraphBuilder;

constexpr SClass_ID TEST_SUPER_CLASS_ID = 0x7E50;
constexpr Class_ID TEST_TARGET_CLASS_ID(0x7E570001, 0);
constexpr Class_ID TEST_MAKER_CLASS_ID(0x7E570002, 0);

struct HeardMessage {
    std::string receiver;
    std::string sender;
    RefMessage message;
    PartID part;
};

// What every test object shares: the builder registers it, logs its messages and its deletion.
template <class Base> class TestRefs : public Base {
public:
    TestRefs(GraphBuilder* owner, std::string name, int numRefs, SClass_ID superClass);
    ~TestRefs() override;

    Class_ID ClassID() override;
    SClass_ID SuperClassID() override { return superClass_; }
    void GetClassName(MSTR& s, bool localized = true) const override;

    int NumRefs() override { return static_cast<int>(refs_.size()); }
    RefTargetHandle GetReference(int i) override {
        return i >= 0 && i < NumRefs() ? refs_[static_cast<size_t>(i)] : nullptr;
    }
    int NumSubs() override { return NumRefs(); }
    Animatable* SubAnim(int i) override { return GetReference(i); }
    MSTR SubAnimName(int i, bool localized = true) override;
    int SubNumToRefNum(int subNum) override { return subNum; }

    // A reference is real unless every reference of this object to that target is configured weak.
    BOOL IsRealDependency(ReferenceTarget* t) override;
    BOOL CanTransferReference(int i) override { return !refuse_.at(static_cast<size_t>(i)); }
    RefResult NotifyRefChanged(const Interval& changeInt, RefTargetHandle hTarget, PartID& partID,
                               RefMessage message, BOOL propagate) override;

    void SetWeak(int i, bool weak = true) { weak_.at(static_cast<size_t>(i)) = weak; }
    void RefuseTransfer(int i, bool refuse = true) { refuse_.at(static_cast<size_t>(i)) = refuse; }
    const std::string& Name() const { return name_; }
    GraphBuilder* Owner() const { return owner_; }

    // What NotifyRefChanged answers, and an optional handler that runs first (it may change the part).
    RefResult answer = REF_SUCCEED;
    std::function<void(RefTargetHandle hTarget, PartID& partID, RefMessage message)> onMessage;

protected:
    void SetReference(int i, RefTargetHandle t) override { refs_.at(static_cast<size_t>(i)) = t; }

    GraphBuilder* owner_;
    std::string name_;
    SClass_ID superClass_;
    std::vector<RefTargetHandle> refs_;
    std::vector<bool> weak_;
    std::vector<bool> refuse_;
};

class TestTarget : public TestRefs<ReferenceTarget> {
public:
    TestTarget(GraphBuilder* owner, std::string name, int numRefs, SClass_ID superClass = TEST_SUPER_CLASS_ID)
        : TestRefs(owner, std::move(name), numRefs, superClass) {}
    // Copies name (with a "'"), configuration and references through remap; nothing when not cloneable.
    RefTargetHandle Clone(RemapDir& remap) override;
    bool cloneable = true;
};

// A maker that nothing can reference (a scene root, a dialog, a mirror's owner).
class TestMaker : public TestRefs<ReferenceMaker> {
public:
    TestMaker(GraphBuilder* owner, std::string name, int numRefs, SClass_ID superClass = TEST_SUPER_CLASS_ID)
        : TestRefs(owner, std::move(name), numRefs, superClass) {}
};

class GraphBuilder {
public:
    // Starts with an empty undo system.
    GraphBuilder();
    // Frees everything still alive (deleted targets kept by undo records included) and empties the
    // undo system.
    ~GraphBuilder();
    GraphBuilder(const GraphBuilder&) = delete;
    GraphBuilder& operator=(const GraphBuilder&) = delete;

    TestTarget* Target(const std::string& name, int numRefs = 0, SClass_ID superClass = TEST_SUPER_CLASS_ID);
    TestMaker* Maker(const std::string& name, int numRefs = 1, SClass_ID superClass = TEST_SUPER_CLASS_ID);
    // ReplaceReference that must succeed (a test failure otherwise).
    void Link(ReferenceMaker* from, int slot, ReferenceTarget* to);

    // Whether the object created under that name is still in memory (asked by handle, never touched).
    bool Alive(const std::string& name) const;

    // Names of the test objects heard, as "receiver<-sender:0xMSG", one per message.
    std::vector<std::string> Heard() const;
    std::vector<HeardMessage> heard;
    // Names of freed test objects, in the order they went.
    std::vector<std::string> freed;

    // The graph dump with each test object's name after its class.
    std::string Dump(const std::vector<Animatable*>& roots) const;

    // Called by the test objects.
    void Register(Animatable* a, const std::string& name);

private:
    std::vector<std::pair<std::string, AnimHandle>> created_;
};

// The names of a target's dependent entries, in order.
std::vector<std::string> DependentNames(ReferenceTarget* t);
