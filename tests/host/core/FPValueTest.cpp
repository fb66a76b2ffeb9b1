// Typed values of published functions: ownership of their payloads, type checks, conversions, text form.
#include "host/core/FPInterface.h"
#include "host/core/FPValue.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// Stand-ins for scene objects: only their addresses travel in values.
struct FakeNode {
    int id;
};
INode* AsNode(FakeNode& n) { return reinterpret_cast<INode*>(&n); }

TEST(FPValue, CopiesOwnTheirPayloads) {
    BitArray bits(10);
    bits.Set(2);
    Tab<int> indices{0, 4};
    FPValue s(TYPE_STRING, L"W\u00e4nd");
    FPValue b(TYPE_BITARRAY, bits);
    FPValue t(TYPE_INDEX_TAB, indices);

    FPValue s2 = s, b2 = b, t2 = t;
    s.Load(TYPE_STRING, L"changed");
    b.Free();
    t = FPValue(TYPE_INT, 1);
    bits.Set(3);
    indices.Append(9);
    EXPECT_EQ(s2.ToString(), "TYPE_STRING \"W\u00e4nd\"");
    EXPECT_EQ(b2.ToString(), "TYPE_BITARRAY #{3}");
    EXPECT_EQ(t2.ToString(), "TYPE_INDEX_TAB #(0, 4)");
    EXPECT_EQ(b.type, TYPE_VOID);

    // Self-assignment, moves and containers that reallocate keep every payload intact.
    s2 = *&s2;
    EXPECT_EQ(s2.GetWStr()->str(), L"W\u00e4nd");
    FPValue moved = std::move(t2);
    EXPECT_EQ(moved.GetIntTab()->Count(), 2);
    std::vector<FPValue> many;
    for (int i = 0; i < 100; ++i) many.push_back(i % 2 ? s2 : b2);
    std::vector<FPValue> copy = many;
    many.clear();
    EXPECT_EQ(copy[99], s2);
    EXPECT_EQ(copy[98], b2);

    FPParams p{s2, b2, moved};
    FPParams q = p;
    p.params[0].Load(TYPE_STRING, L"other");
    EXPECT_EQ(q.params[0], s2);
    q = p;
    EXPECT_EQ(q.params[0].GetWStr()->str(), L"other");
}

TEST(FPValue, LoadChecksThatTheTypeCanHoldThePayload) {
    // A wide literal is a string, never silently a boolean.
    FPValue s(TYPE_FILENAME, L"a.max");
    EXPECT_EQ(s.type, TYPE_FILENAME);
    EXPECT_STREQ(s.GetStr(), L"a.max");

    EXPECT_THROW(FPValue(TYPE_STRING, 5), MAXException);
    EXPECT_THROW(FPValue(TYPE_INT, L"5"), MAXException);
    EXPECT_THROW(FPValue(TYPE_INODE_TAB, Tab<int>{1}), MAXException);
    EXPECT_THROW(FPValue(TYPE_INT, nullptr), MAXException); // a scalar has no undefined value
    try {
        FPValue(TYPE_BITARRAY, 1.5);
        FAIL() << "no exception";
    } catch (const MAXException& e) {
        EXPECT_EQ(e.Message(), WStr(L"FPValue: TYPE_BITARRAY cannot hold a float"));
    }
    // An integer for a float type is that number; booleans are stored as 0 or 1.
    EXPECT_EQ(FPValue(TYPE_WORLD, 2).GetFloat(), 2.0f);
    EXPECT_EQ(FPValue(TYPE_BOOL, 7).GetInt(), 1);
}

