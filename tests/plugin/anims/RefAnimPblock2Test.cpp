// Parameter block mirrors across a merge of the file again: changed values and tab elements of objects,
// modifiers, materials and maps survive, tab resizes follow the mirror's mode, entries the fresh block
// cannot take are skipped, and entries come back exactly through undo, redo and chunks.
#include "host/core/Hold.h"
#include "host/scene/IDerivedObject.h"
#include "host/scene/IParamBlock.h"
#include "host/scene/IParamBlock2.h"
#include "host/scene/Interface.h"
#include "host/scene/Modifier.h"
#include "host/scene/Mtl.h"
#include "host/scene/Object.h"
#include "host/scene/materials/StdMaterial.h"
#include "host/scene/objects/ObjectClasses.h"
#include "plugin/anims/RefAnimBlockKinds.h"
#include "plugin/anims/RefAnimMtl.h"
#include "plugin/frame/OperationCode.h"
#include "plugin/records/RefMaterial.h"
#include "plugin/records/RefNode.h"
#include "tests/plugin/PluginTestSupport.h"
#include "tests/support/SceneBuilder.h"
#include "tests/support/ScratchDir.h"

#include <gtest/gtest.h>

#include "host/core/ChunkLoad.h"
#include "host/core/ChunkSave.h"

#include <functional>

