// Published functions as C++ callers (the plug-in) see them: dispatch by id, argument lists and keyword
// defaults, by-reference write-back, properties, description checks, mixins and the core interface
// registry. What scripts see of them (names in any case, the index shift, conversions, errors with their
// script position) is tested through the script bridge in tests/host/script/FPBridgeTest.cpp.
#include "host/core/ClassDesc.h"
#include "host/core/FPInterface.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

constexpr Interface_ID kCoreId(0x7a11c0de, 0x00000001);
constexpr Interface_ID kMixinId(0x7a11c0de, 0x00000002);

enum : FunctionID { kCount, kGet, kAdd, kPrintData, kReset, kBump, kGetFlag = 23, kSetFlag, kGetVersion };

// A core interface shaped like the plug-in's global one; it records what its dispatcher received.
class RecordingCore : public FPStaticInterface {
public:
    explicit RecordingCore(Interface_ID id = kCoreId, const MCHAR* name = L"Ostrivans")
        : FPStaticInterface(
              id, name, 0, nullptr, FP_CORE,
              {
                  FPFunctionDef(kCount, L"Count", TYPE_INT),
                  FPFunctionDef(kGet, L"Get", TYPE_INT, {FPParamDef(L"index", TYPE_INDEX)}),
                  FPFunctionDef(kAdd, L"Add", TYPE_INT,
                                {FPParamDef(L"fileName", TYPE_STRING),
                                 FPParamDef::KeyArg(L"proxyFileName", TYPE_STRING, FPValue(TYPE_STRING, L"")),
                                 FPParamDef::KeyArg(L"load", TYPE_BOOL, FPValue(TYPE_BOOL, true))}),
                  FPFunctionDef(kPrintData, L"PrintData", TYPE_VOID,
                                {FPParamDef::KeyArg(L"mode", TYPE_INDEX, FPValue(TYPE_INDEX, 0))}),
                  FPFunctionDef(kReset, L"Reset", TYPE_VOID,
                                {FPParamDef::KeyArg(L"selection", TYPE_INT, FPValue(TYPE_INT, 1)),
                                 FPParamDef::KeyArg(L"category", TYPE_BITARRAY, FPValue(TYPE_BITARRAY, nullptr))}),
                  FPFunctionDef(kBump, L"Bump", TYPE_VOID,
                                {FPParamDef(L"counter", TYPE_INT_BR),
                                 FPParamDef::KeyArg(L"step", TYPE_INT, FPValue(TYPE_INT, 5))}),
              },
              {
                  FPPropDef(kGetFlag, kSetFlag, L"ShowWarning", TYPE_BOOL),
                  FPPropDef(kGetVersion, FP_NO_FUNCTION, L"Version", TYPE_INT),
              }) {}

    std::vector<int> items{10, 20, 30};
    FPParams lastParams;
    TimeValue lastTime = -1;
    bool flag = true;

protected:
    FPStatus _dispatch_fn(FunctionID fid, TimeValue t, FPValue& result, FPParams* p) override {
        lastTime = t;
        if (p) lastParams = *p;
        switch (fid) {
        case kCount: result = FPValue(TYPE_INT, static_cast<int>(items.size())); return FPS_OK;
        case kGet: result = FPValue(TYPE_INT, items.at(static_cast<size_t>(FPArg(p, 0).GetIndex()))); return FPS_OK;
        case kAdd: result = FPValue(TYPE_INT, FPArg(p, 2).GetBool() ? 1 : 0); return FPS_OK;
        case kPrintData: (void)FPArg(p, 0); return FPS_OK;
        case kReset: (void)FPArg(p, 1); return FPS_OK;
        case kBump: FPArg(p, 0) = FPValue(TYPE_INT_BR, FPArg(p, 0).GetInt() + FPArg(p, 1).GetInt()); return FPS_OK;
        case kGetFlag: result = FPValue(TYPE_BOOL, flag); return FPS_OK;
        case kSetFlag: flag = FPArg(p, 0).GetBool(); return FPS_OK;
        case kGetVersion: result = FPValue(TYPE_INT, 3); return FPS_OK;
        default: return FPS_NO_SUCH_FUNCTION;
        }
    }
};

