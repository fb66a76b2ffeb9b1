// The Data Channel modifier's operator chain: edits with undo and messages, persistence and dump.
#include "host/scene/objects/DataChannelModifier.h"

namespace {

class OperatorsRestore : public RestoreObj {
public:
    OperatorsRestore(DataChannelModifier* m, std::vector<MSTR> before, std::vector<MSTR> after)
        : handle_(Animatable::GetHandleByAnim(m)), before_(std::move(before)), after_(std::move(after)) {}
    void Restore(int /*isUndo*/) override { Apply(before_); }
    void Redo() override { Apply(after_); }
    MSTR Description() override { return L"Data Channel Operators"; }

private:
    void Apply(const std::vector<MSTR>& ops) {
        if (auto* m = dynamic_cast<DataChannelModifier*>(Animatable::GetAnimByHandle(handle_))) m->ApplyOperators(ops);
    }
    AnimHandle handle_;
    std::vector<MSTR> before_, after_;
};

} // namespace

void DataChannelModifier::SetOperators(const std::vector<MSTR>& ops) {
    if (ops == operators_) return;
    if (theHold.Holding()) theHold.Put(new OperatorsRestore(this, operators_, ops));
    ApplyOperators(ops);
}

void DataChannelModifier::AppendOperator(const MSTR& type) {
    std::vector<MSTR> ops = operators_;
    ops.push_back(type);
    SetOperators(ops);
}

void DataChannelModifier::ApplyOperators(const std::vector<MSTR>& ops) {
    operators_ = ops;
    NotifyDependents(FOREVER, PART_ALL, REFMSG_CHANGE);
}

void DataChannelModifier::CopyOwnState(ConfiguredCore* to) {
    static_cast<DataChannelModifier*>(to)->operators_ = operators_;
}

IOResult DataChannelModifier::SaveOwn(ISave* isave) {
    isave->BeginChunk(kOperatorsChunk);
    for (const MSTR& op : operators_) WriteStringChunk(isave, kOperatorChunk, op);
    return isave->EndChunk();
}

IOResult DataChannelModifier::LoadOwnChunk(ILoad* iload) {
    if (iload->CurChunkID() != kOperatorsChunk) return IO_OK;
    std::vector<MSTR> ops;
    const IOResult res = ForEachChunk(iload, [&](USHORT id) {
        if (id != kOperatorChunk) return IO_OK;
        MSTR op;
        const IOResult r = iload->ReadWStringChunk(op);
        ops.push_back(op);
        return r;
    });
    if (res != IO_OK) return IO_ERROR;
    operators_ = std::move(ops);
    return IO_OK;
}

void DataChannelModifier::DumpOwn(std::ostream& os, int indent) {
    if (operators_.empty()) return;
    os << std::string(static_cast<size_t>(indent), ' ') << "operators:";
    for (const MSTR& op : operators_) os << " " << op;
    os << "\n";
}
