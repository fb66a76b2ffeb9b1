// Editable meshes and polys from script: snapshots and conversions (collapsing the stacks this host
// can), the vertex and face functions, and the meshop and polyop sets.
#include "host/core/ClassDirectory.h"
#include "host/scene/IDerivedObject.h"
#include "host/scene/INode.h"
#include "host/scene/IParamBlock2.h"
#include "host/scene/Interface.h"
#include "host/scene/Modifier.h"
#include "host/scene/objects/DerivedObject.h"
#include "host/scene/objects/EditableMesh.h"
#include "host/scene/objects/PrimitiveMesh.h"
#include "host/script/Interpreter.h"
#include "host/script/ScriptError.h"
#include "host/script/scene/NodeValue.h"
#include "host/script/scene/SceneClasses.h"
#include "host/script/scene/SceneProperties.h"

#include <cstdint>
#include <cwctype>

namespace {

Interface* Ip() { return GetCOREInterface(); }
TimeValue Now() { return Ip()->GetTime(); }

// The node's mesh in object space with its stack collapsed (from the bottom up to the modifier at top,
// 0 being the topmost), and in poly whether that part of the stack delivers a poly object: what the stack's
// evaluation delivers. A script error naming fn, the modifier and the node when this host cannot make it.
PolyMesh NodeMesh(INode* n, const wchar_t* fn, bool* poly = nullptr, int top = 0) {
    Object* obj = n->GetObjectRef();
    auto* d = dynamic_cast<DerivedObject*>(obj);
    PolyMesh m;
    std::wstring why;
    Object* base = SceneBaseObject(n);
    if (!BuildObjectMesh(base, Now(), m, why))
        throw ScriptError(std::wstring(L"Runtime error: ") + fn + L": cannot convert " + n->GetName() + L": " + why);
    const ObjectState os = d ? d->Eval(Now(), top) : ObjectState(obj);
    if (d && d->LastEvalFailure().mod)
        throw ScriptError(std::wstring(L"Runtime error: ") + fn + L": cannot collapse the modifier " +
                          d->LastEvalFailure().mod->GetName().str() + L" of " + n->GetName() + L": " +
                          d->LastEvalFailure().why);
    auto* delivered = dynamic_cast<EditableMeshObject*>(os.obj);
    if (poly) *poly = delivered && delivered->IsPoly();
    return delivered ? delivered->GetMesh() : m;
}

EditableMeshObject* NewEditable(bool poly, const PolyMesh& m) {
    auto* obj = static_cast<EditableMeshObject*>(static_cast<Animatable*>(GetClassDirectory().CreateInstance(
        GEOMOBJECT_CLASS_ID, poly ? EDITABLE_POLY_CLASS_ID : EDITABLE_MESH_CLASS_ID)));
    if (!obj) throw ScriptError(L"Runtime error: the editable mesh classes are not registered");
    obj->SetMesh(m);
    return obj;
}

// Collapses the node's stack into the object it delivers (an editable poly for a poly base or a stack
// that makes one, else an editable mesh), in place.
void CollapseNode(INode* n, const wchar_t* fn) {
    bool poly = false;
    PolyMesh m = NodeMesh(n, fn, &poly);
    n->SetObjectRef(NewEditable(poly, m));
}

// Collapses the node's stack into an editable mesh or poly in place (nothing to do when it already is one).
void ConvertNode(INode* n, bool poly, const wchar_t* fn) {
    auto* current = dynamic_cast<EditableMeshObject*>(n->GetObjectRef());
    if (current && current->IsPoly() == poly) return;
    PolyMesh m = NodeMesh(n, fn);
    n->SetObjectRef(NewEditable(poly, m));
}

EditableMeshObject* EditableOf(const Value& v) {
    INode* n = NodeFromValue(v);
    Animatable* a = n ? static_cast<Animatable*>(SceneBaseObject(n)) : AnimFromValue(v);
    return dynamic_cast<EditableMeshObject*>(a);
}

// What a reading mesh function sees: for a node, the mesh its stack delivers now (the base object when the
// stack delivers no mesh of its own); the object itself otherwise.
EditableMeshObject* DeliveredMeshOf(const Value& v) {
    if (INode* n = NodeFromValue(v))
        if (auto* e = dynamic_cast<EditableMeshObject*>(n->EvalWorldState(Now()).obj)) return e;
    return EditableOf(v);
}

EditableMeshObject* ArgDeliveredMesh(const Value& v, const std::wstring& fn) {
    if (EditableMeshObject* e = DeliveredMeshOf(v)) return e;
    if (v.ObjAs<NodeValue>() && !NodeFromValue(v)) ThrowDeleted(L"scene node");
    throw ScriptError(L"No \"" + fn + L"\" function for " + v.PrintForm());
}

// The editable mesh or poly a mesh function works on: "No "fn" function for <value>" otherwise, as the
// language answers a function called on a value it has no method for.
EditableMeshObject* ArgEditable(const Value& v, const std::wstring& fn) {
    if (EditableMeshObject* e = EditableOf(v)) return e;
    if (v.ObjAs<NodeValue>() && !NodeFromValue(v)) ThrowDeleted(L"scene node");
    throw ScriptError(L"No \"" + fn + L"\" function for " + v.PrintForm());
}

// A vertex list as scripts give it: one number, an array of numbers or a bit array (0-based indices).
std::vector<int> ArgIndexList(const Value& v, int count, const std::wstring& fn) {
    std::vector<int> out;
    if (v.Is(Value::Type::BitArray)) {
        const ::BitArray& bits = v.BitsRef();
        for (int i = 0; i < bits.GetSize(); ++i)
            if (bits[i]) out.push_back(ArgIndexIn(Value::Int(i + 1), count, fn, L"vertex"));
    } else if (v.Is(Value::Type::Array)) {
        for (const Value& x : v.Items()) out.push_back(ArgIndexIn(x, count, fn, L"vertex"));
    } else {
        out.push_back(ArgIndexIn(v, count, fn, L"vertex"));
    }
    return out;
}

// Positions are given and read in world space for a node (the current coordinate system), in the
// object's own space for an object.
Matrix3 SpaceOf(const Value& v) {
    INode* n = NodeFromValue(v);
    return n ? n->GetObjectTM(Now()) : Matrix3(1);
}

Value GetVertValue(const Value& obj, const Value& index, const std::wstring& fn, EditableMeshObject* e) {
    const int i = ArgIndexIn(index, e->GetMesh().getNumVerts(), fn, L"vertex");
    return Value::Point(SpaceOf(obj).PointTransform(e->GetMesh().getVert(i)));
}

void SetVerts(const Value& obj, const Value& list, const Value& pos, const std::wstring& fn, EditableMeshObject* e) {
    const Point3 local = Inverse(SpaceOf(obj)).PointTransform(ArgPoint(pos));
    for (int i : ArgIndexList(list, e->GetMesh().getNumVerts(), fn)) e->SetVert(i, local);
}

// meshop and polyop: the same vertex and face functions, each for its own kind of object.
class MeshOps : public HostObject {
public:
    explicit MeshOps(bool poly) : poly_(poly) {}
    std::wstring ClassName() const override { return L"StructDef"; }
    std::wstring PrintForm() const override { return poly_ ? L"#Struct:polyop" : L"#Struct:meshop"; }

