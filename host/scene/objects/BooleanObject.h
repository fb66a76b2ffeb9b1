// The Boolean compound object: an ordered list of operands, each an object with the node it came from, a
// name, an operation and an active state, and the index of the operand shown alone (solo).
#pragma once

#include "host/scene/objects/ConfiguredObject.h"

#include <vector>

class INode;

// How an operand combines with what the operands before it made.
enum BooleanOperation : int {
    kBoolUnion = 0,
    kBoolIntersection = 1,
    kBoolSubtraction = 2,
    kBoolMerge = 3,
    kBoolAttach = 4,
    kBoolInsert = 5,
};

struct BooleanOperand {
    MSTR name;
    int operation = kBoolUnion;
    BOOL active = TRUE;
    bool operator==(const BooleanOperand& o) const {
        return name == o.name && operation == o.operation && active == o.active;
    }
};

// References: the block, then two per operand: its object (kept alive) and its node (weak: the node is a
// scene item saved with the scene anyway). The operands' objects are the sub-animatables after the block,
// named by the operands. Every edit notifies REFMSG_CHANGE and is undoable; operands are only appended.
class BooleanObject : public ConfiguredObject<GeomObject> {
public:
    static constexpr int kNoSolo = -1;

    BooleanObject(ObjectClassDesc* cd, BOOL loading) : ConfiguredObject<GeomObject>(cd, loading) {}
    ~BooleanObject() override;

    int NumOperands() const { return static_cast<int>(operands_.size()); }
    const BooleanOperand& GetOperand(int i) const;
    Object* GetOperandObject(int i) const;
    INode* GetOperandNode(int i) const;
    int GetSoloIndex() const { return solo_; }

    // Appends an operand made from the node's object (named after the node); returns its index, or -1
    // (nothing changed) without node or object, or for the node that holds this Boolean.
    int AppendOperand(INode* node, int operation);
    // Out of range indices, operations outside 0..5 and solo indices outside -1..count-1 throw MAXException
    // naming the value and the range.
    void SetOperandOperation(int i, int operation);
    void SetOperandActive(int i, BOOL active);
    void SetOperandName(int i, const MSTR& name);
    void SetSoloIndex(int i);

    // Stores the operand table and solo index and notifies, without undo record (undo and redo).
    void ApplyOperands(const std::vector<BooleanOperand>& operands, int solo);

    int NumRefs() override { return BlockRefs() + 2 * NumOperands(); }
    RefTargetHandle GetReference(int i) override;
    BOOL IsRealDependency(ReferenceTarget* t) override;
    int NumSubs() override { return BlockRefs() + NumOperands(); }
    Animatable* SubAnim(int i) override;
    MSTR SubAnimName(int i, bool localized = true) override;
    int SubNumToRefNum(int subNum) override;
    RefTargetHandle Clone(RemapDir& remap) override;

    static constexpr USHORT kOperandsChunk = 0x4200;
    static constexpr USHORT kOperandChunk = 0x4201;
    static constexpr USHORT kOperandNameChunk = 0x4202;
    static constexpr USHORT kSoloChunk = 0x4203;

protected:
    void SetReference(int i, RefTargetHandle t) override;
    IOResult SaveOwn(ISave* isave) override;
    IOResult LoadOwnChunk(ILoad* iload) override;
    void DumpOwn(std::ostream& os, int indent) override;

private:
    int ObjectRef(int k) { return BlockRefs() + 2 * k; }
    void CheckIndex(int i, const MCHAR* what) const;
    // An undo record of the table as it is now and as `after`, then the change.
    void Change(std::vector<BooleanOperand> after, int solo);

    std::vector<BooleanOperand> operands_;
    // Parallel to operands_: the references.
    std::vector<ReferenceTarget*> objects_;
    std::vector<ReferenceTarget*> nodes_;
    int solo_ = kNoSolo;
};
