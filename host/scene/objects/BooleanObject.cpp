// The Boolean compound object's operand list: edits with undo and messages, references, persistence, dump.
#include "host/scene/objects/BooleanObject.h"

#include "host/core/MaxException.h"
#include "host/scene/INode.h"

#include <string>

namespace {

const BooleanOperand kNoOperand;

// The table and solo index before and after an edit. A growing table is recorded before its references
// are set, so undo drops the references first and then the entries, and redo does the reverse.
class BooleanOperandsRestore : public RestoreObj {
public:
    BooleanOperandsRestore(BooleanObject* b, std::vector<BooleanOperand> before, int soloBefore,
                           std::vector<BooleanOperand> after, int soloAfter)
        : handle_(Animatable::GetHandleByAnim(b)), before_(std::move(before)), after_(std::move(after)),
          soloBefore_(soloBefore), soloAfter_(soloAfter) {}
    void Restore(int /*isUndo*/) override { Apply(before_, soloBefore_); }
    void Redo() override { Apply(after_, soloAfter_); }
    MSTR Description() override { return L"Boolean Operands"; }

private:
    void Apply(const std::vector<BooleanOperand>& ops, int solo) {
        if (auto* b = dynamic_cast<BooleanObject*>(Animatable::GetAnimByHandle(handle_))) b->ApplyOperands(ops, solo);
    }
    AnimHandle handle_;
    std::vector<BooleanOperand> before_, after_;
    int soloBefore_, soloAfter_;
};

} // namespace

BooleanObject::~BooleanObject() {
    // The base destructor no longer sees the operand slots.
    DeleteAllRefs();
}

const BooleanOperand& BooleanObject::GetOperand(int i) const {
    return i >= 0 && i < NumOperands() ? operands_[static_cast<size_t>(i)] : kNoOperand;
}

Object* BooleanObject::GetOperandObject(int i) const {
    return i >= 0 && i < NumOperands() ? static_cast<Object*>(objects_[static_cast<size_t>(i)]) : nullptr;
}

INode* BooleanObject::GetOperandNode(int i) const {
    return i >= 0 && i < NumOperands() ? static_cast<INode*>(nodes_[static_cast<size_t>(i)]) : nullptr;
}

void BooleanObject::CheckIndex(int i, const MCHAR* what) const {
    if (i < 0 || i >= NumOperands())
        throw MAXException(MSTR(L"Boolean: ") + what + L" " + std::to_wstring(i) + L" is out of range 0.." +
                           std::to_wstring(NumOperands() - 1));
}

void BooleanObject::Change(std::vector<BooleanOperand> after, int solo) {
    if (after == operands_ && solo == solo_) return;
    if (theHold.Holding()) theHold.Put(new BooleanOperandsRestore(this, operands_, solo_, after, solo));
    ApplyOperands(after, solo);
}

void BooleanObject::ApplyOperands(const std::vector<BooleanOperand>& operands, int solo) {
    const size_t n = operands.size();
    // Entries that go lose their references first (an undo of an append finds them already dropped).
    for (size_t k = n; k < operands_.size(); ++k) {
        if (objects_[k]) ReplaceReference(ObjectRef(static_cast<int>(k)), nullptr);
        if (nodes_[k]) ReplaceReference(ObjectRef(static_cast<int>(k)) + 1, nullptr);
    }
    operands_ = operands;
    objects_.resize(n, nullptr);
    nodes_.resize(n, nullptr);
    solo_ = solo;
    NotifyDependents(FOREVER, PART_ALL, REFMSG_CHANGE);
}

int BooleanObject::AppendOperand(INode* node, int operation) {
    Object* obj = node ? node->GetObjectRef() : nullptr;
    if (!obj || obj == this || (operation < kBoolUnion || operation > kBoolInsert)) return -1;
    std::vector<BooleanOperand> after = operands_;
    after.push_back({MSTR(node->GetName()), operation, TRUE});
    const int k = NumOperands();
    Change(std::move(after), solo_);
    ReplaceReference(ObjectRef(k), obj);
    ReplaceReference(ObjectRef(k) + 1, node);
    NotifyDependents(FOREVER, PART_ALL, REFMSG_CHANGE);
    return k;
}

void BooleanObject::SetOperandOperation(int i, int operation) {
    CheckIndex(i, L"operand");
    if (operation < kBoolUnion || operation > kBoolInsert)
        throw MAXException(L"Boolean: operation " + std::to_wstring(operation) + L" is out of range 0..5");
    std::vector<BooleanOperand> after = operands_;
    after[static_cast<size_t>(i)].operation = operation;
    Change(std::move(after), solo_);
}

void BooleanObject::SetOperandActive(int i, BOOL active) {
    CheckIndex(i, L"operand");
    std::vector<BooleanOperand> after = operands_;
    after[static_cast<size_t>(i)].active = active ? TRUE : FALSE;
    Change(std::move(after), solo_);
}

void BooleanObject::SetOperandName(int i, const MSTR& name) {
    CheckIndex(i, L"operand");
    std::vector<BooleanOperand> after = operands_;
    after[static_cast<size_t>(i)].name = name;
    Change(std::move(after), solo_);
}

