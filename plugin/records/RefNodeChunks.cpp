// The node record's chunks in the scene file: its stored values and the sizes of its reference tables.
#include "plugin/records/RefNode.h"

#include "plugin/anims/RefAnimChunks.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr USHORT kNodeLoadedChunk = 0x0007;
constexpr USHORT kReferencedNameChunk = 0x0008;
constexpr USHORT kFlagsChunk = 0x000A;
constexpr USHORT kOverriddenNameChunk = 0x000B;
constexpr USHORT kChildCountChunk = 0x000C;
constexpr USHORT kGroupingChunk = 0x000D;
constexpr USHORT kObjectOffsetChunk = 0x000E;
constexpr USHORT kSkinPoseChunk = 0x000F;
constexpr USHORT kWireColorChunk = 0x0010;
constexpr USHORT kDisplayChunk = 0x0011;
constexpr USHORT kRenderChunk = 0x0012;
constexpr USHORT kUserPropsChunk = 0x0013;
constexpr USHORT kBoneChunk = 0x0014;
constexpr USHORT kWSModCountChunk = 0x0015;
constexpr USHORT kOSModCountChunk = 0x0016;
constexpr USHORT kWSModChunk = 0x0017;
constexpr USHORT kOSModChunk = 0x0018;
constexpr USHORT kWSModEmptyChunk = 0x0019;
constexpr USHORT kOSModEmptyChunk = 0x001A;
constexpr USHORT kDeletedCountChunk = 0x001C;
constexpr USHORT kDeletedChunk = 0x001D;
constexpr USHORT kRenamedCountChunk = 0x001E;
constexpr USHORT kRenamedChunk = 0x001F;
constexpr USHORT kToggledCountChunk = 0x0020;
constexpr USHORT kToggledChunk = 0x0021;
constexpr USHORT kModCountersChunk = 0x0024;
constexpr USHORT kTMLocksChunk = 0x0028;
constexpr USHORT kLightCountChunk = 0x0029;
constexpr USHORT kObjectTypeChunk = 0x002A;
constexpr USHORT kSelectionSetsChunk = 0x002B;
constexpr USHORT kListingChunk = 0x002C;
// Inside a modifier entry's chunk, and inside the deleted, renamed and toggled entries.
constexpr USHORT kEntryFirst = 0x0000;
constexpr USHORT kEntrySecond = 0x0001;
constexpr USHORT kEntryThird = 0x0002;

// The display flags share one chunk.
constexpr DWORD kDisplayFlags =
    REFNODE_OVERRIDE_HIDDEN | REFNODE_OVERRIDE_FROZEN | REFNODE_OVERRIDE_DISPLAY_PROPS;
// The skin pose keeps its rotation as XYZ Euler angles: the rotation value's order word.
constexpr std::uint16_t kEulerXYZ = 0;

template <DWORD Mask> bool Overrides(const RefNode& n) { return (n.GetOverrideFlags() & Mask) != 0; }

// A count chunk followed by one container per entry, written through entry (nothing for an empty table).
template <class Table, class Entry> IOResult SaveTable(ISave* isave, USHORT countId, const Table& table, Entry entry) {
    if (table.empty()) return IO_OK;
    IOResult res = WriteValueChunk(isave, countId, static_cast<std::uint32_t>(table.size()));
    for (size_t k = 0; res == IO_OK && k < table.size(); ++k) res = entry(table[k]);
    return res;
}

// A container chunk whose sub-chunks fields writes.
template <class Fields> IOResult SaveContainer(ISave* isave, USHORT id, Fields fields) {
    isave->BeginChunk(id);
    const IOResult r = fields();
    const IOResult end = isave->EndChunk();
    return r != IO_OK ? r : end;
}

