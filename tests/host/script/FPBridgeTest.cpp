// Published functions from script: core interfaces by name, argument conversion and numbering, keyword
// defaults, global functions, mixins of scene objects, and ExecuteMAXScriptScript's typed result.
#include "host/core/ClassDesc.h"
#include "host/core/ClassDirectory.h"
#include "host/core/Listener.h"
#include "host/core/PlugApi.h"
#include "host/core/ReferenceTarget.h"
#include "host/scene/INode.h"
#include "host/script/Interpreter.h"
#include "host/script/ScriptError.h"
#include "host/script/ScriptRuntime.h"
#include "host/script/fp/FPInterfaceValue.h"
#include "host/script/fp/FPScriptBridge.h"
#include "host/script/fp/FPValueConvert.h"
#include "host/script/scene/NodeValue.h"
#include "tests/support/SceneBuilder.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

// Functions that hand their argument back, one per type, and a few with keyword arguments; every call
// records what the dispatcher saw.
enum : FunctionID {
    kCount = 0,
    kDescribe,
    kIndexSeen,
    kFirstIndex,
    kNothing,
    kGetLevel,
    kSetLevel,
    kGetVersion,
    kEchoBase = 100,
};

const ParamType2 kEchoTypes[] = {TYPE_INT,    TYPE_FLOAT,    TYPE_BOOL,      TYPE_STRING,   TYPE_TSTR,
                                 TYPE_NAME,   TYPE_POINT3,   TYPE_COLOR,     TYPE_BITARRAY, TYPE_INDEX,
                                 TYPE_INODE,  TYPE_INT_TAB,  TYPE_INDEX_TAB, TYPE_FLOAT_TAB, TYPE_STRING_TAB,
                                 TYPE_INODE_TAB, TYPE_ENUM, TYPE_FRGBA, TYPE_REFTARG};

std::wstring EchoName(ParamType2 t) { return L"Echo_" + WStr::FromUTF8(ParamTypeName(t)).str(); }

class BridgeInterface : public FPStaticInterface {
public:
    explicit BridgeInterface(Interface_ID id, const MCHAR* name, WORD flags = FP_CORE)
        : FPStaticInterface(
              id, name, 0, nullptr, flags,
              {FPFunctionDef(kCount, L"Count", TYPE_INT),
               FPFunctionDef(kDescribe, L"Describe", TYPE_STRING,
                             {FPParamDef(L"name", TYPE_STRING), FPParamDef::KeyArg(L"count", TYPE_INT, FPValue(TYPE_INT, 2)),
                              FPParamDef::KeyArg(L"flag", TYPE_BOOL, FPValue(TYPE_BOOL, false))}),
               FPFunctionDef(kIndexSeen, L"IndexSeen", TYPE_INT, {FPParamDef(L"i", TYPE_INDEX)}),
               FPFunctionDef(kFirstIndex, L"FirstIndex", TYPE_INDEX),
               FPFunctionDef(kNothing, L"Nothing", TYPE_BOOL)},
              {FPPropDef(kGetLevel, kSetLevel, L"Level", TYPE_INT),
               FPPropDef(kGetVersion, FP_NO_FUNCTION, L"Version", TYPE_INT)}) {
        for (size_t i = 0; i < std::size(kEchoTypes); ++i) {
            ParamType2 t = kEchoTypes[i];
            std::wstring fn = EchoName(t);
            AppendFunction(FPFunctionDef(static_cast<FunctionID>(kEchoBase + i), fn.c_str(), t, {FPParamDef(L"v", t)}));
        }
    }

    FPParams last;
    int level = 7;

protected:
    FPStatus _dispatch_fn(FunctionID fid, TimeValue, FPValue& result, FPParams* p) override {
        last = p ? *p : FPParams();
        switch (fid) {
        case kCount: result.Load(TYPE_INT, 42); return FPS_OK;
        case kDescribe:
            result.Load(TYPE_STRING, WStr(FPArg(p, 0).GetStr()) + WStr::Format(L":%d:", FPArg(p, 1).GetInt()) +
                                         (FPArg(p, 2).GetBool() ? L"true" : L"false"));
            return FPS_OK;
        case kIndexSeen: result.Load(TYPE_INT, FPArg(p, 0).GetIndex()); return FPS_OK;
        case kFirstIndex: result.Load(TYPE_INDEX, 0); return FPS_OK;
        case kNothing: return FPS_OK; // declared Boolean, leaves the result alone
        case kGetLevel: result.Load(TYPE_INT, level); return FPS_OK;
        case kSetLevel: level = FPArg(p, 0).GetInt(); return FPS_OK;
        case kGetVersion: result.Load(TYPE_INT, 3); return FPS_OK;
        default:
            if (fid >= kEchoBase && fid < kEchoBase + static_cast<int>(std::size(kEchoTypes))) {
                result = FPArg(p, 0);
                return FPS_OK;
            }
            return FPS_NO_SUCH_FUNCTION;
        }
    }
};