    bool CallMethod(Interpreter&, const std::wstring& name, CallArgs& a, Value& out) override {
        const std::wstring fn = (poly_ ? L"polyop." : L"meshop.") + name;
        if (name == L"getnumverts" || name == L"getnumfaces") {
            CheckArgCount(fn.c_str(), a, 1);
            const PolyMesh& m = Editable(a[0])->GetMesh();
            out = Value::Int(name == L"getnumverts" ? m.getNumVerts() : m.getNumFaces());
        } else if (name == L"getvert") {
            CheckArgCount(fn.c_str(), a, 2);
            out = GetVertValue(a[0], a[1], fn, Editable(a[0]));
        } else if (name == L"setvert") {
            CheckArgCount(fn.c_str(), a, 3);
            SetVerts(a[0], a[1], a[2], fn, Editable(a[0]));
            out = Value::Ok();
        } else if (name == L"getfaceverts" || name == L"getface") {
            CheckArgCount(fn.c_str(), a, 2);
            const PolyMesh& m = Editable(a[0])->GetMesh();
            std::vector<Value> corners;
            for (int c : m.Face(ArgIndexIn(a[1], m.getNumFaces(), fn, L"face"))) corners.push_back(Value::Int(c + 1));
            out = Value::Array(std::move(corners));
        } else {
            return false;
        }
        return true;
    }

private:
    EditableMeshObject* Editable(const Value& v) const {
        EditableMeshObject* e = EditableOf(v);
        if (e && e->IsPoly() == poly_) return e;
        if (v.ObjAs<NodeValue>() && !NodeFromValue(v)) ThrowDeleted(L"scene node");
        Animatable* a = NodeFromValue(v) ? SceneBaseObject(NodeFromValue(v)) : AnimFromValue(v);
        MSTR what;
        if (a) a->GetClassName(what);
        else what = v.PrintForm();
        throw ScriptError(poly_ ? L"Runtime error: EPoly operation on non-Editable Poly: " + what.str()
                                : L"Runtime error: Mesh operation on non-Mesh: " + what.str());
    }
    bool poly_;
};

// Collapses the modifier at index (1 the topmost) and those below it into the base object, keeping the
// modifiers above.
void CollapseNodeTo(INode* n, std::int64_t index, const wchar_t* fn) {
    Object* obj = n->GetObjectRef();
    auto* d = obj && obj->SuperClassID() == GEN_DERIVOB_CLASS_ID ? static_cast<IDerivedObject*>(obj) : nullptr;
    const int count = d ? d->NumModifiers() : 0;
    if (index < 1 || index > count)
        throw ScriptError(std::wstring(L"Runtime error: ") + fn + L": modifier index out of range: " +
                          std::to_wstring(index) + L" (" + n->GetName() + L" has " + std::to_wstring(count) +
                          L" modifiers)");
    if (index == 1) return CollapseNode(n, fn);
    Object* below = d->GetObjRef();
    if (below && below->SuperClassID() == GEN_DERIVOB_CLASS_ID)
        throw ScriptError(std::wstring(L"Runtime error: ") + fn + L": the stack of " + n->GetName() +
                          L" holds a nested stack, which this host does not collapse in part");
    const int top = static_cast<int>(index) - 1;
    bool poly = false;
    PolyMesh m = NodeMesh(n, fn, &poly, top);
    for (int i = count - 1; i >= top; --i) d->DeleteModifier(i);
    d->ReferenceObject(NewEditable(poly, m));
}

// maxOps: the stack collapses of the modify panel (CollapseNode node noPrompt, CollapseNodeTo node index
// noPrompt).
class MaxOps : public HostObject {
public:
    std::wstring ClassName() const override { return L"Interface"; }
    std::wstring PrintForm() const override { return L"<Interface:maxOps>"; }
    bool CallMethod(Interpreter&, const std::wstring& name, CallArgs& a, Value& out) override {
        if (name == L"collapsenode") {
            CheckArgCount(L"maxOps.CollapseNode", a, 2);
            ArgBool(a[1]);
            CollapseNode(ArgSceneNode(a[0], L"maxOps.CollapseNode"), L"maxOps.CollapseNode");
        } else if (name == L"collapsenodeto") {
            CheckArgCount(L"maxOps.CollapseNodeTo", a, 3);
            ArgBool(a[2]);
            CollapseNodeTo(ArgSceneNode(a[0], L"maxOps.CollapseNodeTo"), ArgInt(a[1]), L"maxOps.CollapseNodeTo");
        } else {
            return false;
        }
        out = Value::Bool(true);
        return true;
    }
};

// A name for a node made from another: the other's name without its number, numbered anew.
std::wstring DerivedName(INode* n) {
    std::wstring base = n->GetName();
    while (!base.empty() && std::iswdigit(static_cast<wint_t>(base.back()))) base.pop_back();
    return UniqueNodeName(base.empty() ? L"Object" : base);
}

// Conversions take a node, or an array or collection of them, and answer what they were given.
NativeFn Converter(const wchar_t* fn, bool poly) {
    return [fn, poly](Interpreter& interp, CallArgs& a) {
        CheckArgCount(fn, a, 1);
        for (INode* n : NodesOf(interp, a[0], fn)) ConvertNode(n, poly, fn);
        return a[0];
    };
}

// The class a convertTo call names: an editable poly or mesh class (or the names scripts use for them).
bool ConvertTarget(const Value& cls) {
    std::wstring name = cls.Is(Value::Type::Class) ? cls.Cls()->Name() : cls.PrintForm();
    for (wchar_t& c : name) c = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
    if (name == L"editable_poly" || name == L"polymeshobject") return true;
    if (name == L"editable_mesh" || name == L"trimeshgeometry") return false;
    throw ScriptError(L"Runtime error: convertTo: cannot convert to " + cls.PrintForm() +
                      L": Editable_Poly, PolyMeshObject, Editable_mesh or TriMeshGeometry expected");
}

} // namespace

