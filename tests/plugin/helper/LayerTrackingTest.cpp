// The layers of a reference: folded, prefixed, renamed and restored through reloads and a saved scene,
// released by dismiss, kept by merge; and the failure report of their processing.
#include "tests/plugin/helper/HelperTestSupport.h"

namespace {

// The scene's layers after "0" as "Walls<Building[Wall01,Mine]", then the helper's layer records as
// "file name=layer" and its renamed layers as "file>local" (with * when the local name is taken whole).
std::string LayerState(const MCHAR* helperName) {
    Interface* ip = GetCOREInterface();
    ILayerManager* lm = ip->GetLayerManager();
    std::string s;
    for (int i = 1; i < lm->GetLayerCount(); ++i) {
        ILayer* l = lm->GetLayer(i);
        s += l->GetName().ToUTF8() + (l->GetParentLayer() ? "<" + l->GetParentLayer()->GetName().ToUTF8() : "") + "[";
        INodeTab nodes;
        l->Nodes(nodes);
        for (int k = 0; k < nodes.Count(); ++k) s += (k ? "," : "") + WStr(nodes[k]->GetName()).ToUTF8();
        s += "] ";
    }
    INode* node = ip->GetINodeByName(helperName);
    auto* h = node ? dynamic_cast<OstrivansHelper*>(node->GetObjectRef()) : nullptr;
    if (!h) return s + "| no helper";
    s += "| tracked";
    for (int k = 0; k < h->NumRefLayers(); ++k)
        s += " " + h->GetRefLayerName(k).ToUTF8() + "=" +
             (h->GetRefLayer(k) ? static_cast<ILayer*>(h->GetRefLayer(k))->GetName().ToUTF8() : "null");
    s += " | renamed";
    for (const RenamedLayer& r : h->GetRenamedLayers())
        s += " " + r.fileName.ToUTF8() + ">" + r.localName.ToUTF8() + (r.full ? "*" : "");
    return s;
}

void Rename(const MCHAR* from, const MCHAR* to) {
    GetCOREInterface()->GetLayerManager()->GetLayer(from)->SetName(to);
}

} // namespace

class LayerTrackingTest : public ReferenceFileFixture {
protected:
    // Wall01 on Walls below Building (which holds no node), Door01 on Doors, Ground01 on layer "0".
    MSTR WriteBuilding() {
        return WriteFile("building", [&] {
            b.Box("Wall01").Layer("Walls").Build();
            b.Box("Door01").Layer("Doors").Build();
            b.Box("Ground01").Build();
            b.Layer("Walls")->SetParentLayer(b.Layer("Building"));
        });
    }
};

