// Published functions: dispatch by id and by name, argument lists, keyword defaults, index numbering at
// the script boundary, properties, mixins and the core interface registry.
#include "host/core/ClassDesc.h"
#include "host/core/FPInterface.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

constexpr Interface_ID kCoreId(0x7a11c0de, 0x00000001);
constexpr Interface_ID kMixinId(0x7a11c0de, 0x00000002);

enum : FunctionID {
    kCount = 0,
    kGet = 1,
    kAdd = 2,
    kReloadMany = 3,
    kPrintData = 4,
    kFindIndex = 5,
    kReset = 6,
    kBump = 7,
    kGetFlag = 23,
    kSetFlag = 24,
    kGetVersion = 25,
};

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
                  FPFunctionDef(kReloadMany, L"ReloadMany", TYPE_VOID,
                                {FPParamDef(L"array of indices", TYPE_INDEX_TAB)}),
                  FPFunctionDef(kPrintData, L"PrintData", TYPE_VOID,
                                {FPParamDef::KeyArg(L"mode", TYPE_INDEX, FPValue(TYPE_INDEX, 0))}),
                  FPFunctionDef(kFindIndex, L"FindIndex", TYPE_INDEX, {FPParamDef(L"name", TYPE_STRING)}),
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
        case kCount:
            result = FPValue(TYPE_INT, static_cast<int>(items.size()));
            return FPS_OK;
        case kGet: {
            int i = FPArg(p, 0).GetIndex();
            result = FPValue(TYPE_INT, i >= 0 && i < static_cast<int>(items.size()) ? items[static_cast<size_t>(i)] : -1);
            return FPS_OK;
        }
        case kAdd:
            items.push_back(static_cast<int>(FPArg(p, 0).GetWStr()->Length()));
            result = FPValue(TYPE_INT, FPArg(p, 2).GetBool() ? 1 : 0);
            return FPS_OK;
        case kReloadMany:
            (void)FPArg(p, 0);
            return FPS_OK;
        case kPrintData:
            (void)FPArg(p, 0).GetIndex();
            return FPS_OK;
        case kFindIndex:
            result = FPValue(TYPE_INDEX, 2);
            return FPS_OK;
        case kReset:
            (void)FPArg(p, 1);
            return FPS_OK;
        case kBump:
            FPArg(p, 0) = FPValue(TYPE_INT_BR, FPArg(p, 0).GetInt() + FPArg(p, 1).GetInt());
            return FPS_OK;
        case kGetFlag:
            result = FPValue(TYPE_BOOL, flag);
            return FPS_OK;
        case kSetFlag:
            flag = FPArg(p, 0).GetBool();
            return FPS_OK;
        case kGetVersion:
            result = FPValue(TYPE_INT, 3);
            return FPS_OK;
        default:
            return FPS_NO_SUCH_FUNCTION;
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

TEST(FPInterface, InvokeByIdAndByNameReachTheSameFunction) {
    RecordingCore core;
    FPValue result;
    EXPECT_EQ(core.Invoke(kCount, result), FPS_OK);
    EXPECT_EQ(result, FPValue(TYPE_INT, 3));

    EXPECT_EQ(core.FindFn(L"count"), kCount);
    EXPECT_EQ(core.FindFn(L"GET"), kGet);
    EXPECT_EQ(core.FindFn(L"Missing"), FP_NO_FUNCTION);

    FPValue byName;
    EXPECT_EQ(core.InvokeFromScript(L"cOuNt", {}, byName, 0), FPS_OK);
    EXPECT_EQ(byName, result);

    FPValue viaArgs;
    FPParams p{FPValue(TYPE_INDEX, 2)};
    EXPECT_EQ(core.Invoke(kGet, 160, viaArgs, &p), FPS_OK);
    EXPECT_EQ(viaArgs.GetInt(), 30);
    EXPECT_EQ(core.lastTime, 160);
}

