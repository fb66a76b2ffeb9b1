// What a change of each of the helper's parameters sets off (scripts see the two reload settings kept in
// step in tests/e2e).
#include "tests/plugin/helper/HelperTestSupport.h"

namespace {

class HelperParametersTest : public HelperFixture {};

struct ParamRow {
    ParamID id;
    int value;
    const wchar_t* text; // for the file names
    bool loads;          // the change runs a load (or a reload, which loads)
    bool unloads;        // the change runs an unload (or a reload, which unloads first)
};

// Rows run in order on one helper: whether ProxyFileName reloads depends on UseProxyInViewport. The files
// do not exist, so every load merges nothing and the helper stays unloaded. The name prefix's effect on
// records is seen in the load's tests.
TEST_F(HelperParametersTest, EachParameterChangeRunsItsOperationOrNothing) {
    OstrivansHelper* h = NewHelperNode(L"Ostrivan01");
    IParamBlock2* pb = h->GetParamBlock();
    const ParamRow rows[] = {
        {pb_use_proxy_in_render, 1, nullptr, false, false},
        {pb_persist_ref, 1, nullptr, false, false},
        {pb_overlay, 1, nullptr, false, false},
        {pb_selected_in_manager, 0, nullptr, false, false},
        {pb_hide_dup_names_warning, 1, nullptr, false, false},
        {pb_proxy_filename, 0, L"/refs/proxy.max", false, false}, // the viewport does not use the proxy
        {pb_filename, 0, L"/refs/main.max", true, true},
        {pb_use_proxy_in_viewport, 1, nullptr, true, true},
        {pb_proxy_filename, 0, L"/refs/proxy2.max", true, true},
        {pb_use_name_prefix, 1, nullptr, false, false},
        {pb_active, 0, nullptr, false, true},
        {pb_active, 1, nullptr, true, false},
    };
    for (const ParamRow& r : rows) {
        listener.Clear();
        LoadCounter loads;
        LoadCounter unloads(NOTIFY_OSTRIVANS_PRE_UNLOAD);
        if (r.text)
            pb->SetValue(r.id, 0, r.text);
        else
            pb->SetValue(r.id, 0, r.value);
        EXPECT_EQ(loads.count, r.loads ? 1 : 0) << "parameter " << r.id;
        EXPECT_EQ(unloads.count, r.unloads ? 1 : 0) << "parameter " << r.id;
        EXPECT_EQ(Lines(), "") << "parameter " << r.id;
        // The value is stored whatever the operation did, and the accessor is enabled again.
        if (r.text)
            EXPECT_EQ(MSTR(pb->GetStr(r.id)), MSTR(r.text)) << r.id;
        else
            EXPECT_EQ(pb->GetInt(r.id), r.value) << r.id;
        EXPECT_TRUE(h->IsAccessorEnabled());
        EXPECT_FALSE(h->IsLoaded());
    }
    // While the helper sets one parameter from another, nothing runs.
    listener.Clear();
    {
        AccessorDisabler off(h);
        pb->SetValue(pb_filename, 0, L"/refs/other.max");
        pb->SetValue(pb_active, 0, 0);
    }
    EXPECT_EQ(Lines(), "");
}

} // namespace
