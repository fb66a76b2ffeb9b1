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
#include "plugin/frame/OperationCode.h"
#include "plugin/records/RefMaterial.h"
#include "plugin/records/RefNode.h"
#include "tests/plugin/PluginTestSupport.h"
#include "tests/support/SceneBuilder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

namespace {

constexpr Class_ID kAllTypesClass(0x7E57A11, 0x0B10C2);

// Two parameters of every plain type the mirror keeps ("<type>" changed locally, "<type>_file" left to the
// file), and tabs of values and of nodes.
ObjectClassDesc* AllTypesClass() {
    static ObjectClassDesc* cd = [] {
        ObjectClassDef def;
        def.classId = kAllTypesClass;
        def.className = L"AllTypes";
        def.blockName = L"allTypes";
        const std::pair<const MCHAR*, int> types[] = {
            {L"float", TYPE_FLOAT},   {L"int", TYPE_INT},        {L"bool", TYPE_BOOL},     {L"world", TYPE_WORLD},
            {L"angle", TYPE_ANGLE},   {L"percent", TYPE_PCNT_FRAC}, {L"colour", TYPE_RGBA}, {L"point3", TYPE_POINT3},
            {L"point4", TYPE_POINT4}, {L"string", TYPE_STRING},  {L"file", TYPE_FILENAME}, {L"matrix", TYPE_MATRIX3},
            {L"point2", TYPE_POINT2}};
        ParamID id = 0;
        static std::vector<WStr> fileNames;
        fileNames.reserve(std::size(types));
        for (const auto& [name, type] : types) {
            fileNames.push_back(WStr(name) + L"_file");
            def.params.push_back(MakeParam(id++, name, type, PB2Value(), 0));
            def.params.push_back(MakeParam(id++, fileNames.back().c_str(), type, PB2Value(), 0));
        }
        ParamDef floats = MakeParam(id++, L"floats", TYPE_FLOAT_TAB, PB2Value::Float(1.0f), 0);
        floats.tab_size = 3;
        def.params.push_back(floats);
        def.params.push_back(MakeParam(id++, L"nodes", TYPE_INODE_TAB, PB2Value(), 0));
        return RegisterGenericObjectClass(def);
    }();
    return cd;
}

// A value of any plain type that differs for each k.
void SetNth(IParamBlock2* pb, ParamID id, int tab, int k) {
    switch (base_type(pb->GetParameterType(id))) {
    case TYPE_INT: pb->SetValue(id, 0, k, tab); break;
    case TYPE_BOOL: pb->SetValue(id, 0, k % 2, tab); break;
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
IParamBlock2* ShaderBlock(INode* n) { return n->GetMtl()->GetParamBlockByID(std_shader_params); }
IParamBlock2* MapsBlock(INode* n) { return n->GetMtl()->GetParamBlockByID(std_maps_params); }
IParamBlock2* MapBlock(INode* n) { return n->GetMtl()->GetSubTexmap(ID_DI)->GetParamBlock(0); }

class RefAnimPblock2Test : public SceneFixture {
protected:
    void SetUp() override {
        SceneFixture::SetUp();
        AttachPluginForTests();
        AllTypesClass();
        SetCurrentOperation(OperationCode::None);
        dir_ = std::filesystem::temp_directory_path() /
               ("ostrivans-pblock2-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override {
        if (rec) rec->MaybeAutoDelete();
        SetCurrentOperation(OperationCode::None);
        SceneFixture::TearDown();
        std::filesystem::remove_all(dir_);
    }

    // Item01: an AllTypes object under a bend, with a standard material whose diffuse map is a bitmap;
    // Other01 and Other02 beside it. edit changes the file's own values before it is saved.
    MSTR WriteFile(const std::string& stem, const std::function<void(INode*)>& edit = {}) {
        auto* obj = static_cast<Object*>(static_cast<Animatable*>(AllTypesClass()->Create(FALSE)));
        INode* item = b.WithObject(obj, "Item01").Build();
        b.AddModifier(item, BEND_MODIFIER_CLASS_ID);
        Mtl* mtl = b.Standard("Mat01");
        mtl->SetSubTexmap(ID_DI, NewDefaultBitmapTex());
        item->SetMtl(mtl);
        INode* other1 = b.Box("Other01").Build();
        b.Box("Other02").Build();
        ReferenceTarget* node = other1;
        ObjectBlock(item)->Append(IdOf(ObjectBlock(item), L"nodes"), 1, &node);
        if (edit) edit(item);
        const MSTR path = WStr::FromUTF8((dir_ / (stem + ".max")).string());
        EXPECT_TRUE(GetCOREInterface()->SaveToFile(path.c_str(), false, false));
        GetCOREInterface()->FileReset(TRUE);
        return path;
    }
    // Merges the file and gives the merged node of that name (the newest one).
    INode* Merge(const MSTR& path, const MCHAR* name = L"Item01") {
        Interface* ip = GetCOREInterface();
        EXPECT_EQ(ip->MergeFromFile(path.c_str(), TRUE, FALSE, FALSE, MERGE_DUPS_MERGE, nullptr,
                                    MERGE_DUP_MTL_RENAME),
                  1);
        INode* found = nullptr;
        INode* root = ip->GetRootNode();
        for (int i = 0; i < root->NumberOfChildren(); ++i)
            if (WStr(root->GetChildNode(i)->GetName()) == name) found = root->GetChildNode(i);
        return found;
    }
    // The first load: the merged node and its record.
    INode* Load(const MSTR& path) {
        INode* n = Merge(path);
        rec = new RefNode(n, nullptr);
        rec->SetAFlag(A_LOCK_TARGET);
        return n;
    }
    // The file merged again, as a reload does it: the record collects, the host merges, the record moves
    // to the fresh node and puts the user's changes back.
    INode* Reload(const MSTR& path) {
        rec->Collect();
        INode* fresh = Merge(path);
        OperationCodeGuard load(OperationCode::Load);
        rec->Update(fresh);
        rec->FinishUpdate();
        return fresh;
    }
    // The block mirror of pb.
    RefAnimPblock2* MirrorOf(IParamBlock2* pb) {
        for (int i = 0; i < rec->NumMirrors(); ++i)
            if (auto* m = dynamic_cast<RefAnimPblock2*>(rec->GetMirror(i)); m && m->GetAnim() == pb) return m;
        return nullptr;
    }

    RefNode* rec = nullptr;
    std::filesystem::path dir_;
};

// Every plain type of an object, and values and tab elements of a modifier, a material and a map: the
// local value survives the file's own change of it, the neighbour the user left takes the file's new value.
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
                             {"object tab", ObjectBlock, L"floats", 2, L"floats", 0}};
    static std::vector<std::wstring> names;
    for (const MCHAR* t : {L"float", L"int", L"bool", L"world", L"angle", L"percent", L"colour", L"point3",
                           L"point4", L"string", L"file", L"matrix", L"point2"}) {
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

} // namespace