// An object class that publishes a mixin interface, registered in the class directory as a module's
// class would be.
constexpr Interface_ID kGreeterID(0x6b1d0001, 0x2);
constexpr Class_ID kGreeterClassID(0x6b1d0002, 0x3);

class GreeterDesc : public ClassDesc2 {
public:
    int IsPublic() override { return 0; }
    void* Create(BOOL) override;
    const MCHAR* ClassName() override { return L"Greeter"; }
    SClass_ID SuperClassID() override { return REF_TARGET_CLASS_ID; }
    Class_ID ClassID() override { return kGreeterClassID; }
    const MCHAR* Category() override { return L"Test"; }
};

GreeterDesc& TheGreeterDesc() {
    static GreeterDesc desc;
    static FPInterfaceDesc mixin(kGreeterID, L"GreeterOps", 0, &desc, FP_MIXIN,
                                 {FPFunctionDef(0, L"Greet", TYPE_STRING, {FPParamDef(L"who", TYPE_STRING)})},
                                 {FPPropDef(1, 2, L"Loudness", TYPE_INT)});
    return desc;
}

class Greeter : public ReferenceTarget, public FPMixinInterface {
public:
    int loudness = 1;
    Class_ID ClassID() override { return kGreeterClassID; }
    SClass_ID SuperClassID() override { return REF_TARGET_CLASS_ID; }
    BaseInterface* GetInterface(Interface_ID id) override {
        if (id == kGreeterID) return static_cast<FPMixinInterface*>(this);
        return ReferenceTarget::GetInterface(id);
    }
    FPInterfaceDesc* GetDesc() override { return TheGreeterDesc().GetInterface(kGreeterID)->GetDesc(); }

protected:
    FPStatus _dispatch_fn(FunctionID fid, TimeValue, FPValue& result, FPParams* p) override {
        switch (fid) {
        case 0:
            result.Load(TYPE_STRING, WStr(L"hello ") + FPArg(p, 0).GetStr() + (loudness > 1 ? L"!" : L""));
            return FPS_OK;
        case 1: result.Load(TYPE_INT, loudness); return FPS_OK;
        case 2: loudness = FPArg(p, 0).GetInt(); return FPS_OK;
        default: return FPS_NO_SUCH_FUNCTION;
        }
    }
};

void* GreeterDesc::Create(BOOL) { return new Greeter(); }

class FPBridge : public SceneFixture {
protected:
    FPBridge() : iface(Interface_ID(0x6b1d0003, 0x4), L"BridgeTest") {
        RegisterInterfaceBuiltins(in);
        PublishCoreInterfaces(in);
    }

    std::wstring Eval(const std::wstring& text) { return in.Run(text, L"fp.ms").PrintForm(); }
    std::wstring Error(const std::wstring& text) {
        const std::wstring r = Result(text);
        return r.starts_with(L"error: ") ? r.substr(7) : L"(no error)";
    }
    // The script's value, or "error: " and the error's text.
    std::wstring Result(const std::wstring& text) {
        try {
            return Eval(text);
        } catch (const ScriptError& e) {
            return L"error: " + e.Detail();
        }
    }

    ListenerCapture capture;
    Interpreter in;
    BridgeInterface iface;
};

} // namespace

