// Bipeds from script: making one, its modes, keys, layers, switches, mixer and the two files.
#include "host/scene/INode.h"
#include "host/scene/biped/BipedMaster.h"
#include "host/scene/biped/BipedPartControl.h"
#include "host/scene/biped/BipedRootControl.h"
#include "host/script/Interpreter.h"
#include "host/script/Lexer.h"
#include "host/script/ScriptError.h"
#include "host/script/scene/ControllerKeys.h"
#include "host/script/scene/NodeValue.h"
#include "host/script/scene/QuatValue.h"
#include "host/script/scene/SceneProperties.h"

namespace {

// The Biped a node of it (or one of its controllers) belongs to.
BipedRootControl* ArgBiped(const Value& v, const wchar_t* fn) {
    INode* n = NodeFromValue(v);
    if (v.ObjAs<NodeValue>() && !n) ThrowDeleted(L"scene node");
    Animatable* anim = n ? n->GetTMController() : AnimFromValue(v);
    if (auto* root = dynamic_cast<BipedRootControl*>(GetBipMasterInterface(anim))) return root;
    throw ScriptError(L"No \"" + std::wstring(fn) + L"\" function for " + v.PrintForm());
}

// A node of the Biped b (its root or one of its parts).
INode* ArgBipedNode(BipedRootControl* b, const Value& v, const wchar_t* fn) {
    INode* n = ArgSceneNode(v, fn);
    if (ArgBiped(v, fn) != b)
        throw ScriptError(L"Runtime error: " + std::wstring(fn) + L": " + n->GetName() + L" is not a node of " +
                          (b->GetRootNode() ? b->GetRootNode()->GetName() : L"the Biped"));
    return n;
}

DWORD ArgModes(const Value& v, const wchar_t* fn) {
    const std::int64_t m = ArgInt(v);
    if (m <= 0 || (m & ~static_cast<std::int64_t>(BMODE_ALL)))
        throw ScriptError(L"Runtime error: " + std::wstring(fn) + L": unknown mode bits " + std::to_wstring(m));
    return static_cast<DWORD>(m);
}

// #showFootsteps or #twistLinks.
bool ArgSwitch(const Value& v, const wchar_t* fn) {
    const std::wstring name = v.Is(Value::Type::Name) ? LowerName(v.NameText()) : L"";
    if (name != L"showfootsteps" && name != L"twistlinks")
        throw ScriptError(L"Runtime error: " + std::wstring(fn) + L" takes #showFootsteps or #twistLinks, got: " +
                          v.PrintForm());
    return name == L"showfootsteps";
}

// Runs a file operation; its error (read after it ran) becomes a runtime error naming fn.
template <class Op, class Error> Value Checked(const wchar_t* fn, Op&& op, Error&& error) {
    if (!op()) throw ScriptError(L"Runtime error: " + std::wstring(fn) + L": " + std::wstring(error().c_str()));
    return Value::Bool(true);
}

} // namespace