// The sub-chunks of one deletion, rename or toggle note.
IOResult WriteNote(ISave* s, const ModDeleted& m) {
    const IOResult r = WriteStringChunk(s, kEntryFirst, m.name);
    return r == IO_OK ? WriteValueChunk(s, kEntrySecond, m.index) : r;
}
IOResult WriteNote(ISave* s, const ModChangedName& m) {
    IOResult r = WriteStringChunk(s, kEntryFirst, m.oldName);
    if (r == IO_OK) r = WriteValueChunk(s, kEntrySecond, m.index);
    return r == IO_OK ? WriteStringChunk(s, kEntryThird, m.newName) : r;
}
IOResult WriteNote(ISave* s, const ModChangedToggles& m) {
    IOResult r = WriteStringChunk(s, kEntryFirst, m.name);
    if (r == IO_OK) r = WriteValueChunk(s, kEntrySecond, m.index);
    return r == IO_OK ? WriteValueChunk(s, kEntryThird, m.toggles) : r;
}

// A table of notes: its count, then one container per note (an empty one for a missing note).
template <USHORT EntryId, class Note> IOResult SaveNotes(ISave* s, USHORT countId, const std::vector<Note*>& table) {
    return SaveTable(s, countId, table, [s](const auto* m) {
        return SaveContainer(s, EntryId, [&] { return m ? WriteNote(s, *m) : IO_OK; });
    });
}

} // namespace

// One chunk per modifier entry after the count: the entry's values, or an empty chunk for an entry that
// is gone or, without the reference persisting, merely came from the file (its modifier comes back with
// the file, or through the mirror that keeps it while the content is out).
IOResult RefNode::SaveModifierEntries(ISave* isave, const SlimVector<RefModifier*>& table, USHORT countId,
                                      USHORT entryId, USHORT emptyId) const {
    const bool persist = PersistsReference();
    return SaveTable(isave, countId, table, [&](const RefModifier* m) {
        if (!m || (m->state == REFMOD_FROM_FILE && !persist)) return WriteValueChunk(isave, emptyId);
        return SaveContainer(isave, entryId, [&] {
            IOResult r = WriteValueChunk(isave, kEntryFirst, m->state);
            if (r == IO_OK) r = WriteStringChunk(isave, kEntrySecond, m->name);
            if (r == IO_OK && m->context) r = SaveModContextChunk(isave, *m->context, kEntryThird);
            return r;
        });
    });
}

// A table size read from its count chunk into one of the five tables SizeTablesForLoad grows. Entries
// announced by a count are references written after this record: a count the rest of the stream cannot
// hold is damage.
template <int Table> IOResult RefNode::LoadTableSize(ILoad* iload, RefNode& n) {
    const size_t left = iload->StreamBytesLeft();
    std::uint32_t count = 0;
    const IOResult res = ReadCount(iload, count, left);
    if (res != IO_OK) return res;
    int sizes[] = {n.NumChildren(), n.NumWSModifiers(), n.NumOSModifiers(), n.NumExcludingLights(),
                   n.NumListingObjects()};
    sizes[Table] = static_cast<int>(count);
    n.SizeTablesForLoad(sizes[0], sizes[1], sizes[2], sizes[3], sizes[4]);
    return IO_OK;
}