// Every row loads the building into a fresh scene, then runs its steps; the state is taken at the end.
TEST_F(LayerTrackingTest, MergedLayersAreFoldedRenamedAndTrackedThroughReloads) {
    struct Row {
        const char* what;
        bool prefix;
        std::function<void(OstrivansHelper*)> before, after;
        std::string state;
    } rows[] = {
        {"folded into the scene's Walls", false, [&](OstrivansHelper*) { b.Box("Mine").Layer("Walls").Build(); },
         [](OstrivansHelper*) {},
         "Walls[Mine,Wall01] Doors[Door01] | tracked Walls=Walls Doors=Doors | renamed"},
        {"prefixed, twice", true, {}, [](OstrivansHelper* h) { h->Reload(); },
         "Ref01_Doors[Ref01_Door01] Ref01_Building[] Ref01_Walls<Ref01_Building[Ref01_Wall01] | tracked "
         "Walls=Ref01_Walls Doors=Ref01_Doors Building=Ref01_Building | renamed"},
        // The helper's prefix changes: its layers follow at once, as its nodes do, so a collect does not take
        // the old prefix for a name the user gave.
        {"helper renamed and back, with a reload between", true, {},
         [](OstrivansHelper* h) {
             h->GetHelperNode()->SetName(L"Ref02");
             h->Reload();
             h->GetHelperNode()->SetName(L"Ref01");
         },
         "Ref01_Doors[Ref01_Door01] Ref01_Building[] Ref01_Walls<Ref01_Building[Ref01_Wall01] | tracked "
         "Walls=Ref01_Walls Doors=Ref01_Doors Building=Ref01_Building | renamed"},
        {"prefix switched off; a layer the user named keeps its name", true, {},
         [](OstrivansHelper* h) {
             Rename(L"Ref01_Doors", L"Entrances");
             h->GetParamBlock()->SetValue(pb_use_name_prefix, 0, 0);
         },
         "Entrances[Door01] Building[] Walls<Building[Wall01] | tracked Walls=Walls Doors=Entrances "
         "Building=Building | renamed"},
        {"renamed locally, kept after reload", false, {},
         [](OstrivansHelper* h) { Rename(L"Walls", L"Facade"); h->Reload(); },
         "Doors[Door01] Building[] Facade<Building[Wall01] | tracked Walls=Facade Doors=Doors Building=Building "
         "| renamed Walls>Facade"},
        {"renamed, through a saved scene", false, {},
         [](OstrivansHelper* h) { Rename(L"Walls", L"Facade"); h->Unload(); SaveAndReopen("ostrivans-layers"); },
         "Doors[Door01] Building[] Facade<Building[Wall01] | tracked Walls=Facade Doors=Doors Building=Building "
         "| renamed Walls>Facade"},
        {"renamed back", false, {},
         [](OstrivansHelper* h) { Rename(L"Walls", L"Facade"); h->Reload(); Rename(L"Facade", L"Walls"); h->Reload(); },
         "Doors[Door01] Building[] Walls<Building[Wall01] | tracked Walls=Walls Doors=Doors Building=Building "
         "| renamed"},
        {"every node of a layer deleted again", false, [](OstrivansHelper* h) { h->AddNodeToDelete(L"Door01"); },
         [](OstrivansHelper*) {},
         "Building[] Walls<Building[Wall01] | tracked Walls=Walls Building=Building | renamed"},
        // A local name without the prefix gets it at the next load (a new layer Ref01_Facade); one with it
        // is taken whole, and the merged layer folds into it. The file's hierarchy comes back.
        {"hierarchy through renaming and folding", true, {},
         [](OstrivansHelper* h) {
             Rename(L"Ref01_Building", L"Ref01_House");
             Rename(L"Ref01_Walls", L"Facade");
             h->Reload();
             GetCOREInterface()->GetLayerManager()->GetLayer(L"Ref01_Facade")->SetParentLayer(nullptr);
             h->Reload();
         },
         "Ref01_Doors[Ref01_Door01] Ref01_House[] Facade<Ref01_House[] Ref01_Facade<Ref01_House[Ref01_Wall01] | "
         "tracked Walls=Facade Doors=Ref01_Doors Building=Ref01_House Walls=Ref01_Facade | renamed "
         "Walls>Ref01_Facade* Building>Ref01_House*"},
        {"dismiss releases the layers", false, {},
         [&](OstrivansHelper* h) { b.Box("Mine").Layer("Doors").Build(); h->Dismiss(); },
         "Doors[Mine] | tracked | renamed"},
        {"merge keeps the layers", false, {}, [](OstrivansHelper* h) { h->Merge(); },
         "Doors[Door01] Building[] Walls<Building[Wall01] | no helper"},
    };
    const MSTR file = WriteBuilding();
    for (const Row& row : rows) {
        OstrivansHelper* h = HelperFor(file, L"Ref01");
        h->GetParamBlock()->SetValue(pb_use_name_prefix, 0, row.prefix ? 1 : 0);
        if (row.before) row.before(h);
        ASSERT_EQ(h->Load(), 1) << row.what;
        row.after(h);
        EXPECT_EQ(LayerState(L"Ref01"), row.state) << row.what;
        ip->FileReset(TRUE);
    }
}

// A failure names the layer met, its identity, whether it existed and its merged nodes, and the step; the
// failed load leaves none of the layers it brought behind.
TEST_F(LayerTrackingTest, AFailingLayerIsReportedWithItsLine) {
    OstrivansHelper* h = HelperFor(WriteBuilding(), L"Ref01");
    h->AddRenamedLayer({L"Walls", L"0", 0});
    b.Layer("Mine");
    // The layer's identity, taken as the clean-up deletes it.
    AnimHandle walls = 0;
    const NOTIFYPROC seen = [](void* param, NotifyInfo* info) {
        auto* layer = static_cast<ILayer*>(info->callParam);
        if (layer->GetName() == L"Walls") *static_cast<AnimHandle*>(param) = Animatable::GetHandleByAnim(layer);
    };
    RegisterNotification(seen, &walls, NOTIFY_LAYER_DELETED);
    EXPECT_EQ(h->Load(), 0);
    UnRegisterNotification(seen, &walls, NOTIFY_LAYER_DELETED);
    EXPECT_EQ(LayerState(L"Ref01"), "Mine[] | tracked | renamed Walls>0");
    ASSERT_NE(walls, 0u);
    ASSERT_EQ(GetHostDialogs().Shown().size(), 1u);
    EXPECT_EQ(GetHostDialogs().Shown()[0].text.ToUTF8(),
              "Error Loading Reference\r\nMerged Nodes: 3\r\nName: Ref01\r\nRefNodes: 3, RefMaterials: 0, RefLayers: 0"
              "\r\nNodesToDelete: 0, RenamedLayers: 1\r\nLastOperation: New Layer Name\r\n\r\nError Monitoring Layers"
              "\r\nLayer Crashed: Walls (" + std::to_string(walls) +
                  "), existed: 0, numNodes: 1\r\nLastOperation: New Layer Name\r\n\r\nlayer \"Walls\" cannot take the "
                  "name \"0\"");
}
