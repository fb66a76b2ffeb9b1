// The application from script: clearListener, the max commands a headless host honours, the command
// panel modes, the modify panel (modPanel) and the material editor's slots.
#include "host/core/Listener.h"
#include "host/scene/HostDialogs.h"
#include "host/scene/IDerivedObject.h"
#include "host/scene/INode.h"
#include "host/scene/Interface.h"
#include "host/scene/Modifier.h"
#include "host/scene/Mtl.h"
#include "host/script/Interpreter.h"
#include "host/script/Lexer.h"
#include "host/script/ScriptError.h"
#include "host/script/scene/NodeValue.h"
#include "host/script/scene/SceneProperties.h"

#include <memory>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

namespace {

Interface* Ip() { return GetCOREInterface(); }

constexpr int kMeditSlots = 24;

const std::pair<int, const wchar_t*> kTaskModes[] = {
    {TASK_MODE_CREATE, L"create"},   {TASK_MODE_MODIFY, L"modify"},   {TASK_MODE_HIERARCHY, L"hierarchy"},
    {TASK_MODE_MOTION, L"motion"},   {TASK_MODE_DISPLAY, L"display"}, {TASK_MODE_UTILITY, L"utility"}};

std::vector<INode*> SelectedNodes() {
    INodeTab tab;
    Ip()->GetSelNodeTab(tab);
    std::vector<INode*> out;
    for (int i = 0; i < tab.Count(); ++i) out.push_back(tab[i]);
    return out;
}

// A node's modifier stack as the modify panel lists it: modifiers from the top, then the base object.
std::vector<Animatable*> StackOf(INode* node) {
    std::vector<Animatable*> out;
    if (IDerivedObject* d = NodeDerivedObject(node, false)) {
        for (int i = 0; i < d->NumModifiers(); ++i) out.push_back(d->GetModifier(i));
        out.push_back(d->GetObjRef());
    } else if (Object* o = node->GetObjectRef()) {
        out.push_back(o);
    }
    return out;
}

// The entries the modify panel shows for the selection: one node's whole stack, or for several nodes the
// modifiers that every one of them holds (instances), in the first node's order.
std::vector<Animatable*> SharedStack(const std::vector<INode*>& nodes) {
    if (nodes.empty()) return {};
    std::vector<Animatable*> first = StackOf(nodes.front());
    if (nodes.size() == 1) return first;
    std::vector<std::unordered_set<Animatable*>> others;
    for (size_t i = 1; i < nodes.size(); ++i) {
        std::vector<Animatable*> s = StackOf(nodes[i]);
        others.emplace_back(s.begin(), s.end());
    }
    std::vector<Animatable*> out;
    for (Animatable* a : first) {
        bool shared = a && a->SuperClassID() == OSM_CLASS_ID;
        for (const auto& o : others) shared = shared && o.count(a);
        if (shared) out.push_back(a);
    }
    return out;
}

bool InModifyMode() { return Ip()->GetCommandPanelTaskMode() == TASK_MODE_MODIFY; }

// The entry the modify panel has current: the one last made current while it is still shown, else the
// top of what is shown; undefined outside the Modify panel or with nothing selected.
Animatable* CurrentObject() {
    if (!InModifyMode()) return nullptr;
    std::vector<Animatable*> shown = SharedStack(SelectedNodes());
    if (shown.empty()) return nullptr;
    ReferenceTarget* cur = Ip()->GetCurEditObject();
    for (Animatable* a : shown)
        if (a == cur) return a;
    return shown.front();
}

class ModPanel : public HostObject {
public:
    std::wstring ClassName() const override { return L"Interface"; }
    std::wstring PrintForm() const override { return L"<Interface:modPanel>"; }