TEST(FPInterface, UnknownFunctionAnswersAllBitsSetAndLeavesTheResult) {
    RecordingCore core;
    FPValue result(TYPE_STRING, L"untouched");
    FPStatus s = core.Invoke(99, result);
    EXPECT_EQ(s, FPS_NO_SUCH_FUNCTION);
    EXPECT_EQ(static_cast<unsigned>(s), 0xFFFFFFFFu);
    EXPECT_EQ(result, FPValue(TYPE_STRING, L"untouched"));
    EXPECT_EQ(core.InvokeFromScript(L"NoSuchThing", {}, result, 0), FPS_NO_SUCH_FUNCTION);
}

TEST(FPInterface, MissingArgumentThrowsTheHostRangeText) {
    RecordingCore core;
    FPValue result;
    ExpectArrayRangeError([&] { core.Invoke(kGet, result); });
    FPParams empty;
    ExpectArrayRangeError([&] { core.Invoke(kGet, result, &empty); });
    // The argument table itself reports the same text, also for negative positions.
    FPParams one{FPValue(TYPE_INT, 1)};
    ExpectArrayRangeError([&] { (void)one.params[1]; });
    ExpectArrayRangeError([&] { (void)one.params[-1]; });
    // A required argument is never filled in from the keyword defaults that follow it.
    ExpectArrayRangeError([&] { core.Invoke(kAdd, result); });
}

// The numbering shift the script bridge tests do not reach: C++ callers see dispatcher numbering, an
// undefined table stays undefined, and keyword indices shift while their defaults do not.
TEST(FPInterface, ScriptIndicesAreOneBasedAndDispatcherIndicesZeroBased) {
    RecordingCore core;
    FPValue result;
    FPParams p{FPValue(TYPE_STRING, L"x")};
    ASSERT_EQ(core.Invoke(kFindIndex, result, &p), FPS_OK);
    EXPECT_EQ(result, FPValue(TYPE_INDEX, 2));
    ASSERT_EQ(core.InvokeFromScript(L"ReloadMany", {{FPValue()}, {}}, result, 0), FPS_OK);
    EXPECT_TRUE(core.lastParams.params[0].IsNull());
    EXPECT_EQ(core.lastParams.params[0].type, TYPE_INDEX_TAB);

    ASSERT_EQ(core.InvokeFromScript(L"PrintData", {{}, {{L"mode", FPValue(TYPE_INT, 2)}}}, result, 0), FPS_OK);
    EXPECT_EQ(core.lastParams.params[0], FPValue(TYPE_INDEX, 1));
    ASSERT_EQ(core.InvokeFromScript(L"PrintData", {}, result, 0), FPS_OK);
    EXPECT_EQ(core.lastParams.params[0], FPValue(TYPE_INDEX, 0));
}

TEST(FPInterface, KeywordDefaultsFillOmittedArguments) {
    RecordingCore core;
    FPValue result;
    // C++ callers may stop after the positional arguments.
    FPParams p{FPValue(TYPE_STRING, L"C:\\a\\scene.max")};
    ASSERT_EQ(core.Invoke(kAdd, result, &p), FPS_OK);
    EXPECT_EQ(core.lastParams.ToString(), "(TYPE_STRING \"C:\\\\a\\\\scene.max\", TYPE_STRING \"\", TYPE_BOOL true)");
    EXPECT_EQ(p.Count(), 1); // the caller's list is not grown
    EXPECT_EQ(result.GetInt(), 1);

    // An undefined default reaches the dispatcher as the undefined value of its type.
    ASSERT_EQ(core.InvokeFromScript(L"Reset", {}, result, 0), FPS_OK);
    EXPECT_EQ(core.lastParams.ToString(), "(TYPE_INT 1, TYPE_BITARRAY undefined)");
}

