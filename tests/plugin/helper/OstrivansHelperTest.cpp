// The helper's class: its parameter block descriptor (13 parameters with flags, defaults and labels), the
// block a fresh helper gets, its reference layout, and its parameters surviving a scene file.
#include "plugin/helper/OstrivansHelper.h"
#include "host/core/ClassDirectory.h"
#include "host/core/RemapDir.h"
#include "host/scene/INode.h"
#include "host/scene/Interface.h"
#include "host/scene/Mtl.h"
#include "plugin/frame/StringTable.h"
#include "tests/plugin/PluginTestSupport.h"

#include <gtest/gtest.h>

namespace {

class OstrivansHelperTest : public PluginSceneFixture {
protected:
    static OstrivansHelper* NewHelper(BOOL loading = FALSE) {
        return static_cast<OstrivansHelper*>(static_cast<Animatable*>(
            GetClassDirectory().CreateInstance(HELPER_CLASS_ID, OSTRIVANS_HELPER_CLASS_ID, loading)));
    }
};

// Names, order and defaults are those of a fresh helper's dump (below); here the rest of each definition.
TEST_F(OstrivansHelperTest, ParameterBlockDescriptorHasThe13Parameters) {
    ParamBlockDesc2& pd = GetOstrivansHelperClassDesc().ParamDesc();
    EXPECT_EQ(pd.ID, 0);
    EXPECT_STREQ(pd.int_name, L"OstrivansHelper_Parameters");
    EXPECT_EQ(pd.flags, P_AUTO_CONSTRUCT | P_AUTO_UI);
    EXPECT_EQ(pd.ref_no, 0);
    EXPECT_EQ(pd.dlg_template, 101);
    EXPECT_STREQ(GetString(pd.title), L"Parameters");
    EXPECT_EQ(GetOstrivansHelperClassDesc().GetParamBlockDescByID(0), &pd);
    ASSERT_EQ(pd.Count(), 13);
    std::string labels;
    for (int i = 0; i < 13; ++i) {
        const ParamDef& d = pd.paramdefs[static_cast<size_t>(i)];
        EXPECT_EQ(d.ID, i);
        // Every parameter resets to its default; Active alone is not saved.
        EXPECT_EQ(d.flags, P_RESET_DEFAULT | (i == pb_active ? P_TRANSIENT : 0)) << i;
        EXPECT_EQ(d.type, i == pb_filename || i == pb_proxy_filename ? TYPE_FILENAME
                          : i == pb_other                            ? TYPE_REFTARG
                          : i == pb_persist_reload_type              ? TYPE_INT
                                                                     : TYPE_BOOL)
            << i;
        labels += std::to_string(d.local_name) + " " + WStr(GetString(d.local_name)).ToUTF8() + "|";
    }
    EXPECT_EQ(labels, "47 Active|5 Main File Path|208 Proxy File Name|16 Use Proxy in Viewport|"
                      "17 Use Proxy in Render|54 Use Name Prefix|51 Persist Reference|"
                      "52 Reload only if file has changed|67 SelectedInManager|130 Other|"
                      "80 Hide Duplicated Names Warning|131 Overlay|158 Persist Reload Type|");
    // The descriptor's default of the reload type (a fresh block's value follows ReloadIfChanged).
    const ParamDef* type = pd.GetParamDefByID(pb_persist_reload_type);
    EXPECT_EQ(type->def.i, 1);
    EXPECT_TRUE(type->has_range);
    EXPECT_EQ(type->range_low.i, 0);
    EXPECT_EQ(type->range_high.i, 2);
    for (ParamID file : {pb_filename, pb_proxy_filename}) {
        const ParamDef* d = pd.GetParamDefByID(file);
        EXPECT_EQ(d->asset_type, 7);
        EXPECT_STREQ(GetString(d->file_types), L"Scene Files (*.max)|*.max|");
        EXPECT_STREQ(d->caption, GetString(d->local_name));
    }
}

TEST_F(OstrivansHelperTest, AFreshHelperOwnsItsBlockAsReferenceZero) {
    OstrivansHelper* h = NewHelper();
    IParamBlock2* pb = h->GetParamBlock();
    ASSERT_NE(pb, nullptr);
    EXPECT_EQ(pb->GetOwner(), h);
    EXPECT_EQ(pb->GetDesc(), &GetOstrivansHelperClassDesc().ParamDesc());
    EXPECT_EQ(h->NumRefs(), 2);
    EXPECT_EQ(h->GetReference(0), pb);
    EXPECT_EQ(h->GetReference(1), nullptr);
    EXPECT_EQ(h->NumSubs(), 1);
    EXPECT_EQ(h->SubAnim(0), pb);
    EXPECT_EQ(h->SubAnimName(0), MSTR(L"pblock"));
    EXPECT_EQ(h->GetParamBlockByID(0), pb);
    EXPECT_EQ(h->GetParamBlockByID(1), nullptr);
    MSTR name;
    h->GetClassName(name);
    EXPECT_EQ(name, MSTR(L"OstrivansHelper"));
    EXPECT_EQ(h->ObjectValidity(100), FOREVER);
    // The labels come from the module's string table, also for the two parameters without a name.
    EXPECT_EQ(pb->GetLocalName(pb_other), MSTR(L"Other"));
    EXPECT_EQ(pb->GetLocalName(pb_hide_dup_names_warning), MSTR(L"Hide Duplicated Names Warning"));
    EXPECT_FALSE(h->GetPrefixFlagCopy());
    EXPECT_EQ(h->DumpParams(),
              "0 Active = true\n1 FileName = \"\"\n2 ProxyFileName = \"\"\n3 UseProxyInViewport = false\n"
              "4 UseProxyInRender = false\n5 UseNamePrefix = false\n6 PersistRef = false\n"
              "7 ReloadIfChanged = false\n8 SelectedInManager = true\n9  = undefined\n10  = false\n"
              "11 Overlay = false\n12 PersistReloadType = 0\n");
    h->DeleteThis();
    // A helper made for loading gets its block from the file.
    OstrivansHelper* loading = NewHelper(TRUE);
    EXPECT_EQ(loading->GetParamBlock(), nullptr);
    loading->DeleteThis();
}

// Attaching a block brings the old yes/no reload setting into the three-way one, unless it says
// "manually"; the prefix switch is copied.
TEST_F(OstrivansHelperTest, AttachingABlockMigratesTheReloadSetting) {
    OstrivansHelper* h = NewHelper();
    IParamBlock2* pb = h->GetParamBlock();
    struct Row {
        int reloadIfChanged, reloadType, migrated;
    };
    for (const Row& r : {Row{0, 1, kReloadAlways}, Row{1, 0, kReloadOnlyIfChanged},
                         Row{1, 2, kReloadManually}, Row{0, 2, kReloadManually}}) {
        {
            // As a scene from before the three-way setting has it: the accessor would keep the two in step.
            AccessorDisabler off(h);
            pb->SetValue(pb_reload_if_changed, 0, r.reloadIfChanged);
            pb->SetValue(pb_persist_reload_type, 0, r.reloadType);
            pb->SetValue(pb_use_name_prefix, 0, r.reloadIfChanged);
        }
        OstrivansHelper* other = NewHelper(TRUE);
        RemapDir remap;
        other->ReplaceReference(0, remap.CloneRef(pb));
        EXPECT_EQ(other->GetParamBlock()->GetInt(pb_persist_reload_type), r.migrated) << r.reloadIfChanged << r.reloadType;
        EXPECT_EQ(other->GetPrefixFlagCopy(), r.reloadIfChanged == 1);
        other->DeleteThis();
    }
    h->DeleteThis();
}

TEST_F(OstrivansHelperTest, AHelperSavesAndOpensWithItsParameterValues) {
    OstrivansHelper* h = NewHelper();
    GetCOREInterface()->CreateObjectNode(h)->SetName(L"Ostrivan01");
    Mtl* other = b.Standard("OtherMtl");
    b.Box("UsesOther").Material(other).Build();
    IParamBlock2* pb = h->GetParamBlock();
    pb->SetValue(pb_filename, 0, L"/refs/Ñame_城.max");
    pb->SetValue(pb_proxy_filename, 0, L"/refs/proxy.max");
    pb->SetValue(pb_other, 0, static_cast<ReferenceTarget*>(other));
    for (ParamID id : {pb_active, pb_selected_in_manager}) pb->SetValue(id, 0, 0);
    for (ParamID id : {pb_use_proxy_in_viewport, pb_use_proxy_in_render, pb_use_name_prefix, pb_persist_ref,
                       pb_reload_if_changed, pb_hide_dup_names_warning, pb_overlay})
        pb->SetValue(id, 0, 1);
    pb->SetValue(pb_persist_reload_type, 0, 2);
    std::string expected = h->DumpParams();
    // Active is transient: the opened scene has its default again.
    expected.replace(expected.find("Active = false"), 14, "Active = true");

    SaveAndReopen("ostrivans-helper-params");
    if (HasFatalFailure()) return;

    INode* back = GetCOREInterface()->GetINodeByName(L"Ostrivan01");
    ASSERT_NE(back, nullptr);
    auto* helper = dynamic_cast<OstrivansHelper*>(back->GetObjectRef());
    ASSERT_NE(helper, nullptr);
    EXPECT_EQ(helper->DumpParams(), expected);
    auto* otherBack = dynamic_cast<Mtl*>(helper->GetParamBlock()->GetReferenceTarget(pb_other));
    ASSERT_NE(otherBack, nullptr);
    EXPECT_EQ(otherBack->GetName(), MSTR(L"OtherMtl"));
    EXPECT_TRUE(helper->GetPrefixFlagCopy());
}

} // namespace
