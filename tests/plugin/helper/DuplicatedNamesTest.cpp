// The duplicated-names list and its dialogs, the helper's description and its listener dump.
#include "plugin/helper/DuplicatedNames.h"
#include "host/scene/HostDialogs.h"
#include "host/scene/HostServices.h"
#include "host/scene/Mtl.h"
#include "plugin/helper/HelperDiagnostics.h"
#include "plugin/records/RefMaterial.h"
#include "plugin/records/RefNode.h"
#include "tests/plugin/helper/HelperTestSupport.h"

class DuplicatedNamesTest : public HelperFixture {
protected:
    void SetUp() override {
        HelperFixture::SetUp();
        ip = GetCOREInterface();
        ip->SetQuietMode(FALSE);
        ip->Services().ClearRecord();
        GetHostDialogs().ClearRecord();
    }
    void TearDown() override {
        ip->SetQuietMode(FALSE);
        GetHostDialogs().ClearRecord();
        HelperFixture::TearDown();
    }

    INodeTab Nodes(std::initializer_list<const char*> names) {
        INodeTab tab;
        for (const char* n : names)
            tab.Append(b.Box(n).Build());
        return tab;
    }
    // A record of h bound to a new node of that name (null name: an unbound record).
    RefNode* Record(OstrivansHelper* h, const char* name) {
        auto* rec = new RefNode();
        if (name) rec->ReplaceReference(0, b.Box(name).Build());
        h->AppendRefNode(rec);
        return rec;
    }

    Interface* ip = nullptr;
};

TEST_F(DuplicatedNamesTest, EachRepeatedNameOnceInTheOrderOfItsSecondOccurrence) {
    EXPECT_EQ(DuplicatedNamesText(Nodes({"A", "B", "A", "A", "B"})), L"A\r\nB\r\n");
    EXPECT_EQ(DuplicatedNamesText(Nodes({"B", "A", "A", "C", "B", "C", "C"})), L"A\r\nB\r\nC\r\n");
    INodeTab withGaps = Nodes({"Wall01", "Door01"});
    withGaps.Append(nullptr);
    withGaps.Append(withGaps[0]);
    EXPECT_EQ(DuplicatedNamesText(withGaps), L"Wall01\r\n");
    EXPECT_EQ(DuplicatedNamesText(Nodes({"Wall01", "Door01"})), L"");
}

TEST_F(DuplicatedNamesTest, TheWarningAfterALoadOffersToSwitchItselfOff) {
    OstrivansHelper* h = NewHelperNode(L"Ostrivan01");
    const INodeTab merged = Nodes({"Wall01", "Door01", "Wall01"});
    for (bool ticked : {false, true}) {
        GetHostDialogs().ClearRecord();
        ip->Services().ClearRecord();
        GetHostDialogs().QueueCheck(ticked);
        EXPECT_EQ(ShowDuplicatedNamesWarning(h, merged), ticked);
        EXPECT_EQ(ip->Services().Beeps(), std::vector<unsigned>{MB_ICONEXCLAMATION});
        ASSERT_EQ(GetHostDialogs().Shown().size(), 1u);
        const TextDialog& d = GetHostDialogs().Shown()[0];
        EXPECT_EQ(d.title, L"Duplicated Names Warning - Ostrivan01");
        EXPECT_EQ(d.message,
                  L"There are nodes with duplicated names in this reference, it may not work properly.");
        EXPECT_EQ(d.text, L"Wall01\r\n");
        EXPECT_EQ(d.checkLabel, L"Dont show this message again.");
    }
    // A quiet host shows nothing and switches nothing off.
    GetHostDialogs().ClearRecord();
    ip->Services().ClearRecord();
    ip->SetQuietMode(TRUE);
    GetHostDialogs().QueueCheck(true);
    EXPECT_FALSE(ShowDuplicatedNamesWarning(h, merged));
    EXPECT_TRUE(GetHostDialogs().Shown().empty());
    EXPECT_TRUE(ip->Services().Beeps().empty());
}