TEST(FPInterface, ScriptArgumentCountAndTypeErrorsNameTheFunction) {
    RecordingCore core;
    FPValue result;
    // Keyword parameters cannot be given by position.
    EXPECT_THROW(core.InvokeFromScript(L"PrintData", {{FPValue(TYPE_INT, 1)}, {}}, result, 0), MAXException);
    try {
        core.InvokeFromScript(L"Get", {{FPValue(TYPE_STRING, L"one")}, {}}, result, 0);
        FAIL() << "no exception";
    } catch (const MAXException& e) {
        std::string text = e.Message().ToUTF8();
        EXPECT_NE(text.find("Ostrivans.Get: argument 1 (index)"), std::string::npos) << text;
        EXPECT_NE(text.find("TYPE_STRING \"one\""), std::string::npos) << text;
    }
}

TEST(FPInterface, ByReferenceArgumentsAreWrittenBackThroughDefaultCompletion) {
    RecordingCore core;
    FPParams p{FPValue(TYPE_INT_BR, 10)};
    ASSERT_EQ(core.Invoke(kBump, &p), FPS_OK); // step comes from its default
    EXPECT_EQ(p.params[0], FPValue(TYPE_INT_BR, 15));
    FPParams both{FPValue(TYPE_INT_BR, 1), FPValue(TYPE_INT, 2)};
    ASSERT_EQ(core.Invoke(kBump, &both), FPS_OK);
    EXPECT_EQ(both.params[0].GetInt(), 3);
}

TEST(FPInterface, PropertiesGoThroughGetterAndSetterIds) {
    RecordingCore core;
    FPValue v;
    ASSERT_EQ(core.GetProperty(L"showwarning", v), FPS_OK);
    EXPECT_EQ(v, FPValue(TYPE_BOOL, true));
    ASSERT_EQ(core.SetProperty(L"ShowWarning", FPValue(TYPE_BOOL, false)), FPS_OK);
    EXPECT_FALSE(core.flag);
    ASSERT_EQ(core.Invoke(kGetFlag, v), FPS_OK);
    EXPECT_EQ(v.GetBool(), false);

    // The script passes what it has: an integer becomes the property's boolean.
    ASSERT_EQ(core.SetPropertyFromScript(L"SHOWWARNING", FPValue(TYPE_INT, 1), 0), FPS_OK);
    EXPECT_TRUE(core.flag);
    EXPECT_EQ(core.lastParams.params[0], FPValue(TYPE_BOOL, true));
    EXPECT_THROW(core.SetPropertyFromScript(L"ShowWarning", FPValue(TYPE_STRING, L"yes"), 0), MAXException);

    EXPECT_EQ(core.SetProperty(L"Version", FPValue(TYPE_INT, 4)), FPS_FAIL);
    ASSERT_EQ(core.GetPropertyFromScript(L"version", v, 0), FPS_OK);
    EXPECT_EQ(v.GetInt(), 3);
    EXPECT_EQ(core.GetProperty(L"Nothing", v), FPS_NO_SUCH_FUNCTION);
    EXPECT_EQ(core.SetProperty(L"Nothing", v), FPS_NO_SUCH_FUNCTION);
}