void RegisterBipedBuiltins(Interpreter& in) {
    // bipedCreate name height: a new Biped; answers its root node.
    in.RegisterFunction(L"bipedCreate", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"bipedCreate", a, 2);
        const std::wstring& name = ArgString(a[0]);
        const double height = ArgFloat(a[1]);
        if (name.empty() || height <= 0)
            throw ScriptError(L"Runtime error: bipedCreate needs a name and a height above 0, got: " + a[0].PrintForm() +
                              L" " + a[1].PrintForm());
        return MakeNodeValue(CreateBiped(MSTR(name.c_str()), static_cast<float>(height)));
    });
    // bipedGetNode b id: the node of a body part by its id, or undefined.
    in.RegisterFunction(L"bipedGetNode", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"bipedGetNode", a, 2);
        INode* n = ArgBiped(a[0], L"bipedGetNode")->GetNode(static_cast<int>(ArgInt(a[1])));
        return n ? MakeNodeValue(n) : Value();
    });
    in.RegisterFunction(L"bipedGetMode", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"bipedGetMode", a, 1);
        return Value::Int(ArgBiped(a[0], L"bipedGetMode")->GetMode());
    });
    in.RegisterFunction(L"bipedBeginModes", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"bipedBeginModes", a, 2);
        ArgBiped(a[0], L"bipedBeginModes")->BeginModes(ArgModes(a[1], L"bipedBeginModes"));
        return Value::Ok();
    });
    in.RegisterFunction(L"bipedEndModes", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"bipedEndModes", a, 2);
        ArgBiped(a[0], L"bipedEndModes")->EndModes(ArgModes(a[1], L"bipedEndModes"));
        return Value::Ok();
    });
    // bipedGetTrack node [index]: the root's Vertical, Horizontal or Turning controller (index 1 to 3) for
    // the root node, the part's key controller for a part; the key functions work on them.
    in.RegisterFunction(L"bipedGetTrack", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"bipedGetTrack", a, 1, 2);
        BipedRootControl* b = ArgBiped(a[0], L"bipedGetTrack");
        INode* n = ArgBipedNode(b, a[0], L"bipedGetTrack");
        if (auto* part = dynamic_cast<BipedPartControl*>(n->GetTMController())) return MakeAnimValue(part->GetKeys());
        const int i = a.Count() == 2 ? ArgIndexIn(a[1], 3, L"bipedGetTrack", L"root track") : 0;
        return MakeAnimValue(b->Sub(BipedRootControl::kVerticalRef + i));
    });
    // bipedGetPos / bipedSetPos b node time [point] [setKey]: a node's position relative to its parent.
    in.RegisterFunction(L"bipedGetPos", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"bipedGetPos", a, 3);
        BipedRootControl* b = ArgBiped(a[0], L"bipedGetPos");
        return Value::Point(b->GetBipedPos(ArgTime(a[2]), ArgBipedNode(b, a[1], L"bipedGetPos")));
    });
    in.RegisterFunction(L"bipedSetPos", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"bipedSetPos", a, 4, 5);
        BipedRootControl* b = ArgBiped(a[0], L"bipedSetPos");
        b->SetBipedPos(ArgPoint(a[3]), ArgTime(a[2]), ArgBipedNode(b, a[1], L"bipedSetPos"),
                       a.Count() == 5 && ArgBool(a[4]));
        return Value::Ok();
    });
    in.RegisterFunction(L"bipedGetRot", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"bipedGetRot", a, 3);
        BipedRootControl* b = ArgBiped(a[0], L"bipedGetRot");
        return Value::Object(std::make_shared<QuatValue>(b->GetBipedRot(ArgTime(a[2]), ArgBipedNode(b, a[1], L"bipedGetRot"))));
    });
    in.RegisterFunction(L"bipedSetRot", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"bipedSetRot", a, 4, 5);
        BipedRootControl* b = ArgBiped(a[0], L"bipedSetRot");
        auto* q = a[3].ObjAs<QuatValue>();
        if (!q) throw ScriptError(L"Runtime error: bipedSetRot needs a quat or eulerAngles, got: " + a[3].PrintForm());
        b->SetBipedRot(q->Rotation(), ArgTime(a[2]), ArgBipedNode(b, a[1], L"bipedSetRot"), a.Count() == 5 && ArgBool(a[4]));
        return Value::Ok();
    });
    in.RegisterFunction(L"bipedNumLayers", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"bipedNumLayers", a, 1);
        return Value::Int(ArgBiped(a[0], L"bipedNumLayers")->NumLayers());
    });
    in.RegisterFunction(L"bipedCreateLayer", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"bipedCreateLayer", a, 1);
        BipedRootControl* b = ArgBiped(a[0], L"bipedCreateLayer");
        b->CreateLayer(b->NumLayers(), L"");
        return Value::Int(b->NumLayers());
    });
    // bipedDeleteLayer b index (from 1).
    in.RegisterFunction(L"bipedDeleteLayer", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"bipedDeleteLayer", a, 2);
        BipedRootControl* b = ArgBiped(a[0], L"bipedDeleteLayer");
        b->DeleteLayer(ArgIndexIn(a[1], b->NumLayers(), L"bipedDeleteLayer", L"layer"));
        return Value::Ok();
    });
    in.RegisterFunction(L"bipedGetSwitch", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"bipedGetSwitch", a, 2);
        BipedRootControl* b = ArgBiped(a[0], L"bipedGetSwitch");
        return Value::Bool(ArgSwitch(a[1], L"bipedGetSwitch") ? b->GetShowFootsteps() : b->GetTwistLinks());
    });
    in.RegisterFunction(L"bipedSetSwitch", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"bipedSetSwitch", a, 3);
        BipedRootControl* b = ArgBiped(a[0], L"bipedSetSwitch");
        const BOOL on = ArgBool(a[2]) ? TRUE : FALSE;
        if (ArgSwitch(a[1], L"bipedSetSwitch")) b->SetShowFootsteps(on);
        else b->SetTwistLinks(on);
        return Value::Ok();
    });
    // bipedAddMixClip b name start end: a clip on the mixer (made when the Biped has none).
    in.RegisterFunction(L"bipedAddMixClip", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"bipedAddMixClip", a, 4);
        BipedRootControl* b = ArgBiped(a[0], L"bipedAddMixClip");
        MixClip clip{MSTR(ArgString(a[1]).c_str()), ArgTime(a[2]), ArgTime(a[3])};
        if (clip.end < clip.start)
            throw ScriptError(L"Runtime error: bipedAddMixClip: the clip ends before it starts: " + a[2].PrintForm() +
                              L" " + a[3].PrintForm());
        b->MakeMixer()->AddClip(clip);
        return Value::Int(b->GetMixer()->NumClips());
    });
    // bipedGetMixClips b: the names of the mixer's clips, or undefined without a mixer.
    in.RegisterFunction(L"bipedGetMixClips", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"bipedGetMixClips", a, 1);
        IMixer* mixer = ArgBiped(a[0], L"bipedGetMixClips")->GetMixer();
        if (!mixer) return Value();
        std::vector<Value> names;
        for (int i = 0; i < mixer->NumClips(); ++i) names.push_back(Value::String(mixer->GetClip(i).name.c_str()));
        return Value::Array(std::move(names));
    });
    // The animation and mixer files: true, or a runtime error saying why.
    in.RegisterFunction(L"bipedSaveFile", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"bipedSaveFile", a, 2);
        BipedRootControl* b = ArgBiped(a[0], L"bipedSaveFile");
        return Checked(L"bipedSaveFile", [&] { return b->SaveFile(ArgString(a[1]).c_str()); }, [&] { return b->GetLastFileError(); });
    });
    in.RegisterFunction(L"bipedLoadFile", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"bipedLoadFile", a, 2);
        BipedRootControl* b = ArgBiped(a[0], L"bipedLoadFile");
        return Checked(L"bipedLoadFile", [&] { return b->LoadFile(ArgString(a[1]).c_str()); }, [&] { return b->GetLastFileError(); });
    });
    in.RegisterFunction(L"bipedSaveMixFile", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"bipedSaveMixFile", a, 2);
        IMixer* mixer = ArgBiped(a[0], L"bipedSaveMixFile")->GetMixer();
        if (!mixer) throw ScriptError(L"Runtime error: bipedSaveMixFile: the Biped has no mixer");
        return Checked(L"bipedSaveMixFile", [&] { return mixer->SaveMixFile(ArgString(a[1]).c_str()); },
                       [&] { return mixer->GetLastFileError(); });
    });
    in.RegisterFunction(L"bipedLoadMixFile", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"bipedLoadMixFile", a, 2);
        // The Biped gets its mixer from the file only: a file that cannot be read leaves it without one.
        IMixer* mixer = ArgBiped(a[0], L"bipedLoadMixFile")->GetMaster();
        return Checked(L"bipedLoadMixFile", [&] { return mixer->LoadMixFile(ArgString(a[1]).c_str()); },
                       [&] { return mixer->GetLastFileError(); });
    });
}
