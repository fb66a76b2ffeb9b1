// Class descriptors and the class directory: identity, duplicate rejection, creation by ids, lookups by
// name, module removal, parameter block descriptors and the interfaces a class publishes.
#include "host/core/ClassDesc.h"
#include "host/core/ClassDirectory.h"
#include "host/core/FPInterface.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

// What a test class's Create makes: it remembers its identity and how it was created.
struct TestObject {
    Class_ID classId;
    bool loading;
};

// A descriptor parameterised by identity and module, as the plug-in's 53 descriptors differ only there.
class TestClassDesc : public ClassDesc2 {
public:
    TestClassDesc(const MCHAR* name, SClass_ID super, Class_ID id, HINSTANCE module = nullptr)
        : name_(name), super_(super), id_(id), module_(module) {}
    int IsPublic() override { return 0; }
    void* Create(BOOL loading) override { return new TestObject{id_, loading != FALSE}; }
    const MCHAR* ClassName() override { return name_.c_str(); }
    SClass_ID SuperClassID() override { return super_; }
    Class_ID ClassID() override { return id_; }
    const MCHAR* Category() override { return L"Ostrivans"; }
    HINSTANCE HInstance() override { return module_; }

private:
    WStr name_;
    SClass_ID super_;
    Class_ID id_;
    HINSTANCE module_;
};

std::unique_ptr<TestObject> Created(void* p) { return std::unique_ptr<TestObject>(static_cast<TestObject*>(p)); }

int moduleA, moduleB; // their addresses stand for two module handles

TEST(ClassDirectory, RejectsASecondClassWithTheSameIdentityNamingBoth) {
    ClassDirectory dir;
    TestClassDesc helper(L"OstrivansHelper", 0x50, Class_ID(0x8663dfa5, 0x3f273879));
    TestClassDesc impostor(L"Impostor", 0x50, Class_ID(0x8663dfa5, 0x3f273879));
    TestClassDesc otherSuper(L"SameIdOtherSuper", 0x10, Class_ID(0x8663dfa5, 0x3f273879));
    dir.AddClass(&helper);
    try {
        dir.AddClass(&impostor);
        FAIL() << "no exception";
    } catch (const MAXException& e) {
        EXPECT_EQ(e.Message(), WStr(L"Class directory: cannot add class \"Impostor\" (super class 0x50, class id "
                                    L"(0x8663dfa5, 0x3f273879)): class \"OstrivansHelper\" is already registered "
                                    L"with the same super class and class id"));
    }
    EXPECT_EQ(dir.Count(), 1);
    EXPECT_EQ(dir.FindClass(0x50, Class_ID(0x8663dfa5, 0x3f273879)), &helper);
    EXPECT_EQ(dir.FindClassByName(L"Impostor"), nullptr);
    // The identity is the pair: the same class id under another super class is another class.
    EXPECT_NO_THROW(dir.AddClass(&otherSuper));
    EXPECT_EQ(dir.FindClass(0x10, Class_ID(0x8663dfa5, 0x3f273879)), &otherSuper);
    EXPECT_THROW(dir.AddClass(nullptr), MAXException);
}

// The process directory serves the free CreateInstance; a class is made by its pair of ids only, with the
// loading flag passed on, and no longer once removed.
TEST(ClassDirectory, CreatesInstancesByIdsWithTheLoadingFlag) {
    const Class_ID id(0x8663dfa5, 0x3f273890);
    TestClassDesc holder(L"RefHolder", 0x10, id);
    ClassDirectory& dir = GetClassDirectory();
    EXPECT_EQ(CreateInstance(0x10, id), nullptr);
    dir.AddClass(&holder);
    auto fresh = Created(CreateInstance(0x10, id));
    ASSERT_NE(fresh, nullptr);
    EXPECT_EQ(fresh->classId, id);
    EXPECT_FALSE(fresh->loading);
    EXPECT_TRUE(Created(dir.CreateInstance(0x10, id, true))->loading);
    EXPECT_EQ(dir.CreateInstance(0x10, Class_ID(0x8663dfa5, 0x3f273891)), nullptr);
    EXPECT_EQ(dir.CreateInstance(0x11, id), nullptr);
    EXPECT_TRUE(dir.RemoveClass(&holder));
    EXPECT_FALSE(dir.RemoveClass(&holder));
    EXPECT_EQ(CreateInstance(0x10, id), nullptr);
}