std::span<const ChunkField<RefNode>> RefNode::Fields() {
    using N = RefNode;
    auto noLoad = [](ILoad*, N&) { return IO_OK; };
    static const ChunkField<N> table[] = {
        StampField<N>(),
        ValueField<&N::nodeLoaded_>(kNodeLoadedChunk),
        StringField<&N::referencedName_>(kReferencedNameChunk),
        ValueField<&N::overrideFlags_>(kFlagsChunk),
        {kOverriddenNameChunk,
         [](ISave* s, USHORT id, const N& n) { return WriteStringChunk(s, id, n.Side().overriddenName); },
         [](ILoad* l, N& n) {
             const IOResult r = l->ReadWStringChunk(n.EditSide().overriddenName);
             n.TrimSide();
             return r;
         },
         Overrides<REFNODE_OVERRIDE_NAME>},
        {kChildCountChunk,
         [](ISave* s, USHORT id, const N& n) {
             return WriteValueChunk(s, id, static_cast<std::uint32_t>(n.children_.size()));
         },
         LoadTableSize<0>, [](const N& n) { return !n.children_.empty(); }},
        ValueField<&N::grouping_>(kGroupingChunk, Overrides<REFNODE_OVERRIDE_GROUPING>),
        // The offset, skin pose and user properties live in the side block: read through Side() (a fresh
        // block's values when there is none), loaded into the block, which goes again when what was read
        // leaves it holding nothing.
        {kObjectOffsetChunk,
         [](ISave* s, USHORT id, const N& n) {
             const RefNodeSideTables& side = n.Side();
             return WriteValueChunk(s, id, side.offsetPos, side.offsetRot, side.offsetScale);
         },
         [](ILoad* l, N& n) {
             RefNodeSideTables& side = n.EditSide();
             const IOResult r = ReadValues(l, side.offsetPos, side.offsetRot, side.offsetScale);
             n.TrimSide();
             return r;
         },
         Overrides<REFNODE_OVERRIDE_OBJECT_OFFSET>},
        // The rotation value: 16 bytes of rotation data (the angles and an unused fourth float), then the
        // order word and two bytes of padding.
        {kSkinPoseChunk,
         [](ISave* s, USHORT id, const N& n) {
             const RefNodeSideTables& side = n.Side();
             return WriteValueChunk(s, id, side.skinPos, side.skinRot, 0.0f, kEulerXYZ, std::uint16_t{0}, side.skinScale,
                                    side.skinScaleOrient);
         },
         [](ILoad* l, N& n) {
             float unused = 0;
             std::uint16_t order = 0;
             std::uint16_t padding = 0;
             RefNodeSideTables& side = n.EditSide();
             const IOResult r =
                 ReadValues(l, side.skinPos, side.skinRot, unused, order, padding, side.skinScale, side.skinScaleOrient);
             n.TrimSide();
             return r;
         },
         Overrides<REFNODE_OVERRIDE_SKIN_POSE>},
        ValueField<&N::wireColor_>(kWireColorChunk, Overrides<REFNODE_OVERRIDE_WIRE_COLOR>),
        ValueField<&N::displayWord_, &N::displayBytes_>(kDisplayChunk, Overrides<kDisplayFlags>),
        ValueField<&N::renderWord_, &N::renderValues_, &N::renderFloats_>(kRenderChunk,
                                                                         Overrides<REFNODE_OVERRIDE_RENDER_PROPS>),
        {kUserPropsChunk,
         [](ISave* s, USHORT id, const N& n) { return WriteStringChunk(s, id, n.Side().userProps); },
         [](ILoad* l, N& n) {
             const IOResult r = l->ReadWStringChunk(n.EditSide().userProps);
             n.TrimSide();
             return r;
         },
         Overrides<REFNODE_OVERRIDE_USER_PROPS>},
        ValueField<&N::boneByte_, &N::boneBytes_>(kBoneChunk, Overrides<REFNODE_OVERRIDE_BONE_PROPS>),
        ValueField<&N::transformLocks_>(kTMLocksChunk, Overrides<REFNODE_OVERRIDE_TM_LOCKS>),
        ValueField<&N::wsModCount_, &N::osModCount_>(kModCountersChunk,
                                                     [](const N& n) { return n.PersistsReference(); }),
        // The entry tables are sized from their counts, since their modifiers are references of the
        // layout; the entry chunks after each count are read by Load.
        {kWSModCountChunk,
         [](ISave* s, USHORT id, const N& n) {
             return n.SaveModifierEntries(s, n.wsMods_, id, kWSModChunk, kWSModEmptyChunk);
         },
         LoadTableSize<1>},
        {kOSModCountChunk,
         [](ISave* s, USHORT id, const N& n) {
             return n.SaveModifierEntries(s, n.osMods_, id, kOSModChunk, kOSModEmptyChunk);
         },
         LoadTableSize<2>},
        // The user's deletions, renames and toggles: a count, then one container per entry.
        {kDeletedCountChunk,
         [](ISave* s, USHORT id, const N& n) { return SaveNotes<kDeletedChunk>(s, id, n.Side().deletedMods); },
         noLoad},
        {kRenamedCountChunk,
         [](ISave* s, USHORT id, const N& n) { return SaveNotes<kRenamedChunk>(s, id, n.Side().renamedMods); },
         noLoad},
        {kToggledCountChunk,
         [](ISave* s, USHORT id, const N& n) { return SaveNotes<kToggledChunk>(s, id, n.Side().toggledMods); },
         noLoad},
        {kLightCountChunk,
         [](ISave* s, USHORT id, const N& n) {
             return WriteValueChunk(s, id, static_cast<std::uint32_t>(n.Side().excludingLights.size()));
         },
         LoadTableSize<3>},
        MirrorCountField<N>(),
        ValueField<&N::objectType_>(kObjectTypeChunk),
        {kSelectionSetsChunk,
         [](ISave* s, USHORT id, const N& n) { return WriteListChunk<std::uint32_t>(s, id, n.Side().selectionSets); },
         [](ILoad* l, N& n) { return ReadList<std::uint32_t>(l, n.EditSide().selectionSets); },
         Overrides<REFNODE_OVERRIDE_SELECTION_SETS>},
        {kListingChunk,
         [](ISave* s, USHORT id, const N& n) {
             s->BeginChunk(id);
             IOResult r = WriteValues(s, static_cast<std::uint32_t>(n.Side().listingObjects.size()));
             for (size_t k = 0; r == IO_OK && k < n.Side().listingObjects.size(); ++k)
                 r = WriteValues(s, k < n.Side().listingPositions.size() ? n.Side().listingPositions[k] : std::int32_t{0});
             const IOResult end = s->EndChunk();
             return r != IO_OK ? r : end;
         },
         [](ILoad* l, N& n) {
             const size_t inChunk = l->CurChunkLength() / 4;
             std::uint32_t count = 0;
             IOResult r = ReadCount(l, count, inChunk ? inChunk - 1 : 0);
             if (r != IO_OK) return r;
             n.SizeTablesForLoad(n.NumChildren(), n.NumWSModifiers(), n.NumOSModifiers(), n.NumExcludingLights(),
                                 static_cast<int>(count));
             for (size_t k = 0; r == IO_OK && k < count; ++k) r = ReadValues(l, n.EditSide().listingPositions[k]);
             return r;
         }},
    };
    return table;
}

