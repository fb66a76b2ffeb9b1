// The Data Channel modifier: an ordered chain of operators, each named by its operator type, that reads
// per-vertex data, changes it and writes it back.
#pragma once

#include "host/scene/objects/ConfiguredObject.h"

#include <vector>

// The chain is the modifier's own state (its block holds the display settings). Changing it puts a restore
// object while the hold is open and notifies REFMSG_CHANGE (PART_ALL); undo and redo notify again.
class DataChannelModifier : public ConfiguredModifier<Modifier> {
public:
    using ConfiguredModifier::ConfiguredModifier;

    const std::vector<MSTR>& GetOperators() const { return operators_; }
    void SetOperators(const std::vector<MSTR>& ops);
    void AppendOperator(const MSTR& type);
    // Sets the chain without a restore object (undo and redo).
    void ApplyOperators(const std::vector<MSTR>& ops);

    static constexpr USHORT kOperatorsChunk = 0x3E10;
    static constexpr USHORT kOperatorChunk = 0x3E11;

protected:
    void CopyOwnState(ConfiguredCore* to) override;
    IOResult SaveOwn(ISave* isave) override;
    IOResult LoadOwnChunk(ILoad* iload) override;
    void DumpOwn(std::ostream& os, int indent) override;

private:
    std::vector<MSTR> operators_;
};