TEST(ClassDirectory, FindsByNameIgnoringCaseFirstRegisteredFirst) {
    ClassDirectory dir;
    TestClassDesc shapeBox(L"Box", 0x40, Class_ID(1, 1));
    TestClassDesc geomBox(L"box", 0x10, Class_ID(1, 2));
    TestClassDesc node(L"RefNode", 0x8663dfa6, Class_ID(0x8663dfa6, 0x3f273884));
    dir.AddClass(&shapeBox);
    dir.AddClass(&geomBox);
    dir.AddClass(&node);
    EXPECT_EQ(dir.FindClassByName(L"BOX"), &shapeBox);
    EXPECT_EQ(dir.FindClassByName(0x10, L"Box"), &geomBox);
    EXPECT_EQ(dir.FindClassByName(0x50, L"Box"), nullptr);
    EXPECT_EQ(dir.FindClassByName(L"refnode"), &node);
    EXPECT_EQ(dir.FindClassByName(L"RefNodes"), nullptr);
    EXPECT_EQ(dir.FindClassByName(nullptr), nullptr);
}

TEST(ClassDirectory, EnumeratesInRegistrationOrderAndUnloadsOneModule) {
    ClassDirectory dir;
    TestClassDesc a1(L"A1", 0x50, Class_ID(1, 1), &moduleA);
    TestClassDesc b1(L"B1", 0x50, Class_ID(2, 1), &moduleB);
    TestClassDesc a2(L"A2", 0x50, Class_ID(1, 2), &moduleA);
    TestClassDesc b2(L"B2", 0x50, Class_ID(2, 2), &moduleB);
    for (ClassDesc* cd : {static_cast<ClassDesc*>(&a1), static_cast<ClassDesc*>(&b1), static_cast<ClassDesc*>(&a2),
                          static_cast<ClassDesc*>(&b2)})
        dir.AddClass(cd);
    EXPECT_EQ(dir.ToString(), "0: A1 super 0x50 class (0x1, 0x1)\n"
                              "1: B1 super 0x50 class (0x2, 0x1)\n"
                              "2: A2 super 0x50 class (0x1, 0x2)\n"
                              "3: B2 super 0x50 class (0x2, 0x2)\n");
    EXPECT_EQ(dir.GetEntryAt(2)->Module(), &moduleA);
    EXPECT_EQ(dir.GetClassAt(4), nullptr);
    EXPECT_EQ(dir.GetClassAt(-1), nullptr);

    EXPECT_EQ(dir.RemoveModuleClasses(&moduleA), 2);
    EXPECT_EQ(dir.RemoveModuleClasses(&moduleA), 0);
    EXPECT_EQ(dir.ToString(), "0: B1 super 0x50 class (0x2, 0x1)\n"
                              "1: B2 super 0x50 class (0x2, 0x2)\n");
    // The indexes follow the removal: the survivors are found, the removed are not and may come back.
    EXPECT_EQ(dir.FindClass(0x50, Class_ID(2, 2)), &b2);
    EXPECT_EQ(dir.FindClassByName(L"b2"), &b2);
    EXPECT_EQ(dir.FindClass(0x50, Class_ID(1, 1)), nullptr);
    EXPECT_EQ(dir.FindClassByName(L"A1"), nullptr);
    EXPECT_NO_THROW(dir.AddClass(&a1));
    EXPECT_EQ(dir.GetClassAt(2), &a1);
}

// The defaults the plug-in's descriptors rely on are checked on all of them by the class registry test.
TEST(ClassDesc, DescribeGivesIdentityCategoryAndVisibility) {
    TestClassDesc cd(L"RefBase", 0x8663dfa6, Class_ID(0x8663dfa6, 0x3f273883));
    EXPECT_EQ(cd.Describe(), "RefBase super 0x8663dfa6 class (0x8663dfa6, 0x3f273883) category \"Ostrivans\" public 0");
}