TEST(FPInterfaceDesc, DumpListsFunctionsAndPropertiesInDeclarationOrder) {
    RecordingCore core;
    EXPECT_EQ(core.ToString(),
              "interface Ostrivans (0x7a11c0de, 0x1) CORE\n"
              "  0 Count() -> TYPE_INT\n"
              "  1 Get(index: TYPE_INDEX) -> TYPE_INT\n"
              "  2 Add(fileName: TYPE_STRING, proxyFileName: TYPE_STRING = \"\", load: TYPE_BOOL = true) -> TYPE_INT\n"
              "  3 ReloadMany(array of indices: TYPE_INDEX_TAB) -> TYPE_VOID\n"
              "  4 PrintData(mode: TYPE_INDEX = 0) -> TYPE_VOID\n"
              "  5 FindIndex(name: TYPE_STRING) -> TYPE_INDEX\n"
              "  6 Reset(selection: TYPE_INT = 1, category: TYPE_BITARRAY = undefined) -> TYPE_VOID\n"
              "  7 Bump(counter: TYPE_INT_BR, step: TYPE_INT = 5) -> TYPE_VOID\n"
              "  property ShowWarning: TYPE_BOOL (get 23, set 24)\n"
              "  property Version: TYPE_INT (get 25)\n");
    const FPFunctionDef* add = core.GetFnDef(L"add");
    ASSERT_NE(add, nullptr);
    EXPECT_EQ(add->NumPositional(), 1);
    EXPECT_EQ(add->keyparam_count, 2);
    EXPECT_EQ(add->FindParam(L"LOAD"), &add->params[2]);
    // Parameters that carry indices (single or in a table) are marked for the numbering shift.
    EXPECT_NE(core.GetFnDef(kReloadMany)->params[0].flags & FPP_INDEX, 0);
    EXPECT_NE(core.GetFnDef(kGet)->params[0].flags & FPP_INDEX, 0);
    EXPECT_EQ(core.GetFnDef(kFindIndex)->params[0].flags & FPP_INDEX, 0);
    EXPECT_EQ(core.GetFunction(8), nullptr);
    EXPECT_EQ(core.GetPropDef(1)->internal_name, WStr(L"Version"));
}

TEST(FPInterfaceDesc, RejectsClashingIdsNamesAndMisorderedKeywords) {
    FPInterfaceDesc desc(Interface_ID(1, 2), L"Probe", 0, nullptr, 0, {FPFunctionDef(0, L"A", TYPE_VOID)},
                         {FPPropDef(10, 11, L"P", TYPE_INT)});
    EXPECT_THROW(desc.AppendFunction(FPFunctionDef(0, L"B", TYPE_VOID)), MAXException);
    EXPECT_THROW(desc.AppendFunction(FPFunctionDef(1, L"a", TYPE_VOID)), MAXException);
    EXPECT_THROW(desc.AppendFunction(FPFunctionDef(11, L"C", TYPE_VOID)), MAXException);
    EXPECT_THROW(desc.AppendProperty(FPPropDef(0, 12, L"Q", TYPE_INT)), MAXException);
    EXPECT_THROW(desc.AppendProperty(FPPropDef(12, 10, L"Q", TYPE_INT)), MAXException);
    EXPECT_THROW(desc.AppendProperty(FPPropDef(12, 12, L"Q", TYPE_INT)), MAXException);
    EXPECT_NO_THROW(desc.AppendProperty(FPPropDef(12, FP_NO_FUNCTION, L"Q", TYPE_INT)));
    EXPECT_EQ(desc.NumFunctions(), 1);
    EXPECT_EQ(desc.NumProps(), 2);

    EXPECT_THROW(FPFunctionDef(2, L"Bad", TYPE_VOID,
                               {FPParamDef::KeyArg(L"k", TYPE_INT, FPValue(TYPE_INT, 0)), FPParamDef(L"p", TYPE_INT)}),
                 MAXException);
    EXPECT_THROW(FPParamDef::KeyArg(L"k", TYPE_INT, FPValue(TYPE_STRING, L"zero")), MAXException);
}

TEST(FPInterfaceDesc, AnActionInterfaceRefusesDisabledActions) {
    class Actions : public FPInterfaceDesc {
    public:
        Actions() : FPInterfaceDesc(Interface_ID(5, 6), L"Actions", 0, nullptr, FP_ACTIONS,
                                    {FPFunctionDef(0, L"On", TYPE_VOID), FPFunctionDef(1, L"Off", TYPE_VOID)}) {}
        BOOL IsEnabled(FunctionID fid) override { return fid == 0 ? TRUE : FALSE; }
        int runs = 0;

    protected:
        FPStatus _dispatch_fn(FunctionID, TimeValue, FPValue&, FPParams*) override {
            ++runs;
            return FPS_OK;
        }
    } actions;
    EXPECT_EQ(actions.Invoke(0), FPS_OK);
    EXPECT_EQ(actions.Invoke(1), FPS_ACTION_DISABLED);
    EXPECT_EQ(actions.runs, 1);
}