void ExpectArrayRangeError(const std::function<void()>& call) {
    try {
        call();
        FAIL() << "no exception";
    } catch (const MaxSDK::Util::OutOfRangeException& e) {
        EXPECT_EQ(e.Message(), WStr(L"Argument index out of bounds, passed into a MaxSDK::Array::operator[]"));
    }
}

TEST(FPInterface, InvokeByIdPassesTimeAndArgumentsAndAnswersUnknownIdsWithAllBitsSet) {
    RecordingCore core;
    FPValue result;
    FPParams p{FPValue(TYPE_INDEX, 2)};
    EXPECT_EQ(core.Invoke(kGet, 160, result, &p), FPS_OK);
    EXPECT_EQ(result, FPValue(TYPE_INT, 30));
    EXPECT_EQ(core.lastTime, 160);
    EXPECT_EQ(core.FindFn(L"GET"), kGet);
    EXPECT_EQ(core.FindFn(L"Missing"), FP_NO_FUNCTION);

    FPValue untouched(TYPE_STRING, L"untouched");
    EXPECT_EQ(static_cast<unsigned>(core.Invoke(99, untouched)), 0xFFFFFFFFu);
    EXPECT_EQ(untouched, FPValue(TYPE_STRING, L"untouched"));
}

TEST(FPInterface, MissingArgumentThrowsTheHostRangeText) {
    RecordingCore core;
    FPValue result;
    FPParams empty, one{FPValue(TYPE_INT, 1)};
    ExpectArrayRangeError([&] { core.Invoke(kGet, result); });
    ExpectArrayRangeError([&] { core.Invoke(kGet, result, &empty); });
    ExpectArrayRangeError([&] { (void)one.params[1]; });
    ExpectArrayRangeError([&] { (void)one.params[-1]; });
    // A required argument is never filled in from the keyword defaults that follow it.
    ExpectArrayRangeError([&] { core.Invoke(kAdd, result); });
}

// C++ callers may stop after the positional arguments: the dispatcher gets the defaults (an undefined one
// as the undefined value of its type), the caller's list is not grown, and a by-reference argument is
// still written back. From a script, a keyword index is shifted and its default is not.
TEST(FPInterface, KeywordDefaultsFillOmittedArgumentsAndByReferenceArgumentsComeBack) {
    RecordingCore core;
    FPValue result;
    FPParams p{FPValue(TYPE_STRING, L"C:\\a\\scene.max")};
    ASSERT_EQ(core.Invoke(kAdd, result, &p), FPS_OK);
    EXPECT_EQ(core.lastParams.ToString(), "(TYPE_STRING \"C:\\\\a\\\\scene.max\", TYPE_STRING \"\", TYPE_BOOL true)");
    EXPECT_EQ(p.Count(), 1);
    EXPECT_EQ(result.GetInt(), 1);
    ASSERT_EQ(core.InvokeFromScript(L"Reset", {}, result, 0), FPS_OK);
    EXPECT_EQ(core.lastParams.ToString(), "(TYPE_INT 1, TYPE_BITARRAY undefined)");
    ASSERT_EQ(core.InvokeFromScript(L"PrintData", {{}, {{L"mode", FPValue(TYPE_INT, 2)}}}, result, 0), FPS_OK);
    EXPECT_EQ(core.lastParams.params[0], FPValue(TYPE_INDEX, 1));
    ASSERT_EQ(core.InvokeFromScript(L"PrintData", {}, result, 0), FPS_OK);
    EXPECT_EQ(core.lastParams.params[0], FPValue(TYPE_INDEX, 0));

    FPParams counter{FPValue(TYPE_INT_BR, 10)};
    ASSERT_EQ(core.Invoke(kBump, &counter), FPS_OK);
    EXPECT_EQ(counter.params[0], FPValue(TYPE_INT_BR, 15));
    try {
        core.InvokeFromScript(L"Get", {{FPValue(TYPE_STRING, L"one")}, {}}, result, 0);
        FAIL() << "no exception";
    } catch (const MAXException& e) {
        EXPECT_NE(e.Message().ToUTF8().find("Ostrivans.Get: argument 1 (index)"), std::string::npos) << e.Message();
    }
}

