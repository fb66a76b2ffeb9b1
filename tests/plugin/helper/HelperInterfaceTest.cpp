// The "OstrivansHelper" interface: its functions by id, the dispatcher's answers for unknown ids and
// missing arguments, and the record queries (scripts make the same calls in tests/e2e).
#include "host/core/MaxException.h"
#include "host/script/ScriptRuntime.h"
#include "plugin/records/RefMaterial.h"
#include "plugin/records/RefNode.h"
#include "tests/plugin/helper/HelperTestSupport.h"

namespace {

class HelperInterfaceTest : public HelperFixture {
protected:
    static FPInterface* Iface(OstrivansHelper* h) {
        return static_cast<FPInterface*>(h->GetInterface(OSTRIVANS_HELPER_INTERFACE_ID));
    }
};

TEST_F(HelperInterfaceTest, PublishesTheFunctionsByIdOnTheHelpersDescriptor) {
    FPInterfaceDesc* desc = GetOstrivansHelperClassDesc().HelperInterface();
    ASSERT_NE(desc, nullptr);
    EXPECT_EQ(desc->ID, Interface_ID(0x9663dfa5, 0x4f273879));
    EXPECT_EQ(desc->cd, static_cast<ClassDesc*>(&GetOstrivansHelperClassDesc()));
    EXPECT_EQ(desc->ToString(), "interface OstrivansHelper (0x9663dfa5, 0x4f273879) MIXIN\n"
                                "  0 Reload() -> TYPE_INT\n"
                                "  1 Unload() -> TYPE_INT\n"
                                "  2 Merge() -> TYPE_INT\n"
                                "  3 Dismiss() -> TYPE_INT\n"
                                "  4 Reset() -> TYPE_INT\n"
                                "  13 Overwrite() -> TYPE_INT\n"
                                "  14 SaveAs(fileName: TYPE_STRING) -> TYPE_INT\n"
                                "  5 PrintData(mode: TYPE_INDEX = 0) -> TYPE_VOID\n"
                                "  7 NumRefNodes() -> TYPE_INT\n"
                                "  8 GetRefNode(index: TYPE_INDEX) -> TYPE_REFTARG\n"
                                "  9 NumRefMaterials() -> TYPE_INT\n"
                                "  10 GetRefMaterial(index: TYPE_INDEX) -> TYPE_REFTARG\n"
                                "  11 GetNodes() -> TYPE_INODE_TAB\n"
                                "  12 ShowDupNames() -> TYPE_VOID\n");
}

TEST_F(HelperInterfaceTest, UnknownIdsAndMissingArguments) {
    OstrivansHelper* h = NewHelperNode(L"Ostrivan01");
    FPInterface* fpi = Iface(h);
    ASSERT_NE(fpi, nullptr);
    EXPECT_EQ(h->GetInterface(FPMIXININTERFACE_ID), static_cast<BaseInterface*>(fpi));
    FPValue result;
    for (FunctionID unknown : {-1, 6, 15, 100})
        EXPECT_EQ(fpi->Invoke(unknown, result), FPS_NO_SUCH_FUNCTION) << unknown;
    for (FunctionID needsArgument :
         {OstrivansHelperInterface::kGetRefNode, OstrivansHelperInterface::kGetRefMaterial,
          OstrivansHelperInterface::kSaveAs}) {
        try {
            fpi->Invoke(needsArgument, result);
            ADD_FAILURE() << "function " << needsArgument << " ran without its argument";
        } catch (const MaxSDK::Util::OutOfRangeException& e) {
            EXPECT_EQ(e.Message(),
                      WStr(L"Argument index out of bounds, passed into a MaxSDK::Array::operator[]"));
        }
    }
    EXPECT_EQ(Lines(), "");
    // PrintData's keyword argument has its default (scripts call both in tests/e2e/reference_load.ms).
    EXPECT_EQ(fpi->Invoke(OstrivansHelperInterface::kPrintData, result), FPS_OK);
    EXPECT_NE(Lines(), "");
}

TEST_F(HelperInterfaceTest, RecordQueriesCountNodesBeforeMaterials) {
    OstrivansHelper* h = NewHelperNode(L"Ostrivan01");
    INode* wall = b.Box("Wall01").Build();
    INode* door = b.Box("Door01").Build();
    auto* unbound = new RefNode();
    auto* wallRec = new RefNode();
    auto* doorRec = new RefNode();
    wallRec->ReplaceReference(0, wall);
    doorRec->ReplaceReference(0, door);
    EXPECT_EQ(h->AppendRefNode(wallRec), 0);
    EXPECT_EQ(h->AppendRefMaterial(new RefMaterial()), 0);
    EXPECT_EQ(h->AppendRefNode(unbound), 1);
    EXPECT_EQ(h->AppendRefNode(doorRec), 2);
    // Materials follow the nodes in the reference numbering, also after a node was appended.
    EXPECT_EQ(h->NumRefs(), 6);
    EXPECT_EQ(h->GetReference(4), doorRec);
    EXPECT_EQ(h->GetReference(5), h->GetRefMaterial(0));
    EXPECT_EQ(doorRec->GetHelper(), h);

    // The nodes are those of the bound records.
    FPValue result;
    Iface(h)->Invoke(OstrivansHelperInterface::kGetNodes, result);
    ASSERT_NE(result.GetNodeTab(), nullptr);
    ASSERT_EQ(result.GetNodeTab()->Count(), 2);
    EXPECT_EQ((*result.GetNodeTab())[0], wall);
    EXPECT_EQ((*result.GetNodeTab())[1], door);
}

} // namespace
