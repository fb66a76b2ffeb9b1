// The binding table of a load: names keep their slots through growth and through a change of the view a
// slot is keyed by.
#include "plugin/helper/RecordsByName.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

TEST(RecordsByName, NamesKeepTheirSlotsPastTheSizeTheTableWasMadeForAndThroughRekeying) {
    struct Rec {};
    RecordsByName<Rec> table(1); // many more names come, each twice, as a load adds nodes while it binds
    std::vector<std::wstring> names;
    for (int i = 0; i < 300; ++i) names.push_back(L"Node" + std::to_wstring(i % 150 * 7919));
    for (size_t i = 0; i < names.size(); ++i) {
        bool fresh = false;
        EXPECT_EQ(table.FindOrAdd(names[i], fresh), i % 150) << i;
        EXPECT_EQ(fresh, i < 150) << i;
    }
    for (size_t i = 0; i < 150; ++i) EXPECT_EQ(table.Find(std::wstring(names[i])), i) << i;
    EXPECT_EQ(table.Find(L"Node1"), table.kNone);
    // A slot keyed by a text that then changes is found through the copy it was re-keyed to.
    const std::wstring kept = names[0];
    table.Rekey(0, kept);
    names[0] = L"Other"; // same length: the text changes in place
    EXPECT_EQ(table.Find(L"Node0"), 0u);
    EXPECT_EQ(table.Find(L"Other"), table.kNone);
}