    bool CallMethod(Interpreter&, const std::wstring& name, CallArgs& a, Value& out) override {
        if (name == L"getcurrentobject") {
            CheckArgCount(L"modPanel.getCurrentObject", a, 0);
            out = MakeAnimValue(CurrentObject());
        } else if (name == L"setcurrentobject") {
            CheckArgCount(L"modPanel.setCurrentObject", a, 1);
            SetCurrent(a);
            out = Value::Ok();
        } else if (name == L"addmodtoselection") {
            CheckArgCount(L"modPanel.addModToSelection", a, 1);
            out = Value::Bool(AddToSelection(a[0]));
        } else if (name == L"validmodifier") {
            CheckArgCount(L"modPanel.validModifier", a, 1);
            out = Value::Bool(!SelectedNodes().empty() && IsModifierValue(a[0]));
        } else {
            return false;
        }
        return true;
    }

private:
    static bool IsModifierValue(const Value& v) {
        Animatable* m = AnimFromValue(v);
        return m && m->SuperClassID() == OSM_CLASS_ID;
    }

    // modPanel.setCurrentObject obj [node:n]: obj must be an entry the panel shows for the selection (or
    // for node:, which is selected first).
    static void SetCurrent(CallArgs& a) {
        if (const Value* nodeArg = a.Keyword(L"node")) {
            INode* n = NodeFromValue(*nodeArg);
            if (!n) ThrowConvertError(*nodeArg, L"Node");
            Ip()->SelectNode(n, 1);
        }
        if (!InModifyMode())
            throw ScriptError(L"Runtime error: modPanel.setCurrentObject: the Modify panel is not open");
        Animatable* target = AnimFromValue(a[0]);
        for (Animatable* shown : SharedStack(SelectedNodes()))
            if (target && shown == target) {
                Ip()->SetCurEditObject(dynamic_cast<ReferenceTarget*>(target));
                return;
            }
        throw ScriptError(L"Runtime error: modPanel.setCurrentObject: " + a[0].PrintForm() +
                          L" is not in the modifier stack of the selection");
    }

    // The modifier goes into the stack of every selected node, as one instance, above each node's current
    // entry (on top when the current one is not in that node's stack), and becomes the current entry.
    static bool AddToSelection(const Value& modValue) {
        Animatable* m = AnimFromValue(modValue);
        if (!m || m->SuperClassID() != OSM_CLASS_ID) ThrowConvertError(modValue, L"Modifier");
        const std::vector<INode*> nodes = SelectedNodes();
        if (nodes.empty()) return false;
        Animatable* current = CurrentObject();
        auto* mod = static_cast<Modifier*>(m);
        for (INode* n : nodes) {
            IDerivedObject* d = NodeDerivedObject(n, true);
            int before = 0;
            for (int i = 0; i < d->NumModifiers(); ++i)
                if (d->GetModifier(i) == current) before = i;
            d->AddModifier(mod, nullptr, before);
        }
        Ip()->SetCommandPanelTaskMode(TASK_MODE_MODIFY);
        Ip()->SetCurEditObject(mod);
        return true;
    }
};

int SlotArg(const wchar_t* fn, const Value& v) {
    const std::int64_t i = ArgInt(v);
    if (i < 1 || i > kMeditSlots)
        throw ScriptError(std::wstring(L"Runtime error: ") + fn + L": slot must be from 1 to 24, got: " +
                          std::to_wstring(i));
    return static_cast<int>(i - 1);
}

MtlBase* MaterialArg(const Value& v) {
    Animatable* a = AnimFromValue(v);
    if (!a || (a->SuperClassID() != MATERIAL_CLASS_ID && a->SuperClassID() != TEXMAP_CLASS_ID))
        ThrowConvertError(v, L"Material");
    return static_cast<MtlBase*>(a);
}

// "max file save": the open file, or the file the user names in the save dialog for an untitled scene
// (none chosen: nothing is saved).
void SaveSceneFile() {
    std::wstring path = Ip()->GetCurFilePath().str();
    if (path.empty()) {
        SaveFileDialog dialog;
        dialog.title = L"Save File As";
        dialog.filters = {{L"Scene Files (*.max)", L"*.max"}};
        if (!GetHostDialogs().ShowSaveFileDialog(dialog) || dialog.result.isNull()) return;
        path = dialog.result.str();
    }
    if (!Ip()->SaveToFile(path.c_str()))
        throw ScriptError(L"Runtime error: max file save: " + std::wstring(Ip()->GetLastFileError().str()));
}

void SelectAll(bool invert) {
    const std::vector<INode*> current = SelectedNodes();
    const std::unordered_set<INode*> selected(current.begin(), current.end());
    INodeTab wanted;
    std::vector<INode*> stack{Ip()->GetRootNode()};
    while (!stack.empty()) {
        INode* n = stack.back();
        stack.pop_back();
        // Hidden and frozen nodes cannot be picked in the viewports, so the commands leave them out.
        if (!n->IsRootNode() && !n->IsHidden() && !n->IsFrozen() && (!invert || !selected.count(n)))
            wanted.Append(n);
        for (int i = n->NumberOfChildren() - 1; i >= 0; --i) stack.push_back(n->GetChildNode(i));
    }
    Ip()->ClearNodeSelection();
    Ip()->SelectNodeTab(wanted, TRUE);
}

} // namespace