// Each script's value (or "error: " and its text) and, where given, the arguments the function saw.
TEST_F(FPBridge, CallsConvertTheirArgumentsAndResultsBothWays) {
    const struct {
        const wchar_t* script;
        const wchar_t* result;
        const char* seen;
    } rows[] = {
        // A core interface by its script name in any case; a function read as a property calls it.
        {L"bridgetest.COUNT()", L"42", "()"},
        {L"BridgeTest", L"<Interface:BridgeTest>", nullptr},
        {L"classOf BridgeTest", L"Interface", nullptr},
        {L"f = BridgeTest.count\nf()", L"42", nullptr},
        {L"BridgeTest.NoSuchThing()", L"error: Unknown property: \"NoSuchThing\" in <Interface:BridgeTest>", nullptr},
        // Indices count from one in scripts and from zero inside.
        {L"BridgeTest.IndexSeen 1", L"0", nullptr},
        {L"BridgeTest.FirstIndex()", L"1", nullptr},
        {L"BridgeTest.Echo_TYPE_INDEX 5", L"5", "(TYPE_INDEX 4)"},
        {L"BridgeTest.Echo_TYPE_INDEX_TAB #(1, 1, 3)", L"#(1, 1, 3)", "(TYPE_INDEX_TAB #(0, 0, 2))"},
        // Keyword arguments take their defaults, any order and any case; unknown ones are ignored.
        {L"BridgeTest.Describe \"a\"", L"\"a:2:false\"", nullptr},
        {L"BridgeTest.Describe \"a\" flag:true count:5", L"\"a:5:true\"", nullptr},
        {L"BridgeTest.Describe \"a\" COUNT:3 unknown:1", L"\"a:3:false\"", nullptr},
        {L"BridgeTest.Describe \"a\" count:\"x\"", L"error: Unable to convert: \"x\" to type: Integer", nullptr},
        {L"BridgeTest.Describe()", L"error: Argument count error: BridgeTest.Describe wanted 1, got 0", nullptr},
        {L"BridgeTest.Count 1 2", L"error: Argument count error: BridgeTest.Count wanted 0, got 2", nullptr},
        {L"BridgeTest.Describe 12", L"error: Unable to convert: 12 to type: String", nullptr},
        {L"BridgeTest.Echo_TYPE_BOOL 1", L"error: Unable to convert: 1 to type: Boolean", nullptr},
        // Properties: read and write, read-only, converted.
        {L"BridgeTest.level", L"7", nullptr},
        {L"BridgeTest.Level = 9\nBridgeTest.level", L"9", nullptr},
        {L"BridgeTest.Version", L"3", nullptr},
        {L"BridgeTest.Version = 4",
         L"error: Runtime error: cannot set the read-only property Version of <Interface:BridgeTest>", nullptr},
        {L"BridgeTest.Level = \"high\"", L"error: Unable to convert: \"high\" to type: Integer", nullptr},
        // A function that leaves its result alone gives OK.
        {L"BridgeTest.Nothing()", L"OK", "()"},
        // Values of every type.
        {L"BridgeTest.Echo_TYPE_INT 3.9", L"3", "(TYPE_INT 3)"},
        {L"BridgeTest.Echo_TYPE_FLOAT 2", L"2.0", "(TYPE_FLOAT 2)"},
        {L"BridgeTest.Echo_TYPE_BOOL true", L"true", nullptr},
        {L"BridgeTest.Echo_TYPE_STRING \"s\"", L"\"s\"", nullptr},
        {L"BridgeTest.Echo_TYPE_TSTR #abc", L"\"abc\"", nullptr},
        {L"BridgeTest.Echo_TYPE_NAME \"Abc\"", L"#Abc", nullptr},
        {L"BridgeTest.Echo_TYPE_POINT3 [1,2,3]", L"[1,2,3]", nullptr},
        // Script colours count 0 to 255, published ones 0 to 1.
        {L"BridgeTest.Echo_TYPE_COLOR (color 255 0 51)", L"(color 255 0 51)", "(TYPE_COLOR [1,0,0.2])"},
        {L"BridgeTest.Echo_TYPE_FRGBA (color 0 255 0)", L"(color 0 255 0)", nullptr},
        {L"BridgeTest.Echo_TYPE_BITARRAY #{1, 3..4}", L"#{1, 3..4}", "(TYPE_BITARRAY #{1, 3..4})"},
        {L"BridgeTest.Echo_TYPE_INT_TAB #(4, 5)", L"#(4, 5)", nullptr},
        {L"BridgeTest.Echo_TYPE_FLOAT_TAB #(1, 2.5)", L"#(1.0, 2.5)", nullptr},
        {L"BridgeTest.Echo_TYPE_STRING_TAB #(\"a\", \"b\")", L"#(\"a\", \"b\")", nullptr},
        {L"BridgeTest.Echo_TYPE_ENUM 2", L"2", nullptr},
        {L"BridgeTest.Echo_TYPE_INT_TAB #(1, \"x\")", L"error: Unable to convert: #(1, \"x\") to type: Array", nullptr},
        {L"BridgeTest.Echo_TYPE_POINT3 5", L"error: Unable to convert: 5 to type: Point3", nullptr},
    };
    for (const auto& r : rows) {
        iface.last = FPParams{FPValue(TYPE_STRING, L"not called")};
        EXPECT_EQ(Result(r.script), r.result) << WStr(r.script);
        if (r.seen) {
            EXPECT_EQ(iface.last.ToString(), r.seen) << WStr(r.script);
        }
    }
    EXPECT_EQ(iface.level, 9);
    // Errors carry the script's position.
    try {
        in.Run(L"x = 1\nBridgeTest.Describe()", L"fp.ms");
        FAIL() << "no error";
    } catch (const ScriptError& e) {
        EXPECT_EQ(e.Line(), 2);
        EXPECT_EQ(e.Source(), L"fp.ms");
    }
}