TEST(FPInterface, PropertiesGoThroughGetterAndSetterIds) {
    RecordingCore core;
    FPValue v;
    ASSERT_EQ(core.SetProperty(L"showwarning", FPValue(TYPE_BOOL, false)), FPS_OK);
    EXPECT_FALSE(core.flag);
    ASSERT_EQ(core.GetProperty(L"ShowWarning", v), FPS_OK);
    EXPECT_EQ(v, FPValue(TYPE_BOOL, false));
    EXPECT_EQ(core.SetProperty(L"Version", FPValue(TYPE_INT, 4)), FPS_FAIL);
    EXPECT_EQ(core.GetProperty(L"Nothing", v), FPS_NO_SUCH_FUNCTION);
    EXPECT_EQ(core.SetProperty(L"Nothing", v), FPS_NO_SUCH_FUNCTION);
}

TEST(FPInterfaceDesc, RejectsClashingIdsNamesAndMisorderedKeywords) {
    FPInterfaceDesc desc(Interface_ID(1, 2), L"Probe", 0, nullptr, 0, {FPFunctionDef(0, L"A", TYPE_VOID)},
                         {FPPropDef(10, 11, L"P", TYPE_INT)});
    const std::function<void()> clashes[] = {
        [&] { desc.AppendFunction(FPFunctionDef(0, L"B", TYPE_VOID)); },
        [&] { desc.AppendFunction(FPFunctionDef(1, L"a", TYPE_VOID)); },
        [&] { desc.AppendFunction(FPFunctionDef(11, L"C", TYPE_VOID)); },
        [&] { desc.AppendProperty(FPPropDef(0, 12, L"Q", TYPE_INT)); },
        [&] { desc.AppendProperty(FPPropDef(12, 10, L"Q", TYPE_INT)); },
        [&] { desc.AppendProperty(FPPropDef(12, 12, L"Q", TYPE_INT)); },
        [] { FPFunctionDef(2, L"Bad", TYPE_VOID, {FPParamDef::KeyArg(L"k", TYPE_INT, FPValue(TYPE_INT, 0)),
                                                  FPParamDef(L"p", TYPE_INT)}); },
        [] { FPParamDef::KeyArg(L"k", TYPE_INT, FPValue(TYPE_STRING, L"zero")); },
    };
    for (const auto& clash : clashes) EXPECT_THROW(clash(), MAXException);
    EXPECT_NO_THROW(desc.AppendProperty(FPPropDef(12, FP_NO_FUNCTION, L"Q", TYPE_INT)));
    EXPECT_EQ(desc.NumFunctions(), 1);
    EXPECT_EQ(desc.NumProps(), 2);
}

TEST(FPInterfaceDesc, AnActionInterfaceRefusesDisabledActions) {
    class Actions : public FPInterfaceDesc {
    public:
        Actions() : FPInterfaceDesc(Interface_ID(5, 6), L"Actions", 0, nullptr, FP_ACTIONS,
                                    {FPFunctionDef(0, L"On", TYPE_VOID), FPFunctionDef(1, L"Off", TYPE_VOID)}) {}
        BOOL IsEnabled(FunctionID fid) override { return fid == 0 ? TRUE : FALSE; }
        int runs = 0;

    protected:
        FPStatus _dispatch_fn(FunctionID, TimeValue, FPValue&, FPParams*) override { return ++runs, FPS_OK; }
    } actions;
    EXPECT_EQ(actions.Invoke(0), FPS_OK);
    EXPECT_EQ(actions.Invoke(1), FPS_ACTION_DISABLED);
    EXPECT_EQ(actions.runs, 1);
}