int ArgIndexIn(const Value& v, int count, const std::wstring& fn, const wchar_t* what) {
    std::int64_t i = ArgInt(v);
    if (i < 1 || i > count)
        throw ScriptError(L"Runtime error: " + fn + L": " + what + L" index out of range: " + std::to_wstring(i) +
                          L" (" + std::to_wstring(count) + L" " + (std::wstring(what) == L"vertex" ? L"vertice" : what) +
                          L"s)");
    return static_cast<int>(i - 1);
}

void RegisterMeshBuiltins(Interpreter& in) {
    // snapshot node: a new editable mesh node where the node is, holding its collapsed mesh.
    in.RegisterFunction(L"snapshot", [](Interpreter& interp, CallArgs& a) {
        CheckArgCount(L"snapshot", a, 1);
        INode* n = ArgSceneNode(a[0], L"snapshot");
        PolyMesh m = NodeMesh(n, L"snapshot");
        INode* made = Ip()->CreateObjectNode(NewEditable(false, m));
        const Value* name = a.Keyword(L"name");
        made->SetName(name ? ArgString(*name).c_str() : DerivedName(n).c_str());
        made->SetNodeTM(Now(), n->GetObjectTM(Now()));
        made->SetMtl(n->GetMtl());
        Value v = MakeNodeValue(made);
        ApplyKeywords(interp, v, a);
        return v;
    });
    // collapseStack node: the stack collapsed into the object it delivers; answers the node.
    in.RegisterFunction(L"collapseStack", [](Interpreter& interp, CallArgs& a) {
        CheckArgCount(L"collapseStack", a, 1);
        for (INode* n : NodesOf(interp, a[0], L"collapseStack")) CollapseNode(n, L"collapseStack");
        return a[0];
    });
    in.SetGlobal(L"maxOps", Value::Object(std::make_shared<MaxOps>()));
    in.RegisterFunction(L"convertToMesh", Converter(L"convertToMesh", false));
    in.RegisterFunction(L"convertToPoly", Converter(L"convertToPoly", true));
    in.RegisterFunction(L"convertTo", [](Interpreter& interp, CallArgs& a) {
        CheckArgCount(L"convertTo", a, 2);
        const bool poly = ConvertTarget(a[1]);
        for (INode* n : NodesOf(interp, a[0], L"convertTo")) ConvertNode(n, poly, L"convertTo");
        return a[0];
    });
    auto count = [](const wchar_t* fn, bool faces) {
        return [fn, faces](Interpreter&, CallArgs& a) {
            CheckArgCount(fn, a, 1);
            const PolyMesh& m = ArgDeliveredMesh(a[0], fn)->GetMesh();
            return Value::Int(faces ? m.getNumFaces() : m.getNumVerts());
        };
    };
    in.RegisterFunction(L"getNumVerts", count(L"getNumVerts", false));
    in.RegisterFunction(L"getNumFaces", count(L"getNumFaces", true));
    in.RegisterFunction(L"getVert", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"getVert", a, 2);
        return GetVertValue(a[0], a[1], L"getVert", ArgDeliveredMesh(a[0], L"getVert"));
    });
    in.RegisterFunction(L"setVert", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"setVert", a, 3);
        EditableMeshObject* e = ArgEditable(a[0], L"setVert");
        ArgIndexIn(a[1], e->GetMesh().getNumVerts(), L"setVert", L"vertex");
        SetVerts(a[0], a[1], a[2], L"setVert", e);
        return Value::Ok();
    });
    in.RegisterFunction(L"getFace", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"getFace", a, 2);
        const PolyMesh& m = ArgEditable(a[0], L"getFace")->GetMesh();
        std::vector<int> f = m.Face(ArgIndexIn(a[1], m.getNumFaces(), L"getFace", L"face"));
        if (f.size() != 3) throw ScriptError(L"Runtime error: getFace: face " + a[1].PrintForm() + L" is no triangle");
        return Value::Point(Point3(static_cast<float>(f[0] + 1), static_cast<float>(f[1] + 1), static_cast<float>(f[2] + 1)));
    });
    // Edits show at once here; update is kept for the scripts that call it after their edits.
    in.RegisterFunction(L"update", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"update", a, 1, 2);
        ArgSceneNode(a[0], L"update");
        return Value::Ok();
    });
    in.SetGlobal(L"meshop", Value::Object(std::make_shared<MeshOps>(false)));
    in.SetGlobal(L"polyop", Value::Object(std::make_shared<MeshOps>(true)));
}

bool GetDeliveredMeshCount(INode* n, const std::wstring& name, Value& out) {
    if (name != L"numverts" && name != L"numfaces") return false;
    auto* e = dynamic_cast<EditableMeshObject*>(n->EvalWorldState(Now()).obj);
    if (!e) return false;
    out = Value::Int(name == L"numverts" ? e->GetMesh().getNumVerts() : e->GetMesh().getNumFaces());
    return true;
}