TEST_F(FPBridge, NodesAndSceneObjectsCrossAsTheSceneValues) {
    INode* box = b.Box("Box01").Build();
    INode* sphere = b.Sphere("Ball").Build();
    in.SetGlobal(L"n", MakeNodeValue(box));
    in.SetGlobal(L"m", MakeNodeValue(sphere));
    EXPECT_EQ(Eval(L"(BridgeTest.Echo_TYPE_INODE n) == n"), L"true");
    EXPECT_EQ(iface.last.params[0].GetNode(), box);
    EXPECT_EQ(Eval(L"(BridgeTest.Echo_TYPE_INODE_TAB #(m, n)).count"), L"2");
    ASSERT_NE(iface.last.params[0].GetNodeTab(), nullptr);
    EXPECT_EQ((*iface.last.params[0].GetNodeTab())[0], sphere);
    // undefined is the null node; a number is no node.
    EXPECT_EQ(Eval(L"BridgeTest.Echo_TYPE_INODE undefined"), L"undefined");
    EXPECT_EQ(Error(L"BridgeTest.Echo_TYPE_INODE 1"), L"Unable to convert: 1 to type: node");
    // A node is also a reference target.
    EXPECT_EQ(Eval(L"(BridgeTest.Echo_TYPE_REFTARG n) == n"), L"true");
    EXPECT_EQ(iface.last.params[0].GetRefTarg(), box);
}

TEST_F(FPBridge, AnInterfaceUnregisteredLaterIsGoneFromScript) {
    auto later = std::make_unique<BridgeInterface>(Interface_ID(0x6b1d0004, 0x5), L"LaterTest");
    EXPECT_EQ(Eval(L"LaterTest"), L"undefined"); // registered after the interpreter published
    PublishCoreInterfaces(in);
    EXPECT_EQ(Eval(L"held = LaterTest\nheld.Count()"), L"42");
    later.reset();
    EXPECT_EQ(Eval(L"LaterTest"), L"undefined");
    EXPECT_EQ(Error(L"held.Count()"), L"Runtime error: the interface LaterTest is no longer available");
}

TEST_F(FPBridge, GlobalFunctionsOfFlaggedInterfacesAndTheirArgumentCountError) {
    // The functions of an interface not published for global access are no globals.
    EXPECT_EQ(Eval(L"Count"), L"undefined");
    BridgeInterface globals(Interface_ID(0x6b1d0005, 0x6), L"BridgeGlobals", FP_CORE | FP_GLOBAL_FUNCTIONS);
    PublishCoreInterfaces(in);
    EXPECT_EQ(Eval(L"Count()"), L"42");
    EXPECT_EQ(Eval(L"describe \"g\" flag:true"), L"\"g:2:true\"");
    EXPECT_EQ(Error(L"Count 1"), L"Argument count error: Count wanted 0, got 1");
    EXPECT_EQ(Error(L"Describe()"), L"Argument count error: Describe wanted 1, got 0");
    // The interface stays reachable by its own name too.
    EXPECT_EQ(Eval(L"BridgeGlobals.Count()"), L"42");
    EXPECT_EQ(Eval(L"IndexSeen 2"), L"1");
    // A name the language already has keeps its meaning.
    BridgeInterface clash(Interface_ID(0x6b1d0006, 0x7), L"print", FP_CORE | FP_GLOBAL_FUNCTIONS);
    PublishCoreInterfaces(in);
    EXPECT_EQ(Eval(L"print 5"), L"5");
}