void RefNode::PrefetchSaveRecord() const {
    constexpr size_t kLine = 64;
    const char* at = reinterpret_cast<const char*>(this);
    for (size_t offset = 0; offset < sizeof(RefNode); offset += kLine) __builtin_prefetch(at + offset);
}

void RefNode::PrefetchSaveBuffers() const {
    __builtin_prefetch(referencedName_.data());
    __builtin_prefetch(wsMods_.data());
    __builtin_prefetch(osMods_.data());
    if (side_) __builtin_prefetch(side_.get());
}

void RefNode::PrefetchSaveEntries() const {
    for (const SlimVector<RefModifier*>* table : {&wsMods_, &osMods_})
        for (const RefModifier* m : *table)
            if (m) __builtin_prefetch(&m->state);
}

IOResult RefNode::Save(ISave* isave) {
    // A scene writes its records one after another, each far from the last in memory: the helper asks for
    // the next ones' memory while this one is written. Without it (a save in another order), what the
    // chunks read behind the record's pointers is asked for before the first chunk, so those misses
    // overlap instead of following each other.
    if (IRecordHelper* helper = GetHelper()) helper->RecordSaving(this);
    PrefetchSaveBuffers();
    PrefetchSaveEntries();
    return SaveFields(isave, *this, Fields());
}