namespace {

// Two parameters of every plain type the mirror keeps ("<type>" changed locally, "<type>_file" left to the
// file), and tabs of values and of nodes. The changed layout is what a later version of the file's class
// has: "float" became an integer and "int" is gone.
ObjectClassDesc* AllTypesClass(bool changedLayout = false) {
    static std::vector<WStr> names;
    const auto make = [](bool changed) {
        ObjectClassDef def;
        def.classId = Class_ID(0x7E57A11, changed ? 2 : 1);
        def.className = changed ? L"AllTypes2" : L"AllTypes";
        def.blockName = L"allTypes";
        const std::pair<const MCHAR*, int> types[] = {
            {L"float", changed ? TYPE_INT : TYPE_FLOAT}, {L"int", TYPE_INT}, {L"bool", TYPE_BOOL},
            {L"world", TYPE_WORLD}, {L"angle", TYPE_ANGLE}, {L"percent", TYPE_PCNT_FRAC}, {L"colour", TYPE_RGBA},
            {L"point3", TYPE_POINT3}, {L"point4", TYPE_POINT4}, {L"string", TYPE_STRING}, {L"file", TYPE_FILENAME},
            {L"matrix", TYPE_MATRIX3}, {L"point2", TYPE_POINT2}, {L"mtl", TYPE_MTL}};
        names.reserve(64);
        ParamID id = 0;
        for (const auto& [name, type] : types) {
            names.push_back(WStr(name) + L"_file");
            if (!(changed && WStr(name) == L"int")) def.params.push_back(MakeParam(id, name, type, PB2Value(), 0));
            def.params.push_back(MakeParam(static_cast<ParamID>(id + 1), names.back().c_str(), type, PB2Value(), 0));
            id = static_cast<ParamID>(id + 2);
        }
        ParamDef floats = MakeParam(id++, L"floats", TYPE_FLOAT_TAB, PB2Value::Float(1.0f), 0);
        floats.tab_size = 3;
        def.params.push_back(floats);
        def.params.push_back(MakeParam(id++, L"nodes", TYPE_INODE_TAB, PB2Value(), 0));
        return RegisterGenericObjectClass(def);
    };
    static ObjectClassDesc* const original = make(false);
    static ObjectClassDesc* const changed = make(true);
    return changedLayout ? changed : original;
}

// A value of any plain type that differs for each k; for maps and materials a new one, or none for k 7.
void SetNth(IParamBlock2* pb, ParamID id, int tab, int k) {
    switch (base_type(pb->GetParameterType(id))) {
    case TYPE_TEXMAP:
    case TYPE_MTL: {
        const bool map = base_type(pb->GetParameterType(id)) == TYPE_TEXMAP;
        MtlBase* m = k == 7 ? nullptr : map ? static_cast<MtlBase*>(NewDefaultBitmapTex()) : NewDefaultStdMat();
        if (m) m->SetName(L"made" + WStr::FromInt(k));
        pb->SetValue(id, 0, static_cast<ReferenceTarget*>(m), tab);
        break;
    }
    case TYPE_INT: pb->SetValue(id, 0, k, tab); break;
    case TYPE_BOOL: pb->SetValue(id, 0, (k + 1) % 2, tab); break;
    case TYPE_RGBA:
    case TYPE_POINT3:
    case TYPE_POINT2: pb->SetValue(id, 0, Point3(0.1f * static_cast<float>(k), 0.5f, 1.0f), tab); break;
    case TYPE_POINT4: pb->SetValue(id, 0, Point4(static_cast<float>(k), 1, 2, 3), tab); break;
    case TYPE_MATRIX3: {
        Matrix3 m(1);
        m.SetTrans(Point3(static_cast<float>(k), 0.0f, 0.0f));
        pb->SetValue(id, 0, m, tab);
        break;
    }
    case TYPE_STRING:
    case TYPE_FILENAME: pb->SetValue(id, 0, (L"wörter/" + WStr::FromInt(k)).c_str(), tab); break;
    default: pb->SetValue(id, 0, 0.25f + static_cast<float>(k), tab); break;
    }
}

ParamID IdOf(IParamBlock2* pb, const MCHAR* name) {
    for (int i = 0; i < pb->NumParams(); ++i)
        if (WStr(pb->GetParamDef(pb->IndextoID(i)).int_name) == name) return pb->IndextoID(i);
    ADD_FAILURE() << "no parameter " << WStr(name).ToUTF8();
    return -1;
}

// A parameter's value as text, read the way the mirror reads it.
std::string ValueOf(IParamBlock2* pb, const MCHAR* name, int tab) {
    const ParamID id = IdOf(pb, name);
    if (IsReferenceParamType(base_type(pb->GetParameterType(id)))) {
        ReferenceTarget* t = pb->GetReferenceTarget(id, 0, tab);
        return t ? DescribeAnimatable(t).ToUTF8() : "undefined";
    }
    Pblock2Param* e = NewParamEntryForType(base_type(pb->GetParameterType(id)), name, id, tab);
    e->Capture(pb);
    std::string s = e->ValueText();
    delete e;
    return s;
}

Object* BaseObject(INode* n) {
    return n->GetObjectRef()->FindBaseObject();
}

// The blocks the table reaches, from the node.
IParamBlock2* ObjectBlock(INode* n) { return BaseObject(n)->GetParamBlock(0); }
IParamBlock2* ModifierBlock(INode* n) {
    return static_cast<IDerivedObject*>(n->GetObjectRef())->GetModifier(0)->GetParamBlock(0);
}
IParamBlock2* MultiBlock(INode* n) { return n->GetMtl()->GetParamBlock(0); }
IParamBlock2* ShaderBlock(INode* n) { return n->GetMtl()->GetSubMtl(0)->GetParamBlockByID(std_shader_params); }
IParamBlock2* MapsBlock(INode* n) { return n->GetMtl()->GetSubMtl(0)->GetParamBlockByID(std_maps_params); }
IParamBlock2* MapBlock(INode* n) { return n->GetMtl()->GetSubMtl(0)->GetSubTexmap(ID_DI)->GetParamBlock(0); }
IParamBlock* LightBlock(INode* n) { return static_cast<IParamBlock*>(n->GetObjectRef()->GetReference(0)); }

std::string TabText(IParamBlock2* pb, const MCHAR* name) {
    std::string s;
    for (int k = 0; k < pb->Count(IdOf(pb, name)); ++k) s += (k ? " " : "") + ValueOf(pb, name, k);
    return s;
}

// A mirror's entries as one line: "name[tab]=value" each, then the tabs' counts; marked entries say so.
std::string EntriesText(const RefAnimPblock2& m) {
    std::string s;
    for (const Pblock2Param* e : m.GetOverriddenParams())
        s += e->name.ToUTF8() + "[" + std::to_string(e->tabIndex) + "]=" + e->ValueText() +
             (e->IsApplicable() ? "" : " (skipped)") + "; ";
    for (const Pblock2Param* e : m.GetOverriddenTabs()) s += e->name.ToUTF8() + " count " + e->ValueText() + "; ";
    return s;
}

// A mirror's chunks, loaded into back; empty when saving or loading fails.
std::vector<std::uint8_t> ChunksInto(RefAnim& m, RefAnim& back) {
    ChunkSave saved;
    if (m.Save(&saved) != IO_OK || saved.Commit() != IO_OK) return {};
    ChunkLoad load(saved.Bytes());
    return back.Load(&load) == IO_OK ? saved.TakeBytes() : std::vector<std::uint8_t>();
}

class RefAnimPblock2Test : public SceneFixture {
protected:
    void SetUp() override {
        SceneFixture::SetUp();
        AttachPluginForTests();
        AllTypesClass();
        SetCurrentOperation(OperationCode::None);
    }
    void TearDown() override {
        for (RefNode* r : records) {
            r->ClearAFlag(A_LOCK_TARGET);
            r->MaybeAutoDelete();
        }
        if (mtlRec) {
            mtlRec->ClearAFlag(A_LOCK_TARGET);
            mtlRec->MaybeAutoDelete();
            mtlRec = nullptr;
        }
        SetCurrentOperation(OperationCode::None);
        SceneFixture::TearDown();
    }