TEST(ClassDesc2, KeepsParamBlockDescriptorsFoundByPositionAndId) {
    TestClassDesc cd(L"OstrivansHelper", 0x50, Class_ID(0x8663dfa5, 0x3f273879));
    // Descriptors are only stored and compared here, so any distinct addresses stand for them.
    int storage[3];
    auto* pb0 = reinterpret_cast<ParamBlockDesc2*>(&storage[0]);
    auto* pb1 = reinterpret_cast<ParamBlockDesc2*>(&storage[1]);
    auto* pb2 = reinterpret_cast<ParamBlockDesc2*>(&storage[2]);
    cd.AddParamBlockDesc(pb0, 0);
    cd.AddParamBlockDesc(pb1, 7);
    cd.AddParamBlockDesc(pb0, 0); // once only
    EXPECT_EQ(cd.NumParamBlockDescs(), 2);
    EXPECT_EQ(cd.GetParamBlockDesc(1), pb1);
    EXPECT_EQ(cd.GetParamBlockDesc(2), nullptr);
    EXPECT_EQ(cd.GetParamBlockDescByID(7), pb1);
    EXPECT_EQ(cd.GetParamBlockDescByID(3), nullptr);

    // A descriptor added without its id is found through the installed parameter block services, which
    // also build the blocks.
    static ReferenceMaker* builtFor = nullptr;
    static ParamBlockDesc2* withoutId = pb2;
    ClassDesc2::ParamBlockServices services;
    services.blockIdOf = [](ParamBlockDesc2* pbd) { return BlockID(pbd == withoutId ? 3 : -1); };
    services.makeAutoParamBlocks = [](ClassDesc2*, ReferenceMaker* owner) { builtFor = owner; };
    cd.AddParamBlockDesc(pb2);
    EXPECT_EQ(cd.GetParamBlockDescByID(3), nullptr); // no services yet
    ClassDesc2::SetParamBlockServices(services);
    EXPECT_EQ(cd.GetParamBlockDescByID(3), pb2);
    auto* owner = reinterpret_cast<ReferenceMaker*>(&storage[0]);
    cd.MakeAutoParamBlocks(owner);
    EXPECT_EQ(builtFor, owner);
    ClassDesc2::SetParamBlockServices({});
}

TEST(ClassDesc, PublishesInterfacesByIdAndByName) {
    TestClassDesc cd(L"RefNode", 0x8663dfa6, Class_ID(0x8663dfa6, 0x3f273884));
    {
        FPInterfaceDesc refBase(Interface_ID(0x9663dfa6, 0x4f273883), L"RefBase", 0, &cd, FP_MIXIN);
        FPInterfaceDesc refNode(Interface_ID(0x9663dfa6, 0x4f273884), L"RefNode", 0, &cd, FP_MIXIN);
        EXPECT_EQ(cd.NumInterfaces(), 2);
        EXPECT_EQ(cd.GetInterfaceAt(1), &refNode);
        EXPECT_EQ(cd.GetInterface(Interface_ID(0x9663dfa6, 0x4f273883)), &refBase);
        EXPECT_EQ(cd.GetInterface(L"refnode"), &refNode);
        EXPECT_EQ(cd.GetInterface(L"RefAnim"), nullptr);
        EXPECT_EQ(cd.GetInterface(Interface_ID(1, 1)), nullptr);
        EXPECT_THROW(cd.GetInterfaceAt(2), MAXException);
        cd.AddInterface(&refNode); // again: no change
        EXPECT_EQ(cd.NumInterfaces(), 2);
        // A second interface under a taken id is refused, and leaves no trace behind.
        EXPECT_THROW(FPInterfaceDesc(Interface_ID(0x9663dfa6, 0x4f273884), L"Clash", 0, &cd, FP_MIXIN), MAXException);
        EXPECT_EQ(cd.NumInterfaces(), 2);
    }
    // Destroyed descriptions detach themselves.
    EXPECT_EQ(cd.NumInterfaces(), 0);
}

TEST(ClassDesc, ADescriptionOutlivingItsClassDescriptorForgetsIt) {
    auto cd = std::make_unique<TestClassDesc>(L"RefAnim", 0x8663dfa8, Class_ID(0x00010001, 0));
    FPInterfaceDesc desc(Interface_ID(0x9663dfa6, 0x4f273894), L"RefAnim", 0, cd.get(), FP_MIXIN);
    EXPECT_EQ(desc.cd, cd.get());
    cd.reset();
    EXPECT_EQ(desc.cd, nullptr); // its destructor must not reach the freed descriptor
}

} // namespace