// ---- core registry

TEST(COREInterfaces, RegisteredOnConstructionFoundByIdAndByAnyCaseName) {
    int before = NumCOREInterfaces();
    {
        RecordingCore core;
        EXPECT_EQ(NumCOREInterfaces(), before + 1);
        EXPECT_EQ(GetCOREInterface(kCoreId), &core);
        EXPECT_EQ(GetCOREInterfaceByName(L"Ostrivans"), &core);
        EXPECT_EQ(GetCOREInterfaceByName(L"OSTRIVANS"), &core);
        EXPECT_EQ(GetCOREInterfaceByName(L"ostrivans"), &core);
        EXPECT_EQ(GetCOREInterfaceAt(before), &core);
        EXPECT_EQ(GetCOREInterfaceAt(before + 1), nullptr);
        EXPECT_EQ(GetCOREInterfaceAt(-1), nullptr);

        // The core interface answers its own id and the publishing ids.
        EXPECT_EQ(core.GetInterface(kCoreId), &core);
        EXPECT_EQ(core.GetInterface(FPINTERFACEDESC_ID), &core);
        EXPECT_EQ(core.GetInterface(FPINTERFACE_ID), &core);
        EXPECT_EQ(core.GetInterface(BASEINTERFACE_ID), &core);
        EXPECT_EQ(core.GetInterface(FPMIXININTERFACE_ID), nullptr);
        EXPECT_EQ(core.GetID(), kCoreId);

        // Script-style call through the registry.
        FPValue n;
        ASSERT_EQ(GetCOREInterfaceByName(L"ostrivans")->InvokeFromScript(L"Count", {}, n, 0), FPS_OK);
        EXPECT_EQ(n.GetInt(), 3);
    }
    EXPECT_EQ(NumCOREInterfaces(), before);
    EXPECT_EQ(GetCOREInterface(kCoreId), nullptr);
    EXPECT_EQ(GetCOREInterfaceByName(L"Ostrivans"), nullptr);
}

TEST(COREInterfaces, EnumerationKeepsRegistrationOrderAcrossRemoval) {
    int before = NumCOREInterfaces();
    auto a = std::make_unique<RecordingCore>(Interface_ID(0x11, 1), L"First");
    auto b = std::make_unique<RecordingCore>(Interface_ID(0x11, 2), L"Second");
    auto c = std::make_unique<RecordingCore>(Interface_ID(0x11, 3), L"Third");
    a.reset();
    ASSERT_EQ(NumCOREInterfaces(), before + 2);
    EXPECT_EQ(GetCOREInterfaceAt(before), b.get());
    EXPECT_EQ(GetCOREInterfaceAt(before + 1), c.get());
    EXPECT_EQ(GetCOREInterface(Interface_ID(0x11, 3)), c.get());
    EXPECT_EQ(GetCOREInterfaceByName(L"third"), c.get());
    EXPECT_EQ(GetCOREInterfaceByName(L"first"), nullptr);
}

TEST(COREInterfaces, ASecondInterfaceUnderATakenIdIsRejected) {
    RecordingCore core;
    int count = NumCOREInterfaces();
    try {
        RecordingCore clash(kCoreId, L"Impostor");
        FAIL() << "no exception";
    } catch (const MAXException& e) {
        std::string text = e.Message().ToUTF8();
        EXPECT_NE(text.find("Impostor"), std::string::npos) << text;
        EXPECT_NE(text.find("Ostrivans"), std::string::npos) << text;
    }
    EXPECT_EQ(NumCOREInterfaces(), count);
    EXPECT_EQ(GetCOREInterface(kCoreId), &core);
    RegisterCOREInterface(&core); // the same interface again changes nothing
    EXPECT_EQ(NumCOREInterfaces(), count);
}