TEST(FPValue, ReadersCheckTheFamilyAndNameTheHeldValue) {
    FPValue s(TYPE_STRING, L"abc");
    try {
        (void)s.GetInt();
        FAIL() << "no exception";
    } catch (const MAXException& e) {
        EXPECT_EQ(e.Message(), WStr(L"FPValue: expected an integer but the value is TYPE_STRING \"abc\""));
    }
    EXPECT_THROW((void)s.GetNode(), MAXException);
    EXPECT_THROW((void)FPValue().GetBool(), MAXException);
    EXPECT_EQ(FPValue(TYPE_INDEX, 4).GetInt(), 4);
    EXPECT_EQ(FPValue(TYPE_TIMEVALUE, 160).GetTime(), 160);
    EXPECT_FLOAT_EQ(FPValue(TYPE_INT, 3).GetFloat(), 3.0f);
    EXPECT_THROW((void)FPValue(TYPE_FLOAT, 3.0f).GetInt(), MAXException);

    // Undefined objects, bit arrays and tables read as null.
    EXPECT_EQ(FPValue(TYPE_INODE, nullptr).GetNode(), nullptr);
    EXPECT_EQ(FPValue(TYPE_BITARRAY, nullptr).GetBitArray(), nullptr);
    EXPECT_EQ(FPValue(TYPE_INDEX_TAB, nullptr).GetIntTab(), nullptr);
    EXPECT_EQ(FPValue(TYPE_STRING, nullptr).GetStr(), nullptr);
    FakeNode n{1};
    EXPECT_EQ(FPValue(TYPE_INODE, AsNode(n)).GetNode(), AsNode(n));
    EXPECT_EQ(FPValue(TYPE_INODE, static_cast<INode*>(nullptr)).IsNull(), true);
}

TEST(FPValue, ConversionsFollowTheScriptLanguage) {
    EXPECT_EQ(FPValue(TYPE_INT, 2).ConvertTo(TYPE_FLOAT), FPValue(TYPE_FLOAT, 2.0f));
    EXPECT_EQ(FPValue(TYPE_FLOAT, -1.7f).ConvertTo(TYPE_INT), FPValue(TYPE_INT, -1));
    EXPECT_EQ(FPValue(TYPE_INT, 5).ConvertTo(TYPE_BOOL).GetInt(), 1);
    EXPECT_EQ(FPValue(TYPE_STRING, L"x").ConvertTo(TYPE_FILENAME), FPValue(TYPE_FILENAME, L"x"));
    EXPECT_EQ(FPValue(TYPE_INT_TAB, Tab<int>{1}).ConvertTo(TYPE_INDEX_TAB), FPValue(TYPE_INDEX_TAB, Tab<int>{1}));
    EXPECT_EQ(FPValue(TYPE_INT, 1).ConvertTo(TYPE_INT_BR), FPValue(TYPE_INT_BR, 1));
    // The undefined value converts to any object, bit array or table type.
    FPValue undefinedBits = FPValue().ConvertTo(TYPE_BITARRAY);
    EXPECT_EQ(undefinedBits.type, TYPE_BITARRAY);
    EXPECT_TRUE(undefinedBits.IsNull());
    EXPECT_THROW(FPValue().ConvertTo(TYPE_INT), MAXException);
    EXPECT_THROW(FPValue(TYPE_STRING, L"1").ConvertTo(TYPE_INT), MAXException);
    EXPECT_THROW(FPValue(TYPE_INT, 1).ConvertTo(TYPE_INODE), MAXException);

    // Index shifting touches only index types.
    EXPECT_EQ(FPValue(TYPE_INDEX, 1).ShiftIndices(-1), FPValue(TYPE_INDEX, 0));
    EXPECT_EQ(FPValue(TYPE_INDEX_BR, 1).ShiftIndices(1), FPValue(TYPE_INDEX_BR, 2));
    EXPECT_EQ(FPValue(TYPE_INT, 1).ShiftIndices(-1), FPValue(TYPE_INT, 1));
    EXPECT_EQ(FPValue(TYPE_INT_TAB, Tab<int>{1, 2}).ShiftIndices(-1), FPValue(TYPE_INT_TAB, Tab<int>{1, 2}));
    EXPECT_EQ(FPValue(TYPE_INDEX_TAB, Tab<int>{1, 2}).ShiftIndices(-1), FPValue(TYPE_INDEX_TAB, Tab<int>{0, 1}));
}