TEST_F(FPBridge, MixinInterfacesOfSceneObjects) {
    GreeterDesc& desc = TheGreeterDesc();
    GetClassDirectory().AddClass(&desc);
    auto* g = static_cast<Greeter*>(desc.Create(FALSE));
    Value out;
    CallArgs args;
    args.positional.push_back(Value::String(L"you"));
    ASSERT_TRUE(CallMixinFunction(in, g, L"greet", args, out));
    EXPECT_EQ(out.PrintForm(), L"\"hello you\"");
    EXPECT_FALSE(CallMixinFunction(in, g, L"wave", args, out));

    ASSERT_TRUE(GetMixinProperty(in, g, L"greeterops", out));
    in.SetGlobal(L"ops", out);
    EXPECT_EQ(Eval(L"ops"), L"<MixinInterface:GreeterOps>");
    EXPECT_EQ(Eval(L"ops.Loudness = 2\nops.greet \"all\""), L"\"hello all!\"");
    ASSERT_TRUE(GetMixinProperty(in, g, L"loudness", out));
    EXPECT_EQ(out.PrintForm(), L"2");
    ASSERT_TRUE(SetMixinProperty(in, g, L"loudness", Value::Int(1)));
    EXPECT_EQ(g->loudness, 1);
    EXPECT_EQ(MixinInterfacesOf(g).size(), 1u);
    in.SetGlobal(L"g", MakeAnimValue(g));
    EXPECT_EQ(Eval(L"(getInterface g \"greeterOPS\").greet \"x\""), L"\"hello x\"");
    EXPECT_EQ(Eval(L"getInterfaces g"), L"#(<MixinInterface:GreeterOps>)");
    EXPECT_EQ(Eval(L"getInterface g #nothing"), L"undefined");
    // The object's own value reaches its interfaces' functions and properties directly.
    EXPECT_EQ(Eval(L"g.greet \"y\""), L"\"hello y\"");
    EXPECT_EQ(Eval(L"g.loudness = 3\ng.loudness"), L"3");
    EXPECT_EQ(Error(L"getInterface 1 \"x\""), L"Unable to convert: 1 to type: MAXWrapper");

    // A value that outlives its object refuses the call.
    g->MaybeAutoDelete();
    EXPECT_EQ(Error(L"ops.greet \"x\""), L"Runtime error: the interface GreeterOps is no longer available");
    GetClassDirectory().RemoveClass(&desc);
}

TEST_F(FPBridge, ExecuteMAXScriptScriptHandsBackTypedValues) {
    auto run = [](const wchar_t* text) {
        FPValue v;
        EXPECT_TRUE(ExecuteMAXScriptScript(text, MAXScript::ScriptSource::NonEmbedded, TRUE, &v));
        return v.ToString();
    };
    EXPECT_EQ(run(L"1 + 1"), "TYPE_INT 2");
    EXPECT_EQ(run(L"2.5"), "TYPE_FLOAT 2.5");
    EXPECT_EQ(run(L"3 > 2"), "TYPE_BOOL true");
    EXPECT_EQ(run(L"\"a\" + \"b\""), "TYPE_STRING \"ab\"");
    EXPECT_EQ(run(L"#(1, 2)"), "TYPE_INT_TAB #(1, 2)");
    EXPECT_EQ(run(L"#(1, 2.5)"), "TYPE_FLOAT_TAB #(1, 2.5)");
    EXPECT_EQ(run(L"#{2}"), "TYPE_BITARRAY #{2}");
    EXPECT_TRUE(FPValue().IsNull());
    FPValue v(TYPE_INT, 5);
    EXPECT_TRUE(ExecuteMAXScriptScript(L"undefined", MAXScript::ScriptSource::NonEmbedded, TRUE, &v));
    EXPECT_EQ(v.type, TYPE_VOID);
    // A core interface made after the runtime started is reachable from the next script.
    BridgeInterface late(Interface_ID(0x6b1d0007, 0x8), L"LateRuntime");
    EXPECT_EQ(run(L"LateRuntime.Count()"), "TYPE_INT 42");
}
