// The binding table of a load: every name keeps its slot through growth, lookups by other copies of the
// text, and a change of the view a slot is keyed by.
#include "plugin/helper/RecordsByName.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Rec {};

TEST(RecordsByName, NamesKeepTheirSlotsPastTheSizeTheTableWasMadeFor) {
    // Made for one name; many more come, some twice, as a load adds nodes while it binds.
    RecordsByName<Rec> table(1);
    std::vector<std::wstring> names;
    for (int i = 0; i < 300; ++i) names.push_back(L"Node" + std::to_wstring(i % 150 * 7919));
    std::vector<RecordsByName<Rec>::Index> slots;
    for (size_t i = 0; i < names.size(); ++i) {
        bool fresh = false;
        const auto at = table.FindOrAdd(names[i], fresh);
        EXPECT_EQ(fresh, i < 150) << i;
        EXPECT_EQ(at, i < 150 ? i : slots[i - 150]) << i;
        slots.push_back(at);
        ++table.Slot(at).bound;
    }
    for (size_t i = 0; i < 150; ++i) {
        const std::wstring copy = names[i];
        ASSERT_EQ(table.Find(copy), slots[i]) << i;
        EXPECT_EQ(table.Slot(slots[i]).bound, 2);
    }
    EXPECT_EQ(table.Find(L"Node1"), table.kNone);
}

TEST(RecordsByName, ASlotRekeyedToAnotherCopyOutlivesTheFirstText) {
    RecordsByName<Rec> table(4);
    std::wstring first = L"Box01";
    const std::wstring kept = L"Box01";
    bool fresh = false;
    const auto at = table.FindOrAdd(first, fresh);
    table.Rekey(at, kept);
    first = L"Renamed";
    EXPECT_EQ(table.Find(L"Box01"), at);
    EXPECT_EQ(table.Find(L"Renamed"), table.kNone);
}

} // namespace