void RegisterApplicationBuiltins(Interpreter& in) {
    in.RegisterFunction(L"clearListener", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"clearListener", a, 0);
        ClearListenerText();
        return Value::Ok();
    });

    in.RegisterMaxCommand(L"select all", [](Interpreter&) { SelectAll(false); });
    in.RegisterMaxCommand(L"select invert", [](Interpreter&) { SelectAll(true); });
    in.RegisterMaxCommand(L"select none", [](Interpreter&) { Ip()->ClearNodeSelection(); });
    in.RegisterMaxCommand(L"file save", [](Interpreter&) { SaveSceneFile(); });
    // Viewport commands: a headless host has no viewport to frame or redraw, so they change nothing.
    for (const wchar_t* view : {L"zoomext sel", L"zoomext sel all", L"views redraw"})
        in.RegisterMaxCommand(view, [](Interpreter&) {});
    for (const auto& [mode, word] : kTaskModes)
        in.RegisterMaxCommand(std::wstring(word) + L" mode", [mode = mode](Interpreter&) {
            Ip()->SetCommandPanelTaskMode(mode);
        });
    in.RegisterFunction(L"getCommandPanelTaskMode", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"getCommandPanelTaskMode", a, 0);
        for (const auto& [mode, word] : kTaskModes)
            if (Ip()->GetCommandPanelTaskMode() == mode) return Value::Name(word);
        return Value();
    });
    in.RegisterFunction(L"setCommandPanelTaskMode", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"setCommandPanelTaskMode", a, 0, 1);
        const Value* m = a.Keyword(L"mode");
        const Value& v = m ? *m : (a.Count() ? a[0] : Value());
        for (const auto& [mode, word] : kTaskModes)
            if (v.Is(Value::Type::Name) && LowerName(v.NameText()) == word) {
                Ip()->SetCommandPanelTaskMode(mode);
                return Value::Ok();
            }
        throw ScriptError(L"Runtime error: setCommandPanelTaskMode: mode must be #create, #modify, #hierarchy, "
                          L"#motion, #display or #utility, got: " + v.PrintForm());
    });
    in.SetGlobal(L"modPanel", Value::Object(std::make_shared<ModPanel>()));

    auto activeSlot = std::make_shared<int>(1);
    in.RegisterGlobalAccessor(
        L"activeMeditSlot", [activeSlot](Interpreter&) { return Value::Int(*activeSlot); },
        [activeSlot](Interpreter&, const Value& v) { *activeSlot = SlotArg(L"activeMeditSlot", v) + 1; });
    in.RegisterFunction(L"getMeditMaterial", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"getMeditMaterial", a, 1);
        return MakeAnimValue(Ip()->GetMtlSlot(SlotArg(L"getMeditMaterial", a[0])));
    });
    in.RegisterFunction(L"setMeditMaterial", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"setMeditMaterial", a, 2);
        const int slot = SlotArg(L"setMeditMaterial", a[0]);
        Ip()->PutMtlToMtlEditor(MaterialArg(a[1]), slot);
        return Value::Ok();
    });
}