std::string NameByIdNamer(ParamType2 base, const void* object) {
    return (base == TYPE_INODE ? "$node" : "$other") + std::to_string(static_cast<const FakeNode*>(object)->id);
}

TEST(FPValue, TextFormIsDeterministic) {
    FakeNode a{1}, b{2};
    Tab<INode*> nodes{AsNode(a), nullptr, AsNode(b)};
    Matrix3 m;
    m.SetTrans(Point3(1, 2, 3));
    EXPECT_EQ(FPValue().ToString(), "TYPE_VOID");
    EXPECT_EQ(FPValue(TYPE_BOOL, false).ToString(), "TYPE_BOOL false");
    EXPECT_EQ(FPValue(TYPE_FLOAT, 0.25f).ToString(), "TYPE_FLOAT 0.25");
    EXPECT_EQ(FPValue(TYPE_POINT3, Point3(1.0, 2.5, 3.0)).ToString(), "TYPE_POINT3 [1,2.5,3]");
    EXPECT_EQ(FPValue(TYPE_MATRIX3, m).ToString(), "TYPE_MATRIX3 (matrix3 [1,0,0] [0,1,0] [0,0,1] [1,2,3])");
    EXPECT_EQ(FPValue(TYPE_STRING, L"say \"hi\"").ToString(), "TYPE_STRING \"say \\\"hi\\\"\"");
    EXPECT_EQ(FPValue(TYPE_STRING_TAB, Tab<WStr>{L"a", L"b"}).ToString(), "TYPE_STRING_TAB #(\"a\", \"b\")");
    EXPECT_EQ(FPValue(TYPE_BOOL_TAB, Tab<int>{1, 0}).ToString(), "TYPE_BOOL_TAB #(true, false)");
    EXPECT_EQ(FPValue(TYPE_INODE_TAB, nodes).ToString(), "TYPE_INODE_TAB #(<node>, undefined, <node>)");
    EXPECT_EQ(FPValue(TYPE_REFTARG, nullptr).ToString(), "TYPE_REFTARG undefined");
    EXPECT_EQ(ParamTypeName(TYPE_INDEX_TAB_BR) + " " + ParamTypeName(TYPE_bool) + " " + ParamTypeName(200),
              "TYPE_INDEX_TAB_BR TYPE_bool TYPE_200");

    FPValue::SetObjectNamer(NameByIdNamer);
    EXPECT_EQ(FPValue(TYPE_INODE_TAB, nodes).ToString(), "TYPE_INODE_TAB #($node1, undefined, $node2)");
    EXPECT_EQ(FPValue(TYPE_INODE, AsNode(b)).ToString(), "TYPE_INODE $node2");
    FPValue::SetObjectNamer(nullptr);
    EXPECT_EQ(FPValue(TYPE_INODE, AsNode(b)).ToString(), "TYPE_INODE <node>");

    FPInterfaceDesc desc(Interface_ID(3, 4), L"Named", 0, nullptr, 0);
    EXPECT_EQ(FPValue(TYPE_INTERFACE, static_cast<FPInterface*>(&desc)).ToString(), "TYPE_INTERFACE <interface Named>");
}

TEST(FPValue, EqualityComparesTypeAndContent) {
    EXPECT_EQ(FPValue(TYPE_INT, 1), FPValue(TYPE_INT, 1));
    EXPECT_NE(FPValue(TYPE_INT, 1), FPValue(TYPE_INDEX, 1));
    EXPECT_NE(FPValue(TYPE_STRING, L"a"), FPValue(TYPE_STRING, L"A"));
    EXPECT_NE(FPValue(TYPE_INODE_TAB, nullptr), FPValue(TYPE_INODE_TAB, Tab<INode*>{}));
    Matrix3 a, b;
    b.SetTrans(Point3(0, 0, 1));
    EXPECT_EQ(FPValue(TYPE_MATRIX3, a), FPValue(TYPE_MATRIX3, a));
    EXPECT_NE(FPValue(TYPE_MATRIX3, a), FPValue(TYPE_MATRIX3, b));
}

} // namespace
