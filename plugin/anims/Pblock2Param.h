// The entries of a parameter-block-2 mirror: one plain value the user changed (a parameter or one element
// of a tab), or the element count of a tab the user resized, kept by value so that it can be written into
// a freshly merged block.
#pragma once

#include "host/core/ChunkIO.h"
#include "host/core/WStr.h"
#include "host/scene/IParamBlock2.h"

#include <cstdint>
#include <string>

// The type tag each entry class saves, so a load makes the same class again.
enum Pblock2ParamTag : std::int32_t {
    PB2PARAM_NONE = 0,
    PB2PARAM_POINT3 = 1,
    PB2PARAM_POINT4 = 2,
    PB2PARAM_INT = 3,
    PB2PARAM_FLOAT = 4,
    PB2PARAM_MATRIX3 = 5,
    PB2PARAM_STRING = 6,
    PB2PARAM_BITMAP = 7,
    PB2PARAM_TAB = 8,
    PB2PARAM_POINT2 = 9,
};

// Where an entry's parameter stands in a block: whether it (and the entry's element) is there, its base
// type and whether it is a tab.
struct Pblock2ParamLookup {
    bool found = false;
    int baseType = -1;
    bool isTab = false;
};

// Whether parameter id of pb is one the user sees and can change: defined and not hidden by its class.
bool IsUserParam(IParamBlock2* pb, ParamID id);
// The parameter's internal name, else the host's name for it.
WStr ParamEntryName(IParamBlock2* pb, ParamID id);
// The reference-valued base types: material, map, node, reference target, parameter block and the two
// newer reference types.
inline bool IsReferenceParamType(int baseType) {
    return baseType == TYPE_MTL || baseType == TYPE_TEXMAP || baseType == TYPE_INODE || baseType == TYPE_REFTARG ||
           baseType == TYPE_PBLOCK2 || baseType == 54 || baseType == 55;
}

// The base of the family, also what a load makes of an unknown tag: a header and no value.
class Pblock2Param {
public:
    Pblock2Param() = default;
    Pblock2Param(WStr name, ParamID id, int tabIndex) : name(std::move(name)), paramID(id), tabIndex(tabIndex) {}
    virtual ~Pblock2Param() = default;
    Pblock2Param(const Pblock2Param&) = delete;
    Pblock2Param& operator=(const Pblock2Param&) = delete;

    virtual std::int32_t TypeTag() const { return PB2PARAM_NONE; }
    // The entry's chunks: 0 the name, 1 the parameter id and tab index, 2 the value.
    IOResult Load(ILoad* iload);
    IOResult Save(ISave* isave);
    virtual IOResult LoadValue(ILoad* /*iload*/) { return IO_OK; }
    virtual IOResult SaveValue(ISave* /*isave*/) { return IO_OK; }
    // Reads the value at time 0 from pb by parameter id and tab index.
    virtual void Capture(IParamBlock2* /*pb*/) {}
    // Writes the value into pb; an entry that cannot be applied there is marked and skipped from then on.
    virtual void Apply(IParamBlock2* /*pb*/) {}
    virtual Pblock2Param* Clone() const;
    void CopyHeader(const Pblock2Param& from);
    // The value as dumps show it.
    virtual std::string ValueText() const { return ""; }

    // Finds the entry's parameter in pb: by id when that id still carries the entry's name, else the first
    // parameter of that name (whose id the entry takes); a parameter the user cannot see counts as gone.
    // Not found marks the entry.
    Pblock2ParamLookup FindParam(IParamBlock2* pb);
    bool IsApplicable() const { return paramID >= 0; }
    void Mark() { paramID = -1; }

    WStr name;
    std::int32_t paramID = -1; // -1: failed to apply, skipped from then on
    std::int32_t tabIndex = 0; // the element; 0 for a plain parameter, -1 for a tab's count
};

// A new entry of the value class that keeps parameters of baseType; null for types kept otherwise
// (reference values) or not at all.
Pblock2Param* NewParamEntryForType(int baseType, WStr name, ParamID id, int tabIndex);
// A new, empty entry of the class a saved type tag names (the base class for an unknown tag).
Pblock2Param* NewParamEntryForTag(std::int32_t tag);

// A tab's element count and base type.
class TabParam : public Pblock2Param {
public:
    TabParam() = default;
    TabParam(WStr name, ParamID id) : Pblock2Param(std::move(name), id, -1) {}
    std::int32_t TypeTag() const override { return PB2PARAM_TAB; }
    IOResult LoadValue(ILoad* iload) override;
    IOResult SaveValue(ISave* isave) override;
    void Capture(IParamBlock2* pb) override;
    // Sets the fresh tab's count when its base type is still the stored one.
    void Apply(IParamBlock2* pb) override;
    Pblock2Param* Clone() const override;
    std::string ValueText() const override { return std::to_string(count); }

    std::int32_t count = 0;
    std::int32_t baseType = 0;
};