void BooleanObject::SetSoloIndex(int i) {
    if (i != kNoSolo) CheckIndex(i, L"solo index");
    Change(operands_, i);
}

RefTargetHandle BooleanObject::GetReference(int i) {
    const int k = i - BlockRefs();
    if (k < 0) return ConfiguredObject<GeomObject>::GetReference(i);
    if (k >= 2 * NumOperands()) return nullptr;
    return (k % 2 ? nodes_ : objects_)[static_cast<size_t>(k / 2)];
}

void BooleanObject::SetReference(int i, RefTargetHandle t) {
    const int k = i - BlockRefs();
    if (k < 0) {
        ConfiguredObject<GeomObject>::SetReference(i, t);
        return;
    }
    if (k < 2 * NumOperands()) (k % 2 ? nodes_ : objects_)[static_cast<size_t>(k / 2)] = t;
}

BOOL BooleanObject::IsRealDependency(ReferenceTarget* t) {
    for (ReferenceTarget* n : nodes_)
        if (t && n == t) return FALSE;
    return TRUE;
}

Animatable* BooleanObject::SubAnim(int i) {
    const int k = i - BlockRefs();
    return k >= 0 ? GetOperandObject(k) : ConfiguredObject<GeomObject>::SubAnim(i);
}

MSTR BooleanObject::SubAnimName(int i, bool localized) {
    const int k = i - BlockRefs();
    return k >= 0 ? GetOperand(k).name : ConfiguredObject<GeomObject>::SubAnimName(i, localized);
}

int BooleanObject::SubNumToRefNum(int subNum) {
    const int k = subNum - BlockRefs();
    if (k < 0) return ConfiguredObject<GeomObject>::SubNumToRefNum(subNum);
    return k < NumOperands() ? ObjectRef(k) : -1;
}

RefTargetHandle BooleanObject::Clone(RemapDir& remap) {
    auto* to = dynamic_cast<BooleanObject*>(static_cast<Animatable*>(ConfiguredObject<GeomObject>::Clone(remap)));
    if (!to) return nullptr;
    to->ApplyOperands(operands_, solo_);
    for (int k = 0; k < NumOperands(); ++k) {
        if (objects_[static_cast<size_t>(k)]) to->ReplaceReference(ObjectRef(k), remap.CloneRef(objects_[static_cast<size_t>(k)]));
        // The node is a scene item outside the clone: the copy names the same one.
        if (nodes_[static_cast<size_t>(k)]) to->ReplaceReference(ObjectRef(k) + 1, nodes_[static_cast<size_t>(k)]);
    }
    return to;
}

IOResult BooleanObject::SaveOwn(ISave* isave) {
    isave->BeginChunk(kOperandsChunk);
    for (const BooleanOperand& op : operands_) {
        isave->BeginChunk(kOperandChunk);
        if (WriteValueChunk(isave, kOperandChunk, op.operation, static_cast<int>(op.active)) != IO_OK) return IO_ERROR;
        if (WriteStringChunk(isave, kOperandNameChunk, op.name) != IO_OK) return IO_ERROR;
        if (isave->EndChunk() != IO_OK) return IO_ERROR;
    }
    if (WriteValueChunk(isave, kSoloChunk, solo_) != IO_OK) return IO_ERROR;
    return isave->EndChunk();
}

IOResult BooleanObject::LoadOwnChunk(ILoad* iload) {
    if (iload->CurChunkID() != kOperandsChunk) return IO_OK;
    std::vector<BooleanOperand> ops;
    int solo = kNoSolo;
    const IOResult res = ForEachChunk(iload, [&](USHORT id) -> IOResult {
        if (id == kSoloChunk) return ReadValues(iload, solo);
        if (id != kOperandChunk) return IO_OK;
        BooleanOperand op;
        const IOResult r = ForEachChunk(iload, [&](USHORT sub) -> IOResult {
            if (sub == kOperandNameChunk) return iload->ReadWStringChunk(op.name);
            if (sub != kOperandChunk) return IO_OK;
            int active = 1;
            const IOResult v = ReadValues(iload, op.operation, active);
            op.active = active ? TRUE : FALSE;
            return v;
        });
        ops.push_back(op);
        return r;
    });
    if (res != IO_OK) return IO_ERROR;
    // The references come after Load: the table is sized for them here.
    operands_ = std::move(ops);
    objects_.assign(operands_.size(), nullptr);
    nodes_.assign(operands_.size(), nullptr);
    solo_ = solo >= kNoSolo && solo < NumOperands() ? solo : kNoSolo;
    return IO_OK;
}

void BooleanObject::DumpOwn(std::ostream& os, int indent) {
    const std::string pad(static_cast<size_t>(indent), ' ');
    for (int k = 0; k < NumOperands(); ++k) {
        const BooleanOperand& op = operands_[static_cast<size_t>(k)];
        os << pad << "operand " << k << " \"" << op.name << "\" operation " << op.operation
           << (op.active ? " on" : " off") << " node " << DumpTargetName(nodes_[static_cast<size_t>(k)]) << "\n";
    }
    if (solo_ != kNoSolo) os << pad << "solo " << solo_ << "\n";
}