// ---- mixins: an object implements the interface its class descriptor publishes

enum : FunctionID { kGetItem = 1, kGetName = 2 };

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
                                    {FPFunctionDef(kGetItem, L"GetItem", TYPE_STRING, {FPParamDef(L"Index", TYPE_INDEX)}),
                                     FPFunctionDef(kGetName, L"GetName", TYPE_STRING)});

// An object that implements the interface its class publishes, dispatching to its own data.
class Widget : public FPMixinInterface {
public:
    explicit Widget(WStr name) : name_(std::move(name)) {}
    FPInterfaceDesc* GetDesc() override { return &widgetInterfaceDesc; }
    BaseInterface* GetInterface(Interface_ID id) override {
        return id == kMixinId ? this : FPMixinInterface::GetInterface(id);
    }

protected:
    FPStatus _dispatch_fn(FunctionID fid, TimeValue, FPValue& result, FPParams* p) override {
        switch (fid) {
        case kGetItem: {
            const int i = FPArg(p, 0).GetIndex();
            result = FPValue(TYPE_STRING, i >= 0 && i < 2 ? items_[static_cast<size_t>(i)] : WStr());
            return FPS_OK;
        }
        case kGetName: result = FPValue(TYPE_STRING, name_); return FPS_OK;
        default: return FPS_NO_SUCH_FUNCTION;
        }
    }

private:
    WStr name_;
    WStr items_[2] = {L"first", L"second"};
};

void* WidgetClassDesc::Create(BOOL) { return new Widget(L"created"); }

TEST(FPMixinInterface, TheObjectDispatchesTheFunctionsItsClassPublishes) {
    // A script finds the interface description on the class, then asks the object for it by id.
    FPInterface* desc = widgetClassDesc.GetInterface(L"widget");
    ASSERT_EQ(desc, &widgetInterfaceDesc);
    EXPECT_EQ(widgetInterfaceDesc.cd, &widgetClassDesc);

    std::unique_ptr<Widget> a(static_cast<Widget*>(widgetClassDesc.Create(FALSE)));
    Widget b(L"b");
    auto* fa = static_cast<FPInterface*>(a->GetInterface(desc->GetID()));
    auto* fb = static_cast<FPInterface*>(b.GetInterface(desc->GetID()));
    ASSERT_NE(fa, nullptr);
    ASSERT_NE(fb, nullptr);

    FPValue ra, rb;
    ASSERT_EQ(fa->Invoke(kGetName, ra), FPS_OK);
    ASSERT_EQ(fb->Invoke(kGetName, rb), FPS_OK);
    EXPECT_EQ(ra, FPValue(TYPE_STRING, L"created"));
    EXPECT_EQ(rb, FPValue(TYPE_STRING, L"b"));

    ASSERT_EQ(fb->InvokeFromScript(L"getitem", {{FPValue(TYPE_INT, 2)}, {}}, rb, 0), FPS_OK);
    EXPECT_EQ(rb, FPValue(TYPE_STRING, L"second"));
    EXPECT_EQ(fb->Invoke(kGetName + 10, rb), FPS_NO_SUCH_FUNCTION);
    ExpectArrayRangeError([&] { fb->Invoke(kGetItem, rb); });

    // The mixin answers its id and the mixin id; the description alone is no dispatcher.
    EXPECT_EQ(fb->GetInterface(FPMIXININTERFACE_ID), fb);
    EXPECT_EQ(fb->GetID(), kMixinId);
    EXPECT_EQ(widgetInterfaceDesc.GetInterface(kMixinId), nullptr);
    EXPECT_EQ(widgetInterfaceDesc.GetInterface(FPINTERFACEDESC_ID), &widgetInterfaceDesc);
    EXPECT_EQ(GetCOREInterface(kMixinId), nullptr); // mixins are not core interfaces
}

} // namespace
