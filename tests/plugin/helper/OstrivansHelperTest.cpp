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
#include "tests/support/SceneBuilder.h"

#include <gtest/gtest.h>

namespace {

class OstrivansHelperTest : public SceneFixture {
protected:
    void SetUp() override {
        SceneFixture::SetUp();
        AttachPluginForTests();
    }
    static OstrivansHelper* NewHelper(BOOL loading = FALSE) {
        return static_cast<OstrivansHelper*>(static_cast<Animatable*>(
            GetClassDirectory().CreateInstance(HELPER_CLASS_ID, OSTRIVANS_HELPER_CLASS_ID, loading)));
    }
};

struct ExpectedParam {
    ParamID id;
    const wchar_t* name;
    int type;
    int flags;
    int localName;
    const wchar_t* label;
};

TEST_F(OstrivansHelperTest, ParameterBlockDescriptorHasThe13Parameters) {
    ParamBlockDesc2& pd = GetOstrivansHelperClassDesc().ParamDesc();
    EXPECT_EQ(pd.ID, 0);
    EXPECT_STREQ(pd.int_name, L"OstrivansHelper_Parameters");
    EXPECT_EQ(pd.flags, P_AUTO_CONSTRUCT | P_AUTO_UI);
    EXPECT_EQ(pd.ref_no, 0);
    EXPECT_EQ(pd.dlg_template, 101);
    EXPECT_STREQ(GetString(pd.title), L"Parameters");
    EXPECT_EQ(GetOstrivansHelperClassDesc().GetParamBlockDescByID(0), &pd);

    const int R = P_RESET_DEFAULT;
    const ExpectedParam expected[] = {
        {0, L"Active", TYPE_BOOL, R | P_TRANSIENT, 47, L"Active"},
        {1, L"FileName", TYPE_FILENAME, R, 5, L"Main File Path"},
        {2, L"ProxyFileName", TYPE_FILENAME, R, 208, L"Proxy File Name"},
        {3, L"UseProxyInViewport", TYPE_BOOL, R, 16, L"Use Proxy in Viewport"},
        {4, L"UseProxyInRender", TYPE_BOOL, R, 17, L"Use Proxy in Render"},
        {5, L"UseNamePrefix", TYPE_BOOL, R, 54, L"Use Name Prefix"},
        {6, L"PersistRef", TYPE_BOOL, R, 51, L"Persist Reference"},
        {7, L"ReloadIfChanged", TYPE_BOOL, R, 52, L"Reload only if file has changed"},
        {8, L"SelectedInManager", TYPE_BOOL, R, 67, L"SelectedInManager"},
        {9, L"", TYPE_REFTARG, R, 130, L"Other"},
        {10, L"", TYPE_BOOL, R, 80, L"Hide Duplicated Names Warning"},
        {11, L"Overlay", TYPE_BOOL, R, 131, L"Overlay"},
        {12, L"PersistReloadType", TYPE_INT, R, 158, L"Persist Reload Type"},
    };
    ASSERT_EQ(pd.Count(), 13);
    for (int i = 0; i < 13; ++i) {
        const ParamDef& d = pd.paramdefs[static_cast<size_t>(i)];
        const ExpectedParam& e = expected[i];
        EXPECT_EQ(d.ID, e.id) << i;
        EXPECT_STREQ(d.int_name, e.name) << i;
        EXPECT_EQ(d.type, e.type) << i;
        EXPECT_EQ(d.flags, e.flags) << i;
        EXPECT_EQ(d.local_name, e.localName) << i;
        EXPECT_STREQ(GetString(d.local_name), e.label) << i;
    }
    // Defaults: Active and SelectedInManager on, reload only if changed, empty file names.
    EXPECT_EQ(pd.GetParamDefByID(pb_active)->def.i, 1);
    EXPECT_EQ(pd.GetParamDefByID(pb_selected_in_manager)->def.i, 1);
    EXPECT_EQ(pd.GetParamDefByID(pb_use_proxy_in_viewport)->def.i, 0);
    EXPECT_EQ(pd.GetParamDefByID(pb_persist_reload_type)->def.i, 1);
    EXPECT_TRUE(pd.GetParamDefByID(pb_persist_reload_type)->has_range);
    EXPECT_EQ(pd.GetParamDefByID(pb_persist_reload_type)->range_low.i, 0);
    EXPECT_EQ(pd.GetParamDefByID(pb_persist_reload_type)->range_high.i, 2);
    for (ParamID file : {pb_filename, pb_proxy_filename}) {
        const ParamDef* d = pd.GetParamDefByID(file);
        EXPECT_EQ(d->def.s, MSTR(L""));
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
    EXPECT_EQ(h->NumRefs(), 2);
    EXPECT_EQ(h->GetReference(0), pb);
    EXPECT_EQ(h->GetReference(1), nullptr);
    EXPECT_EQ(h->GetReference(2), nullptr);
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
    h->DeleteThis();
}

// Attaching a block brings the old yes/no reload setting into the three-way one, unless it says
// "manually": a fresh block's "only if changed" follows its ReloadIfChanged, which is off.
TEST_F(OstrivansHelperTest, AttachingABlockMigratesTheReloadSetting) {
    OstrivansHelper* h = NewHelper();
    IParamBlock2* pb = h->GetParamBlock();
    EXPECT_EQ(pb->GetInt(pb_persist_reload_type), kReloadAlways);
    EXPECT_EQ(h->DumpParams(),
              "0 Active = true\n1 FileName = \"\"\n2 ProxyFileName = \"\"\n3 UseProxyInViewport = false\n"
              "4 UseProxyInRender = false\n5 UseNamePrefix = false\n6 PersistRef = false\n"
              "7 ReloadIfChanged = false\n8 SelectedInManager = true\n9  = undefined\n10  = false\n"
              "11 Overlay = false\n12 PersistReloadType = 0\n");

    OstrivansHelper* other = NewHelper(TRUE);
    {
        // As a scene from before the three-way setting has it: the accessor would keep the two in step.
        AccessorDisabler off(h);
        pb->SetValue(pb_reload_if_changed, 0, 1);
        pb->SetValue(pb_persist_reload_type, 0, 0);
        pb->SetValue(pb_use_name_prefix, 0, 1);
    }
    RemapDir remap;
    other->ReplaceReference(0, remap.CloneRef(pb));
    EXPECT_EQ(other->GetParamBlock()->GetInt(pb_persist_reload_type), kReloadOnlyIfChanged);
    EXPECT_TRUE(other->GetPrefixFlagCopy());
    // "Manually" is kept whatever ReloadIfChanged says.
    {
        AccessorDisabler off(h);
        pb->SetValue(pb_persist_reload_type, 0, 2);
    }
    OstrivansHelper* third = NewHelper(TRUE);
    RemapDir remap2;
    third->ReplaceReference(0, remap2.CloneRef(pb));
    EXPECT_EQ(third->GetParamBlock()->GetInt(pb_persist_reload_type), kReloadManually);
    h->DeleteThis();
    other->DeleteThis();
    third->DeleteThis();
}

TEST_F(OstrivansHelperTest, AHelperSavesAndOpensWithItsParameterValues) {
    OstrivansHelper* h = NewHelper();
    INode* node = GetCOREInterface()->CreateObjectNode(h);
    node->SetName(L"Ostrivan01");
    Mtl* other = b.Standard("OtherMtl");
    b.Box("UsesOther").Material(other).Build();
    IParamBlock2* pb = h->GetParamBlock();
    pb->SetValue(pb_active, 0, 0);
    pb->SetValue(pb_filename, 0, L"/refs/Ñame_城.max");
    pb->SetValue(pb_proxy_filename, 0, L"/refs/proxy.max");
    pb->SetValue(pb_use_proxy_in_viewport, 0, 1);
    pb->SetValue(pb_use_proxy_in_render, 0, 1);
    pb->SetValue(pb_use_name_prefix, 0, 1);
    pb->SetValue(pb_persist_ref, 0, 1);
    pb->SetValue(pb_reload_if_changed, 0, 1);
    pb->SetValue(pb_selected_in_manager, 0, 0);
    pb->SetValue(pb_other, 0, static_cast<ReferenceTarget*>(other));
    pb->SetValue(pb_hide_dup_names_warning, 0, 1);
    pb->SetValue(pb_overlay, 0, 1);
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
    ASSERT_NE(helper->GetParamBlock(), nullptr);
    EXPECT_EQ(helper->DumpParams(), expected);
    auto* otherBack = dynamic_cast<Mtl*>(helper->GetParamBlock()->GetReferenceTarget(pb_other));
    ASSERT_NE(otherBack, nullptr);
    EXPECT_EQ(otherBack->GetName(), MSTR(L"OtherMtl"));
    EXPECT_TRUE(helper->GetPrefixFlagCopy());
}

} // namespace
