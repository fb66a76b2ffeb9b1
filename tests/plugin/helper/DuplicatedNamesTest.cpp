// The duplicated-names list and its dialogs, the helper's description and its listener dump.
#include "plugin/helper/DuplicatedNames.h"
#include "host/scene/HostDialogs.h"
#include "host/scene/HostServices.h"
#include "host/scene/Mtl.h"
#include "plugin/helper/HelperDiagnostics.h"
#include "plugin/records/RefMaterial.h"
#include "plugin/records/RefNode.h"
#include "tests/plugin/helper/HelperTestSupport.h"

class DuplicatedNamesTest : public HelperFileFixture {
protected:
    void TearDown() override {
        ip->SetQuietMode(FALSE);
        HelperFileFixture::TearDown();
    }
    // Everything shown since the last call, one line per dialog or message box: "title | message |
    // list | check label, ticked" (the parts a box does not have left out), then the beeps.
    std::string Shown() {
        std::string s;
        for (const TextDialog& d : GetHostDialogs().Shown())
            s += d.title.ToUTF8() + " | " + d.message.ToUTF8() + " | " + d.text.ToUTF8() + " | " +
                 (d.checkLabel.isNull() ? "no check box" : d.checkLabel.ToUTF8()) + (d.checked ? ", ticked" : "") +
                 "\n";
        for (const auto& box : ip->Services().Shown()) s += box.title.ToUTF8() + " | " + box.text.ToUTF8() + "\n";
        for (unsigned beep : ip->Services().Beeps()) s += "beep " + std::to_string(beep) + "\n";
        GetHostDialogs().ClearRecord();
        ip->Services().ClearRecord();
        return s;
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
    const std::string warning = "Duplicated Names Warning - Ostrivan01 | There are nodes with duplicated names in "
                                "this reference, it may not work properly. | Wall01\r\n | Dont show this message again.";
    for (bool ticked : {false, true}) {
        GetHostDialogs().QueueCheck(ticked);
        EXPECT_EQ(ShowDuplicatedNamesWarning(h, merged), ticked);
        EXPECT_EQ(Shown(), warning + (ticked ? ", ticked" : "") + "\nbeep " + std::to_string(MB_ICONEXCLAMATION) + "\n");
    }
    // A quiet host shows nothing and switches nothing off.
    ip->SetQuietMode(TRUE);
    GetHostDialogs().QueueCheck(true);
    EXPECT_FALSE(ShowDuplicatedNamesWarning(h, merged));
    EXPECT_EQ(Shown(), "");
}

// On request the list comes from the nodes the records hold now, in record order; unbound records count
// for nothing. The list has no check box to tick.
TEST_F(DuplicatedNamesTest, ShowDupNamesListsTheRecordsNodesOrSaysThereAreNone) {
    OstrivansHelper* h = NewHelperNode(L"Ostrivan01");
    Record(h, "Wall01");
    Record(h, nullptr);
    Record(h, "Door01");
    h->ShowDupNames();
    EXPECT_EQ(Shown(), "Duplicated Names | There are no duplicated names in this reference.\n");
    Record(h, "Door01");
    Record(h, "Wall01");
    GetHostDialogs().QueueCheck(true);
    h->ShowDupNames();
    EXPECT_EQ(Shown(), "Duplicated Names Warning - Ostrivan01 | There are nodes with duplicated names in this "
                       "reference, it may not work properly. | Door01\r\nWall01\r\n | no check box\n");
    ip->SetQuietMode(TRUE);
    h->ShowDupNames();
    EXPECT_EQ(Shown(), "");
    EXPECT_TRUE(Lines().empty());
}

// A fresh helper's dump is checked through its interface; here the tables are filled.
TEST_F(DuplicatedNamesTest, DescriptionAndDumpShowTheHelpersTables) {
    OstrivansHelper* h = NewHelperNode(L"Ostrivan01");
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