namespace {

// The sub-chunks of one deletion, rename or toggle note.
IOResult ReadNote(ILoad* l, ModDeleted& m) {
    return ForEachChunk(l, [&](USHORT id) {
        if (id == kEntryFirst) return l->ReadWStringChunk(m.name);
        return id == kEntrySecond ? ReadValues(l, m.index) : IO_OK;
    });
}
IOResult ReadNote(ILoad* l, ModChangedName& m) {
    return ForEachChunk(l, [&](USHORT id) {
        if (id == kEntryFirst) return l->ReadWStringChunk(m.oldName);
        if (id == kEntrySecond) return ReadValues(l, m.index);
        return id == kEntryThird ? l->ReadWStringChunk(m.newName) : IO_OK;
    });
}
IOResult ReadNote(ILoad* l, ModChangedToggles& m) {
    return ForEachChunk(l, [&](USHORT id) {
        if (id == kEntryFirst) return l->ReadWStringChunk(m.name);
        if (id == kEntrySecond) return ReadValues(l, m.index);
        return id == kEntryThird ? ReadValues(l, m.toggles) : IO_OK;
    });
}

// One note chunk appended to its table.
template <class Note> IOResult LoadNote(ILoad* l, std::vector<Note*>& table) {
    auto note = std::make_unique<Note>();
    const IOResult r = ReadNote(l, *note);
    if (r == IO_OK) table.push_back(note.release());
    return r;
}

// The values of one modifier entry.
IOResult LoadModifierEntry(ILoad* l, RefModifier& m) {
    return ForEachChunk(l, [&](USHORT id) {
        if (id == kEntryFirst) return ReadValues(l, m.state);
        if (id == kEntrySecond) return l->ReadWStringChunk(m.name);
        if (id != kEntryThird) return IO_OK;
        IOResult r = IO_OK;
        m.context.reset(LoadModContextChunk(l, r));
        return r;
    });
}

} // namespace

IOResult RefNode::Load(ILoad* iload) {
    // The entries follow their count chunk one by one, in table order: an entry chunk fills the next one
    // (an empty chunk leaves it null); an entry without its count is damage.
    size_t nextWS = 0;
    size_t nextOS = 0;
    auto entry = [&](SlimVector<RefModifier*>& table, size_t& next, bool empty) -> IOResult {
        if (next >= table.size()) return RefuseCount(iload, std::to_wstring(next + 1), 0, table.size(), false);
        RefModifier*& m = table[next++];
        if (empty) {
            delete m;
            m = nullptr;
            return IO_OK;
        }
        return m ? LoadModifierEntry(iload, *m) : IO_OK;
    };
    const IOResult res = LoadFields(iload, *this, Fields(), [&](USHORT id) -> IOResult {
        switch (id) {
        case kWSModChunk: return entry(wsMods_, nextWS, false);
        case kOSModChunk: return entry(osMods_, nextOS, false);
        case kWSModEmptyChunk: return entry(wsMods_, nextWS, true);
        case kOSModEmptyChunk: return entry(osMods_, nextOS, true);
        case kDeletedChunk: return LoadNote(iload, EditSide().deletedMods);
        case kRenamedChunk: return LoadNote(iload, EditSide().renamedMods);
        case kToggledChunk: return LoadNote(iload, EditSide().toggledMods);
        default: return IO_OK;
        }
    });
    if (res == IO_OK) {
        TrimSide();
        defaultsAfterLoad_.record = this;
        iload->RegisterPostLoadCallback(&defaultsAfterLoad_);
    } else {
        // Nothing of the record is referenced yet: the empty mirror slots and the entries made so far go.
        Clean(0);
        for (RefModifier*& m : wsMods_)
            delete m;
        for (RefModifier*& m : osMods_)
            delete m;
        wsMods_.clear();
        osMods_.clear();
    }
    return res;
}