    // Item01: an AllTypes object under a bend, with a Multi/Sub-Object material whose first slot is a
    // standard material whose diffuse and bump maps are bitmaps;
    // Other01 and Other02 beside it. edit changes the file's own values before it is saved.
    MSTR WriteFile(const std::string& stem, const std::function<void(INode*)>& edit = {},
                   ObjectClassDesc* cls = AllTypesClass()) {
        auto* obj = static_cast<Object*>(static_cast<Animatable*>(cls->Create(FALSE)));
        INode* item = b.WithObject(obj, "Item01").Build();
        b.AddModifier(item, BEND_MODIFIER_CLASS_ID);
        Mtl* mtl = b.Standard("Mat01");
        mtl->SetSubTexmap(ID_DI, NewDefaultBitmapTex());
        mtl->SetSubTexmap(ID_BU, NewDefaultBitmapTex());
        Mtl* multi = NewDefaultMultiMtl();
        multi->SetSubMtl(0, mtl);
        item->SetMtl(multi);
        for (const MCHAR* name : {L"mtl", L"mtl_file"}) SetNth(ObjectBlock(item), IdOf(ObjectBlock(item), name), 0, 1);
        ReferenceTarget* others[] = {b.Box("Other01").Build(), b.Box("Other02").Build()};
        ObjectBlock(item)->Append(IdOf(ObjectBlock(item), L"nodes"), 2, others);
        b.WithObject(static_cast<Object*>(CreateInstance(LIGHT_CLASS_ID, OMNI_LIGHT_CLASS_ID)), "Lamp01").Build();
        if (edit) edit(item);
        const MSTR path = dir_.File(stem + ".max");
        EXPECT_TRUE(GetCOREInterface()->SaveToFile(path.c_str(), false, false));
        GetCOREInterface()->FileReset(TRUE);
        return path;
    }
    static void Merge(const MSTR& path) {
        EXPECT_EQ(GetCOREInterface()->MergeFromFile(path.c_str(), TRUE, FALSE, FALSE, MERGE_DUPS_MERGE, nullptr,
                                                    MERGE_DUP_MTL_RENAME),
                  1);
    }
    // The first load: the merged nodes and their records, and the record of the item's material; the
    // item's node.
    INode* Load(const MSTR& path) {
        Merge(path);
        mtlRec = new RefMaterial(Newest(kNames[0])->GetMtl(), nullptr);
        mtlRec->SetAFlag(A_LOCK_TARGET);
        for (const MCHAR* name : kNames) {
            records.push_back(new RefNode(Newest(name), nullptr));
            records.back()->SetAFlag(A_LOCK_TARGET);
        }
        rec = records[0];
        return rec->GetNode();
    }
    // The file merged again, as a reload does it: the records collect, the host merges, each record moves
    // to the fresh node of its name and puts the user's changes back.
    INode* Reload(const MSTR& path) {
        mtlRec->Collect();
        for (RefNode* r : records) r->Collect();
        Merge(path);
        OperationCodeGuard load(OperationCode::Load);
        mtlRec->Update(Newest(kNames[0])->GetMtl());
        for (size_t i = 0; i < records.size(); ++i) records[i]->Update(Newest(kNames[i]));
        for (RefNode* r : records) r->FinishUpdate();
        return rec->GetNode();
    }
    static INode* Newest(const MCHAR* name) {
        INode* found = nullptr;
        INode* root = GetCOREInterface()->GetRootNode();
        for (int i = 0; i < root->NumberOfChildren(); ++i)
            if (WStr(root->GetChildNode(i)->GetName()) == name) found = root->GetChildNode(i);
        return found;
    }
    // The block mirror of pb.
    RefAnimPblock2* MirrorOf(IParamBlock2* pb) {
        for (int i = 0; i < rec->NumMirrors(); ++i)
            if (auto* m = dynamic_cast<RefAnimPblock2*>(rec->GetMirror(i)); m && m->GetAnim() == pb) return m;
        return nullptr;
    }