// Registered on construction, found by id and by any-case name, enumerated in registration order across
// removals, gone with the interface; a second interface under a taken id is refused naming both.
TEST(COREInterfaces, RegistryFindsEnumeratesAndRefusesTakenIds) {
    const int before = NumCOREInterfaces();
    auto a = std::make_unique<RecordingCore>(Interface_ID(0x11, 1), L"First");
    auto b = std::make_unique<RecordingCore>();
    auto c = std::make_unique<RecordingCore>(Interface_ID(0x11, 3), L"Third");
    a.reset();
    ASSERT_EQ(NumCOREInterfaces(), before + 2);
    EXPECT_EQ(GetCOREInterfaceAt(before), b.get());
    EXPECT_EQ(GetCOREInterfaceAt(before + 1), c.get());
    EXPECT_EQ(GetCOREInterfaceAt(before + 2), nullptr);
    EXPECT_EQ(GetCOREInterfaceAt(-1), nullptr);
    EXPECT_EQ(GetCOREInterface(kCoreId), b.get());
    EXPECT_EQ(GetCOREInterfaceByName(L"OSTRIVANS"), b.get());
    EXPECT_EQ(GetCOREInterfaceByName(L"first"), nullptr);
    for (Interface_ID id : {kCoreId, FPINTERFACEDESC_ID, FPINTERFACE_ID, BASEINTERFACE_ID})
        EXPECT_EQ(b->GetInterface(id), b.get());
    EXPECT_EQ(b->GetInterface(FPMIXININTERFACE_ID), nullptr);

    try {
        RecordingCore clash(kCoreId, L"Impostor");
        FAIL() << "no exception";
    } catch (const MAXException& e) {
        const std::string text = e.Message().ToUTF8();
        EXPECT_TRUE(text.find("Impostor") != std::string::npos && text.find("Ostrivans") != std::string::npos) << text;
    }
    RegisterCOREInterface(b.get()); // the same interface again changes nothing
    EXPECT_EQ(NumCOREInterfaces(), before + 2);
    b.reset();
    EXPECT_EQ(GetCOREInterface(kCoreId), nullptr);
    EXPECT_EQ(GetCOREInterfaceByName(L"Ostrivans"), nullptr);
    EXPECT_EQ(NumCOREInterfaces(), before + 1);
}

// ---- mixins: an object implements the interface its class descriptor publishes

class WidgetClassDesc : public ClassDesc2 {
public:
    int IsPublic() override { return 0; }
    void* Create(BOOL) override;
    const MCHAR* ClassName() override { return L"Widget"; }
    SClass_ID SuperClassID() override { return 0x7a11; }
    Class_ID ClassID() override { return Class_ID(0x7a11, 1); }
    const MCHAR* Category() override { return L"Tests"; }
};

WidgetClassDesc widgetClassDesc;
FPInterfaceDesc widgetInterfaceDesc(kMixinId, L"Widget", 0, &widgetClassDesc, FP_MIXIN,
                                    {FPFunctionDef(1, L"GetName", TYPE_STRING)});

class Widget : public FPMixinInterface {
public:
    explicit Widget(WStr name) : name_(std::move(name)) {}
    FPInterfaceDesc* GetDesc() override { return &widgetInterfaceDesc; }
    BaseInterface* GetInterface(Interface_ID id) override {
        return id == kMixinId ? this : FPMixinInterface::GetInterface(id);
    }

protected:
    FPStatus _dispatch_fn(FunctionID fid, TimeValue, FPValue& result, FPParams*) override {
        if (fid != 1) return FPS_NO_SUCH_FUNCTION;
        result = FPValue(TYPE_STRING, name_);
        return FPS_OK;
    }

private:
    WStr name_;
};

void* WidgetClassDesc::Create(BOOL) { return new Widget(L"created"); }

TEST(FPMixinInterface, TheObjectDispatchesTheFunctionsItsClassPublishes) {
    FPInterface* desc = widgetClassDesc.GetInterface(L"widget");
    ASSERT_EQ(desc, &widgetInterfaceDesc);
    std::unique_ptr<Widget> a(static_cast<Widget*>(widgetClassDesc.Create(FALSE)));
    Widget b(L"b");
    FPValue ra, rb;
    ASSERT_EQ(static_cast<FPInterface*>(a->GetInterface(desc->GetID()))->Invoke(1, ra), FPS_OK);
    ASSERT_EQ(static_cast<FPInterface*>(b.GetInterface(desc->GetID()))->Invoke(1, rb), FPS_OK);
    EXPECT_EQ(ra, FPValue(TYPE_STRING, L"created"));
    EXPECT_EQ(rb, FPValue(TYPE_STRING, L"b"));
    EXPECT_EQ(b.Invoke(11, rb), FPS_NO_SUCH_FUNCTION);
    // The mixin answers its id and the mixin id; the description alone is no dispatcher.
    EXPECT_EQ(b.GetInterface(FPMIXININTERFACE_ID), &b);
    EXPECT_EQ(b.GetID(), kMixinId);
    EXPECT_EQ(widgetInterfaceDesc.GetInterface(kMixinId), nullptr);
    EXPECT_EQ(widgetInterfaceDesc.GetInterface(FPINTERFACEDESC_ID), &widgetInterfaceDesc);
    EXPECT_EQ(GetCOREInterface(kMixinId), nullptr); // mixins are not core interfaces
}

} // namespace