// On request the list comes from the nodes the records hold now, in record order; unbound records count
// for nothing.
TEST_F(DuplicatedNamesTest, ShowDupNamesListsTheRecordsNodesOrSaysThereAreNone) {
    OstrivansHelper* h = NewHelperNode(L"Ostrivan01");
    Record(h, "Wall01");
    Record(h, nullptr);
    Record(h, "Door01");
    h->ShowDupNames();
    EXPECT_TRUE(GetHostDialogs().Shown().empty());
    ASSERT_EQ(ip->Services().Shown().size(), 1u);
    EXPECT_EQ(ip->Services().Shown()[0].title, L"Duplicated Names");
    EXPECT_EQ(ip->Services().Shown()[0].text, L"There are no duplicated names in this reference.");

    Record(h, "Door01");
    Record(h, "Wall01");
    ip->Services().ClearRecord();
    // The list has no check box to tick.
    GetHostDialogs().QueueCheck(true);
    h->ShowDupNames();
    EXPECT_TRUE(ip->Services().Shown().empty());
    ASSERT_EQ(GetHostDialogs().Shown().size(), 1u);
    const TextDialog& d = GetHostDialogs().Shown()[0];
    EXPECT_EQ(d.title, L"Duplicated Names Warning - Ostrivan01");
    EXPECT_EQ(d.text, L"Door01\r\nWall01\r\n");
    EXPECT_TRUE(d.checkLabel.isNull());
    EXPECT_FALSE(d.checked);

    GetHostDialogs().ClearRecord();
    ip->SetQuietMode(TRUE);
    h->ShowDupNames();
    EXPECT_TRUE(GetHostDialogs().Shown().empty());
    EXPECT_TRUE(ip->Services().Shown().empty());
    EXPECT_TRUE(Lines().empty());
}

TEST_F(DuplicatedNamesTest, DescriptionAndDumpShowTheHelpersTables) {
    OstrivansHelper* h = NewHelperNode(L"Ostrivan01");
    const std::string fresh =
        "\nNum RefNodes: 0\nNum RefMaterials:0\nNum RefLayers:0\nNum NodesToDelete:0\n\n"
        "\nNodesToDelete:\nNone\n"
        "\nRenamedLayers:\nNone\n\n";
    h->PrintData(0);
    EXPECT_EQ(Lines(), fresh);
    EXPECT_EQ(
        h->Description(),
        L"Name: Ostrivan01\nRefNodes: 0, RefMaterials: 0, RefLayers: 0\nNodesToDelete: 0, RenamedLayers: 0");

    RefNode* wall = Record(h, "Wall01");
    RefNode* unbound = Record(h, nullptr);
    h->AppendRefNode(nullptr);
    auto* brick = new RefMaterial();
    brick->ReplaceReference(0, b.Standard("Brick"));
    h->AppendRefMaterial(brick);
    h->AppendRefMaterial(nullptr);
    h->AddNodeToDelete(L"Lamp01");
    h->AddNodeToDelete(L"Lamp02");
    h->AddRenamedLayer({L"Walls", L"Walls001", 1});
    h->AddRenamedLayer({L"Doors", L"Gates", 0});
    EXPECT_EQ(
        h->Description(),
        L"Name: Ostrivan01\nRefNodes: 3, RefMaterials: 2, RefLayers: 0\nNodesToDelete: 2, RenamedLayers: 2");
    EXPECT_EQ(HelperDescription(nullptr), L"Unknown Reference Data");

    // Each record writes its own dump with the helper's mode; empty slots say so.
    auto dumpOf = [](RefBase* record, int mode) {
        ListenerCapture own;
        record->PrintData(mode);
        return own.Text().ToUTF8();
    };
    const std::string records = dumpOf(wall, 1) + dumpOf(unbound, 1) + "\nRefNode: NULL\n\n" + dumpOf(brick, 1) +
                                "\nRefMaterial: NULL\n\n";
    listener.Clear();
    h->PrintData(1);
    EXPECT_EQ(Lines(), "\nNum RefNodes: 3\nNum RefMaterials:2\nNum RefLayers:0\nNum NodesToDelete:2\n\n"
                       "\nNodesToDelete:\nLamp01,\nLamp02,\n"
                       "\nRenamedLayers:\nWalls -> Walls001 (Full)\nDoors -> Gates\n\n" +
                           records);
    EXPECT_NE(dumpOf(wall, 0), dumpOf(wall, 1)) << "the mode reaches the records";
    // At least one flush for the header and one per record.
    EXPECT_GE(listener.FlushCount(), 5);

    // Without a node the name is empty.
    auto* loose = new OstrivansHelper();
    EXPECT_EQ(loose->Description(),
              L"Name: \nRefNodes: 0, RefMaterials: 0, RefLayers: 0\nNodesToDelete: 0, RenamedLayers: 0");
    loose->DeleteThis();
}