    static constexpr const MCHAR* kNames[] = {L"Item01", L"Other01", L"Other02", L"Lamp01"};
    std::vector<RefNode*> records;
    RefNode* rec = nullptr;
    RefMaterial* mtlRec = nullptr;
    ScratchDir dir_{"ostrivans-pblock2"};
};

// Every plain type of an object, and values and tab elements of a modifier, a material and a map: the
// local value survives the file's own change of it, the neighbour the user left takes the file's new value.
// A map or material the user cleared stays cleared.
TEST_F(RefAnimPblock2Test, ChangedValuesSurviveTheMergeAndUntouchedOnesFollowTheFile) {
    struct Row {
        const char* what;
        IParamBlock2* (*block)(INode*);
        const MCHAR* local;
        int localTab;
        const MCHAR* untouched;
        int untouchedTab;
    };
    std::vector<Row> rows = {{"modifier", ModifierBlock, L"angle", 0, L"direction", 0},
                             {"material", ShaderBlock, L"diffuse", 0, L"ambient", 0},
                             {"material tab", MapsBlock, L"mapAmounts", 1, L"mapAmounts", 2},
                             {"map", MapBlock, L"fileName", 0, L"clipu", 0},
                             {"map cleared", MapsBlock, L"maps", ID_BU, L"maps", ID_SP},
                             {"multi slot name", MultiBlock, L"names", 1, L"names", 2},
                             {"multi slot cleared", MultiBlock, L"materialList", 2, L"materialList", 1},
                             {"object tab", ObjectBlock, L"floats", 2, L"floats", 0}};
    static std::vector<std::wstring> names;
    for (const MCHAR* t : {L"float", L"int", L"bool", L"world", L"angle", L"percent", L"colour", L"point3",
                           L"point4", L"string", L"file", L"matrix", L"point2", L"mtl"}) {
        names.push_back(t);
        names.push_back(std::wstring(t) + L"_file");
    }
    for (size_t i = 0; i < names.size(); i += 2)
        rows.push_back({"object", ObjectBlock, names[i].c_str(), 0, names[i + 1].c_str(), 0});
    std::vector<std::string> fileValues;
    const auto fileEdit = [&](INode* item) {
        for (const Row& r : rows) {
            IParamBlock2* pb = r.block(item);
            SetNth(pb, IdOf(pb, r.local), r.localTab, 2);
            SetNth(pb, IdOf(pb, r.untouched), r.untouchedTab, 2);
            fileValues.push_back(ValueOf(pb, r.untouched, r.untouchedTab));
        }
    };
    const MSTR v1 = WriteFile("v1");
    const MSTR v2 = WriteFile("v2", fileEdit);
    INode* item = Load(v1);
    std::vector<std::string> localValues;
    for (const Row& r : rows) {
        IParamBlock2* pb = r.block(item);
        Step([&] { SetNth(pb, IdOf(pb, r.local), r.localTab, 7); });
        localValues.push_back(ValueOf(pb, r.local, r.localTab));
    }
    INode* fresh = Reload(v2);
    ASSERT_NE(fresh, item);
    ASSERT_EQ(rec->GetNode(), fresh);
    for (size_t i = 0; i < rows.size(); ++i) {
        IParamBlock2* pb = rows[i].block(fresh);
        EXPECT_EQ(ValueOf(pb, rows[i].local, rows[i].localTab) + " | " +
                      ValueOf(pb, rows[i].untouched, rows[i].untouchedTab),
                  localValues[i] + " | " + fileValues[i])
            << rows[i].what << " " << WStr(rows[i].local).ToUTF8();
    }
}

// A tab resized and changed locally while the file's own tab grows or shrinks: the whole tab comes back
// (mode 1), only the changed elements do, those past the file's end skipped (mode 2), or the change goes
// to the block's owner, which is then kept whole (mode 0).
TEST_F(RefAnimPblock2Test, ResizedTabsFollowTheMirrorsMode) {
    struct Row {
        int mode;
        bool remove;
        int fileCount;
        std::string tab;
        std::string entries;
    };
    // The entries after the merge: a whole tab keeps every element it had, some of them past its count.
    const Row rows[] = {
        {1, true, 5, "7.25 1 9.25", "floats[0]=7.25; floats[1]=1; floats[2]=9.25; floats[3]=9.25 (skipped); floats count 3; "},
        {1, false, 2, "7.25 1 1 9.25", "floats[0]=7.25; floats[1]=1; floats[2]=1; floats[3]=9.25; floats count 4; "},
        {2, false, 5, "7.25 2.25 2.25 9.25 2.25", "floats[0]=7.25; floats[3]=9.25; "},
        {2, false, 2, "7.25 2.25", "floats[0]=7.25; floats[3]=9.25 (skipped); "},
        {0, false, 5, "", ""},
    };
    for (const Row& row : rows) {
        const MSTR v1 = WriteFile("v1");
        const MSTR v2 = WriteFile("v2", [&](INode* item) {
            IParamBlock2* pb = ObjectBlock(item);
            const ParamID id = IdOf(pb, L"floats");
            pb->SetCount(id, row.fileCount);
            for (int k = 0; k < row.fileCount; ++k) SetNth(pb, id, k, 2);
        });
        INode* item = Load(v1);
        IParamBlock2* pb = ObjectBlock(item);
        RefAnimPblock2* m = MirrorOf(pb);
        ASSERT_TRUE(m);
        m->SetTabResizeOverride(row.mode);
        const ParamID id = IdOf(pb, L"floats");
        Step([&] { SetNth(pb, id, 0, 7); });
        Step([&] {
            const float added = 9.25f;
            pb->Append(id, 1, &added);
        });
        if (row.remove) Step([&] { pb->Delete(id, 2, 1); });
        const std::string table = MirrorTable(rec);
        INode* fresh = Reload(v2);
        if (row.mode == 0) {
            // The block's owner now carries the change, and the block's mirror no longer stands for it.
            const size_t block = table.find("RefAnimPblock2 Object/Object/allTypes #4.2.2 state 2\n");
            EXPECT_TRUE(block != std::string::npos && table.find("RefAnim Object/Object #4.2 state 2\n", block) != std::string::npos)
                << table;
        } else {
            EXPECT_EQ(TabText(ObjectBlock(fresh), L"floats"), row.tab) << row.mode << " " << row.fileCount;
            EXPECT_EQ(EntriesText(*m), row.entries) << row.mode << " " << row.fileCount;
        }
        TearDown();
        records.clear();
        SetUp();
    }
}

// Node tab elements: the one the user pointed at another referenced node and the one the file set both
// point at the fresh nodes after the merge.
TEST_F(RefAnimPblock2Test, NodeTabElementsPointAtTheFreshNodes) {
    const MSTR v1 = WriteFile("v1");
    INode* item = Load(v1);
    IParamBlock2* pb = ObjectBlock(item);
    Step([&] { pb->SetValue(IdOf(pb, L"nodes"), 0, records[2]->GetNode(), 0); });
    INode* fresh = Reload(v1);
    IParamBlock2* freshBlock = ObjectBlock(fresh);
    const ParamID id = IdOf(freshBlock, L"nodes");
    EXPECT_TRUE(freshBlock->GetINode(id, 0, 0) == records[2]->GetNode() &&
                freshBlock->GetINode(id, 0, 1) == records[2]->GetNode());
    EXPECT_EQ(GetCOREInterface()->GetRootNode()->NumberOfChildren(), 4);
}

// A parameter whose type changed in the file, and one the file no longer has, are skipped and say so;
// the other changes still arrive.
TEST_F(RefAnimPblock2Test, EntriesTheFreshBlockCannotTakeAreSkipped) {
    const MSTR v1 = WriteFile("v1");
    const MSTR v2 = WriteFile("v2", {}, AllTypesClass(true));
    IParamBlock2* pb = ObjectBlock(Load(v1));
    for (const MCHAR* name : {L"float", L"int", L"string"}) Step([&] { SetNth(pb, IdOf(pb, name), 0, 7); });
    RefAnimPblock2* m = MirrorOf(pb);
    IParamBlock2* fresh = ObjectBlock(Reload(v2));
    EXPECT_EQ(ValueOf(fresh, L"string", 0) + " " + ValueOf(fresh, L"float", 0), "\"wörter/7\" 0");
    EXPECT_EQ(EntriesText(*m), "float[0]=7.25 (skipped); int[0]=7 (skipped); string[0]=\"wörter/7\"; ");
    const std::string dump = m->Describe().ToUTF8();
    EXPECT_NE(dump.find("\nOverridden Params: -1:0 (float not applied),-1:0 (int not applied),18:0,"), std::string::npos)
        << dump;
}

// A block with more reference parameters than the mirror notes on its stack while it records them: a
// target put into the first or the last one is seen and gets its Replaced mirror.
TEST_F(RefAnimPblock2Test, TargetsPutIntoAnyParameterOfAWideBlockAreSeen) {
    static ObjectClassDesc* const wide = [] {
        ObjectClassDef def;
        def.classId = Class_ID(0x7E57A11, 3);
        def.className = L"WideRefs";
        def.blockName = L"wideRefs";
        // The definitions point at their names until the class is registered.
        std::vector<WStr> names;
        for (ParamID id = 0; id < 40; ++id) names.push_back(L"node" + WStr::FromInt(id));
        for (ParamID id = 0; id < 40; ++id)
            def.params.push_back(MakeParam(id, names[id].c_str(), TYPE_INODE, PB2Value(), 0));
        return RegisterGenericObjectClass(def);
    }();
    INode* item = b.WithObject(static_cast<Object*>(static_cast<Animatable*>(wide->Create(FALSE))), "Wide01").Build();
    INode* other = b.Box("Other01").Build();
    rec = new RefNode(item, nullptr);
    rec->SetAFlag(A_LOCK_TARGET);
    records.push_back(rec);
    IParamBlock2* pb = ObjectBlock(item);
    ASSERT_TRUE(MirrorOf(pb));
    for (ParamID id : {ParamID(0), ParamID(39)}) Step([&] { pb->SetValue(id, 0, other, 0); });
    const std::string table = MirrorTable(rec);
    for (const char* place : {".1 state 1\n", ".40 state 1\n"}) EXPECT_NE(table.find(place), std::string::npos) << table;
}

// Undo and redo of the changes give back the entry table as it was after each step, the same entries.
TEST_F(RefAnimPblock2Test, UndoAndRedoGiveBackTheEntryTable) {
    IParamBlock2* pb = ObjectBlock(Load(WriteFile("v1")));
    RefAnimPblock2* m = MirrorOf(pb);
    std::vector<std::string> after = {EntriesText(*m)};
    const std::pair<const MCHAR*, int> edits[] = {{L"float", 3}, {L"float", 4}, {L"colour", 5}, {L"floats", 6}};
    for (const auto& [name, k] : edits) {
        Step([&] { SetNth(pb, IdOf(pb, name), 1, k); });
        after.push_back(EntriesText(*m) + " state " + std::to_string(m->GetOverriddenState()));
    }
    after[0] += " state 0";
    const std::vector<Pblock2Param*> entries = m->GetOverriddenParams();
    for (size_t i = after.size() - 1; i > 0; --i) {
        ASSERT_TRUE(theHold.Undo());
        EXPECT_EQ(EntriesText(*m) + " state " + std::to_string(m->GetOverriddenState()), after[i - 1]);
    }
    for (size_t i = 1; i < after.size(); ++i) {
        ASSERT_TRUE(theHold.Redo());
        EXPECT_EQ(EntriesText(*m) + " state " + std::to_string(m->GetOverriddenState()), after[i]);
    }
    EXPECT_EQ(m->GetOverriddenParams(), entries);
}

// Entries of every type, a tab count and the mode go through the mirror's chunks and come back the same,
// names and texts beyond ASCII included.
TEST_F(RefAnimPblock2Test, EveryEntryTypeRoundTripsThroughTheChunks) {
    IParamBlock2* pb = ObjectBlock(Load(WriteFile("v1")));
    RefAnimPblock2* m = MirrorOf(pb);
    m->SetTabResizeOverride(1);
    for (int i = 0; i < pb->NumParams(); ++i)
        if (!is_tab(pb->GetParameterType(pb->IndextoID(i)))) SetNth(pb, pb->IndextoID(i), 0, 4);
    SetNth(pb, IdOf(pb, L"floats"), 1, 4);
    const float more = 5.0f;
    pb->Append(IdOf(pb, L"floats"), 1, &more);
    ReferenceTarget* node = records[1]->GetNode();
    pb->Append(IdOf(pb, L"nodes"), 1, &node);
    RefAnimPblock2 back(TRUE), again(TRUE);
    const std::vector<std::uint8_t> saved = ChunksInto(*m, back);
    ASSERT_FALSE(saved.empty());
    EXPECT_EQ(EntriesText(back), EntriesText(*m));
    EXPECT_EQ(back.GetKindID(), KIND_PBLOCK2_WHOLE_TAB);
    // 26 plain values and the tab's four elements.
    EXPECT_EQ(m->GetOverriddenParams().size(), 30u);
    EXPECT_EQ(ChunksInto(back, again), saved);
}

// The older block of a light: changed values come back by parameter number, the untouched one follows
// the file.
TEST_F(RefAnimPblock2Test, OlderBlocksKeepChangedValuesByNumber) {
    const MSTR v1 = WriteFile("v1");
    const MSTR v2 = WriteFile("v2", [](INode*) {
        IParamBlock* pb = LightBlock(Newest(L"Lamp01"));
        pb->SetValue(1, 0, 3.0f);
        pb->SetValue(2, 0, 0.5f);
    });
    Load(v1);
    IParamBlock* pb = LightBlock(records[3]->GetNode());
    Step([&] { pb->SetValue(1, 0, 2.5f); });
    Step([&] { pb->SetValue(0, 0, Point3(1, 0, 0)); });
    Reload(v2);
    IParamBlock* fresh = LightBlock(records[3]->GetNode());
    ASSERT_NE(fresh, pb);
    float multiplier = 0, contrast = 0;
    Point3 colour;
    Interval iv = FOREVER;
    fresh->GetValue(1, 0, multiplier, iv);
    fresh->GetValue(2, 0, contrast, iv);
    fresh->GetValue(0, 0, colour, iv);
    EXPECT_EQ(std::to_string(multiplier) + " " + std::to_string(contrast) + " " + std::to_string(colour.x) +
                  std::to_string(colour.y),
              "2.500000 0.500000 1.0000000.000000");
}

// A sub-material's own properties: those the user changed come back on the fresh material, the others
// follow the file; the mirror's chunks give the same record back.
TEST_F(RefAnimPblock2Test, MaterialPropertiesTheUserChangedSurviveTheMerge) {
    const MSTR v1 = WriteFile("v1");
    const MSTR v2 = WriteFile("v2", [](INode* item) {
        item->GetMtl()->GetSubMtl(0)->SetMtlFlag(MTL_BGROUND);
        item->GetMtl()->GetSubMtl(0)->SetGBufID(2);
    });
    Mtl* mtl = Load(v1)->GetMtl()->GetSubMtl(0);
    Step([&] {
        mtl->SetGBufID(5);
        mtl->SetMtlFlag(MTL_BACKLIGHT);
    });
    Mtl* fresh = Reload(v2)->GetMtl()->GetSubMtl(0);
    ASSERT_NE(fresh, mtl);
    EXPECT_EQ(std::to_string(fresh->GetGBufID()) + " " + std::to_string(fresh->TestMtlFlag(MTL_BACKLIGHT)) + " " +
                  std::to_string(fresh->TestMtlFlag(MTL_BGROUND)),
              "5 1 1");
    RefAnimMtl* m = nullptr;
    for (int i = 0; i < mtlRec->NumMirrors() && !m; ++i)
        if (auto* k = dynamic_cast<RefAnimMtl*>(mtlRec->GetMirror(i)); k && k->GetAnim() == fresh) m = k;
    ASSERT_TRUE(m);
    EXPECT_NE(m->Describe().ToUTF8().find("\nMtl overrides: backlight, id, "), std::string::npos) << m->Describe().ToUTF8();
    RefAnimMtl back(TRUE), again(TRUE);
    const std::vector<std::uint8_t> saved = ChunksInto(*m, back);
    EXPECT_EQ(back.GetPropertyMask(), m->GetPropertyMask());
    EXPECT_EQ(ChunksInto(back, again), saved);
}

} // namespace
