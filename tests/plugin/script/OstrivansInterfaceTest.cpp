// The global script interface: naming, the reset mask, the dispatcher's edges, batches, removal and
// duplication. Script-visible behaviour is in tests/e2e/script_interface*.ms.
#include "host/core/MaxException.h"
#include "plugin/frame/OperationCode.h"
#include "plugin/script/OstrivansInterface.h"
#include "plugin/script/ReferenceList.h"
#include "tests/plugin/helper/HelperTestSupport.h"

namespace {

OstrivansInterface& Fp() {
    return GetOstrivansInterface();
}

Tab<int> Indices(std::initializer_list<int> values) {
    Tab<int> t;
    for (int v : values) t.Append(v);
    return t;
}

TEST(OstrivansInterfaceNames, AHelperNodeIsNamedAfterItsFileAndNumberedPastTakenNames) {
    const std::vector<MSTR> scene = {L"scene", L"scene001", L"Level9", L"Shot099", L"a999", L""};
    const std::vector<std::pair<const MCHAR*, const MCHAR*>> rows = {
        {L"C:\\a\\tree.max", L"tree"},      {L"C:\\a\\scene.max", L"scene002"}, {L"/a/house.final.max", L"house"},
        {L"d:/x/Level9.max", L"Level010"},  {L"Shot099.max", L"Shot100"},       {L"a999.max", L"a1000"},
        {L"C:\\no.dot\\plain", L"001"},     {nullptr, L"001"}};
    for (const auto& [file, expected] : rows)
        EXPECT_EQ(OstrivansInterface::UniqueHelperName(file, scene), MSTR(expected)) << (file ? file : L"null");
}

TEST(OstrivansInterfaceMask, BitArraysMapToTheirGroupsAndUndefinedMeansAll) {
    BitArray none(0), first(1), wide(12);
    first.Set(0);
    wide.Set(7);
    wide.Set(8);
    wide.Set(11);
    EXPECT_EQ(OstrivansInterface::BuildResetMask(nullptr, nullptr), DWORD(0xFFFF8));
    EXPECT_EQ(OstrivansInterface::BuildResetMask(&none, &first), DWORD(0x800));
    // Bits past a group's last are ignored: the ninth category bit is not the first parameter.
    EXPECT_EQ(OstrivansInterface::BuildResetMask(&wide, &none), DWORD(0x400));
    EXPECT_EQ(OstrivansInterface::BuildResetMask(&none, &wide), DWORD(0x40000 | 0x80000));
}

class OstrivansInterfaceTest : public ReferenceFileFixture {};

TEST_F(OstrivansInterfaceTest, TheCoreInterfaceAnswersItsIdNameAndDispatcherEdges) {
    EXPECT_EQ(GetCOREInterface(OSTRIVANS_INTERFACE_ID), &Fp());
    EXPECT_EQ(GetCOREInterfaceByName(L"ostrivans"), &Fp());
    EXPECT_EQ(Fp().flags, FP_CORE);
    FPValue result;
    EXPECT_EQ(Fp().Invoke(15, result), FPS_NO_SUCH_FUNCTION);
    FPParams none;
    EXPECT_THROW(Fp().Invoke(OstrivansInterface::kGetOstrivan, result, &none), MaxSDK::Util::OutOfRangeException);
    Fp().About();
    ASSERT_EQ(GetHostDialogs().Shown().size(), 1u);
    EXPECT_EQ(GetHostDialogs().Shown()[0].title, MSTR(L"About"));
}

TEST_F(OstrivansInterfaceTest, BatchOperationsRunOnceInOneBatchAndSkipWhatIsOutside) {
    NewHelperNode(L"A");
    NewHelperNode(L"B");
    LoadCounter loads;
    LoadCounter batches(NOTIFY_OSTRIVANS_BATCH_OPENED);
    const Tab<int> empty, twice = Indices({1, 1, -1, 2});
    Fp().ReloadOstrivans(&empty);
    EXPECT_EQ(loads.count + batches.count, 0);
    Fp().ReloadOstrivans(&twice);
    EXPECT_EQ(loads.count, 2);
    EXPECT_EQ(batches.count, 1);
}

TEST_F(OstrivansInterfaceTest, RemovingSaysSoToTheDeletionHandlingAndClearsTheFlagOnEveryWayOut) {
    NewHelperNode(L"A");
    NewHelperNode(L"B");
    static std::vector<bool> seen;
    seen.clear();
    NOTIFYPROC probe = [](void*, NotifyInfo*) { seen.push_back(GetHelperModuleState().removingReferences); };
    RegisterNotification(probe, nullptr, NOTIFY_SCENE_PRE_DELETED_NODE);
    const Tab<int> outside = Indices({5}), second = Indices({1, 1});
    Fp().RemoveOstrivans(&outside);
    EXPECT_FALSE(GetHelperModuleState().removingReferences);
    Fp().RemoveOstrivans(&second);
    EXPECT_EQ(SceneNodeNames(), std::vector<std::string>{"A"});
    Fp().RemoveAllOstrivans();
    UnRegisterNotification(probe, nullptr, NOTIFY_SCENE_PRE_DELETED_NODE);
    EXPECT_EQ(seen, (std::vector<bool>{true, true}));
    EXPECT_FALSE(GetHelperModuleState().removingReferences);
    EXPECT_EQ(CountReferences(), 0);
}

TEST_F(OstrivansInterfaceTest, ADuplicateCarriesTheOverridesAndLeavesTheOriginalLoaded) {
    OstrivansHelper* original = HelperFor(WriteHouse("house"));
    ASSERT_EQ(original->Load(), 1);
    MoveTo(L"Wall01", {7, 0, 0});
    const Tab<int> first = Indices({0});
    Fp().DuplicateOstrivans(&first);
    EXPECT_EQ(GetCurrentOperation(), OperationCode::None);
    const std::vector<INode*> refs = GatherReferenceNodes();
    ASSERT_EQ(refs.size(), 2u);
    OstrivansHelper* copy = ReferenceHelperOf(refs[1]);
    // Both loaded and bound; the copy's materials take unique names in the scene.
    EXPECT_EQ(RecordRows(original), (std::vector<std::string>{"Wall01 Wall01 15 bound", "Door01 Door01 15 bound",
                                                              "Brick Brick 3 bound", "Wood Wood 3 bound"}));
    EXPECT_EQ(RecordRows(copy)[3], "Wood Wood001 3 bound");
    for (OstrivansHelper* h : {original, copy})
        EXPECT_EQ(h->GetRefNode(0)->GetNode()->GetNodeTM(0).GetTrans(), Point3(7, 0, 0));
    EXPECT_EQ(SceneNodeNames().size(), 6u);
}

} // namespace
