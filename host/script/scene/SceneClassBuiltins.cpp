// The common scene classes from script: light and camera properties and targets, instances and
// references of nodes, snapshots and conversions to editable meshes and polys, the mesh and poly vertex
// functions (with the meshop and polyop sets), and the editable spline functions.
#include "host/core/ClassDirectory.h"
#include "host/scene/Control.h"
#include "host/scene/IDerivedObject.h"
#include "host/scene/INode.h"
#include "host/scene/IParamBlock2.h"
#include "host/scene/Interface.h"
#include "host/scene/Modifier.h"
#include "host/scene/controllers/ControllerClassIds.h"
#include "host/scene/controllers/LookAtConstraint.h"
#include "host/scene/objects/EditableMesh.h"
#include "host/scene/objects/PrimitiveMesh.h"
#include "host/scene/objects/SplineShape.h"
#include "host/scene/objects/StandardLight.h"
#include "host/scene/objects/XFormModifier.h"
#include "host/script/Interpreter.h"
#include "host/script/ScriptError.h"
#include "host/script/scene/NodeValue.h"
#include "host/script/scene/SceneClasses.h"
#include "host/script/scene/SceneProperties.h"

#include <cwctype>
#include <unordered_set>

namespace {

Interface* Ip() { return GetCOREInterface(); }
TimeValue Now() { return Ip()->GetTime(); }

Object* BaseOf(INode* n) {
    Object* o = n ? n->GetObjectRef() : nullptr;
    return o ? o->FindBaseObject() : nullptr;
}

const ObjectClassDef* DefOf(Animatable* a) {
    auto* cd = a ? dynamic_cast<ObjectClassDesc*>(GetClassDirectory().FindClass(a->SuperClassID(), a->ClassID()))
                 : nullptr;
    return cd ? &cd->Def() : nullptr;
}

std::wstring ClassWord(Animatable* a) {
    MSTR s;
    a->GetClassName(s);
    return s.str();
}

// ---- lights --------------------------------------------------------------------------------------

// A light's include or exclude list as an array, undefined when the list is of the other kind.
Value ListValue(LightObject* l, bool include) {
    ExclList* list = l->GetExclList();
    if ((list->TestFlag(NT_INCLUDE) != 0) != include) return Value();
    std::vector<Value> nodes;
    for (INode* n : list->Nodes()) nodes.push_back(MakeNodeValue(n));
    return Value::Array(std::move(nodes));
}

void SetList(Interpreter& interp, LightObject* l, bool include, const Value& v) {
    std::vector<INode*> nodes = NodesOf(interp, v, include ? L"includeList" : L"excludeList");
    ExclList* list = l->GetExclList();
    list->SetSize(0);
    for (INode* n : nodes) list->AddNode(n);
    list->SetFlag(NT_INCLUDE, include ? TRUE : FALSE);
}

// ---- meshes --------------------------------------------------------------------------------------

// The modifiers whose effect on vertices and faces is none in this host, so that a stack holding only
// these, XForms (which move the vertices) and disabled ones collapses to a mesh.
// Edit Mesh and Edit Poly hold no edits here, and an FFD's lattice keeps its control points where they
// were made, so it moves nothing; the smoothing modifiers subdivide only with iterations above zero.
bool LeavesGeometry(Modifier* m) {
    const Class_ID id = m->ClassID();
    if (id == TURBOSMOOTH_MODIFIER_CLASS_ID || id == MESHSMOOTH_MODIFIER_CLASS_ID) {
        IParamBlock2* pb = m->GetParamBlock(0);
        return !m->IsEnabled() || (pb && pb->GetInt(id == TURBOSMOOTH_MODIFIER_CLASS_ID ? 0 : 3, Now()) == 0);
    }
    return !m->IsEnabled() || id == UVWMAP_MODIFIER_CLASS_ID || id == UNWRAP_UVW_MODIFIER_CLASS_ID ||
           id == EDIT_MESH_MODIFIER_CLASS_ID || id == EDIT_POLY_MODIFIER_CLASS_ID || id == FFD2_MODIFIER_CLASS_ID ||
           id == FFD3_MODIFIER_CLASS_ID || id == FFD4_MODIFIER_CLASS_ID;
}

// The node's mesh in object space with its stack collapsed; a script error naming fn and the node when
// this host cannot make it.
PolyMesh NodeMesh(INode* n, const wchar_t* fn) {
    Object* obj = n->GetObjectRef();
    auto* d = obj && obj->SuperClassID() == GEN_DERIVOB_CLASS_ID ? static_cast<IDerivedObject*>(obj) : nullptr;
    for (int i = 0; d && i < d->NumModifiers(); ++i)
        if (!LeavesGeometry(d->GetModifier(i)) && !dynamic_cast<XFormModifier*>(d->GetModifier(i)))
            throw ScriptError(std::wstring(L"Runtime error: ") + fn + L": cannot collapse the modifier " +
                              d->GetModifier(i)->GetName().str() + L" of " + n->GetName() +
                              L": its effect on the mesh is not modelled in this host");
    PolyMesh m;
    std::wstring why;
    if (!BuildObjectMesh(BaseOf(n), Now(), m, why))
        throw ScriptError(std::wstring(L"Runtime error: ") + fn + L": cannot convert " + n->GetName() + L": " + why);
    // From the bottom of the stack up.
    for (int i = d ? d->NumModifiers() - 1 : -1; i >= 0; --i)
        if (auto* xf = dynamic_cast<XFormModifier*>(d->GetModifier(i)); xf && xf->IsEnabled()) m.Transform(xf->Effect(Now()));
    return m;
}

EditableMeshObject* NewEditable(bool poly, const PolyMesh& m) {
    auto* obj = static_cast<EditableMeshObject*>(static_cast<Animatable*>(GetClassDirectory().CreateInstance(
        GEOMOBJECT_CLASS_ID, poly ? EDITABLE_POLY_CLASS_ID : EDITABLE_MESH_CLASS_ID)));
    if (!obj) throw ScriptError(L"Runtime error: the editable mesh classes are not registered");
    obj->SetMesh(m);
    return obj;
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
    Animatable* a = n ? static_cast<Animatable*>(BaseOf(n)) : AnimFromValue(v);
    return dynamic_cast<EditableMeshObject*>(a);
}

// The editable mesh or poly a mesh function works on: "No "fn" function for <value>" otherwise, as the
// language answers a function called on a value it has no method for.
EditableMeshObject* ArgEditable(const Value& v, const std::wstring& fn) {
    if (EditableMeshObject* e = EditableOf(v)) return e;
    if (v.ObjAs<NodeValue>() && !NodeFromValue(v)) ThrowDeleted(L"scene node");
    throw ScriptError(L"No \"" + fn + L"\" function for " + v.PrintForm());
}

// A 1-based vertex or face number, checked against the count.
int ArgIndex(const Value& v, int count, const std::wstring& fn, const wchar_t* what) {
    std::int64_t i = ArgInt(v);
    if (i < 1 || i > count)
        throw ScriptError(L"Runtime error: " + fn + L": " + what + L" index out of range: " + std::to_wstring(i) +
                          L" (" + std::to_wstring(count) + L" " + (std::wstring(what) == L"vertex" ? L"vertice" : what) +
                          L"s)");
    return static_cast<int>(i - 1);
}

// A vertex list as scripts give it: one number, an array of numbers or a bit array (0-based indices).
std::vector<int> ArgIndexList(const Value& v, int count, const std::wstring& fn) {
    std::vector<int> out;
    if (v.Is(Value::Type::BitArray)) {
        const ::BitArray& bits = v.BitsRef();
        for (int i = 0; i < bits.GetSize(); ++i)
            if (bits[i]) out.push_back(ArgIndex(Value::Int(i + 1), count, fn, L"vertex"));
    } else if (v.Is(Value::Type::Array)) {
        for (const Value& x : v.Items()) out.push_back(ArgIndex(x, count, fn, L"vertex"));
    } else {
        out.push_back(ArgIndex(v, count, fn, L"vertex"));
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
    const int i = ArgIndex(index, e->GetMesh().getNumVerts(), fn, L"vertex");
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
            for (int c : m.Face(ArgIndex(a[1], m.getNumFaces(), fn, L"face"))) corners.push_back(Value::Int(c + 1));
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
        Animatable* a = NodeFromValue(v) ? BaseOf(NodeFromValue(v)) : AnimFromValue(v);
        const std::wstring what = a ? ClassWord(a) : v.PrintForm();
        throw ScriptError(poly_ ? L"Runtime error: EPoly operation on non-Editable Poly: " + what
                                : L"Runtime error: Mesh operation on non-Mesh: " + what);
    }
    bool poly_;
};

// ---- splines -------------------------------------------------------------------------------------

SplineShape* ArgShape(const Value& v, const std::wstring& fn) {
    INode* n = NodeFromValue(v);
    auto* s = dynamic_cast<SplineShape*>(n ? static_cast<Animatable*>(BaseOf(n)) : AnimFromValue(v));
    if (s) return s;
    if (v.ObjAs<NodeValue>() && !n) ThrowDeleted(L"scene node");
    throw ScriptError(L"No \"" + fn + L"\" function for " + v.PrintForm());
}

int ArgSpline(const Value& v, SplineShape* s, const std::wstring& fn) {
    return ArgIndex(v, static_cast<int>(s->Splines().size()), fn, L"spline");
}

int NameIndex(const Value& v, std::initializer_list<const wchar_t*> names, const std::wstring& fn) {
    if (v.Is(Value::Type::Name)) {
        std::wstring lower = v.NameText();
        for (wchar_t& c : lower) c = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
        int i = 0;
        for (const wchar_t* n : names) {
            std::wstring want = n;
            for (wchar_t& c : want) c = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
            if (want == lower) return i;
            ++i;
        }
    }
    std::wstring list;
    for (const wchar_t* n : names) list += (list.empty() ? L"#" : L", #") + std::wstring(n);
    throw ScriptError(L"Runtime error: " + fn + L": expected one of " + list + L", got: " + v.PrintForm());
}

constexpr std::initializer_list<const wchar_t*> kKnotNames = {L"smooth", L"corner", L"bezier", L"bezierCorner"};

void RegisterSplineFunctions(Interpreter& in) {
    in.RegisterFunction(L"numSplines", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"numSplines", a, 1);
        return Value::Int(static_cast<std::int64_t>(ArgShape(a[0], L"numSplines")->Splines().size()));
    });
    in.RegisterFunction(L"numKnots", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"numKnots", a, 1, 2);
        SplineShape* s = ArgShape(a[0], L"numKnots");
        if (a.Count() == 1) return Value::Int(s->NumKnots());
        return Value::Int(static_cast<std::int64_t>(s->Splines()[static_cast<size_t>(ArgSpline(a[1], s, L"numKnots"))].knots.size()));
    });
    in.RegisterFunction(L"numSegments", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"numSegments", a, 2);
        SplineShape* s = ArgShape(a[0], L"numSegments");
        return Value::Int(s->Splines()[static_cast<size_t>(ArgSpline(a[1], s, L"numSegments"))].Segments());
    });
    in.RegisterFunction(L"addNewSpline", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"addNewSpline", a, 1);
        SplineShape* s = ArgShape(a[0], L"addNewSpline");
        std::vector<Spline3D> next = s->Splines();
        next.emplace_back();
        s->SetSplines(std::move(next));
        return Value::Int(static_cast<std::int64_t>(s->Splines().size()));
    });
    // addKnot shape spline knotType segmentType point [inVec outVec [where]]: the tangent vectors are
    // accepted and not kept (knots hold their position and types); where inserts after that knot.
    in.RegisterFunction(L"addKnot", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"addKnot", a, 5, 8);
        if (a.Count() == 6) throw ScriptError(L"Runtime error: addKnot: an in vector needs an out vector");
        SplineShape* s = ArgShape(a[0], L"addKnot");
        const int sp = ArgSpline(a[1], s, L"addKnot");
        SplineKnot k;
        k.type = NameIndex(a[2], kKnotNames, L"addKnot");
        k.segment = NameIndex(a[3], {L"curve", L"line"}, L"addKnot");
        k.p = ArgPoint(a[4]);
        for (size_t i = 5; i < a.Count() && i < 7; ++i) ArgPoint(a[i]);
        std::vector<Spline3D> next = s->Splines();
        auto& knots = next[static_cast<size_t>(sp)].knots;
        size_t at = knots.size();
        if (a.Count() == 8) at = static_cast<size_t>(ArgIndex(a[7], static_cast<int>(knots.size()), L"addKnot", L"knot")) + 1;
        knots.insert(knots.begin() + static_cast<std::ptrdiff_t>(at), k);
        s->SetSplines(std::move(next));
        return Value::Int(static_cast<std::int64_t>(at + 1));
    });
    auto knotAccess = [](const wchar_t* fn, bool set) {
        return [fn, set](Interpreter&, CallArgs& a) {
            CheckArgCount(fn, a, set ? 4 : 3);
            SplineShape* s = ArgShape(a[0], fn);
            const int sp = ArgSpline(a[1], s, fn);
            std::vector<Spline3D> next = s->Splines();
            auto& knots = next[static_cast<size_t>(sp)].knots;
            SplineKnot& k = knots[static_cast<size_t>(ArgIndex(a[2], static_cast<int>(knots.size()), fn, L"knot"))];
            const bool type = std::wstring(fn).find(L"Type") != std::wstring::npos;
            if (!set) return type ? Value::Name(*(kKnotNames.begin() + k.type)) : Value::Point(k.p);
            if (type)
                k.type = NameIndex(a[3], kKnotNames, fn);
            else
                k.p = ArgPoint(a[3]);
            s->SetSplines(std::move(next));
            return Value::Ok();
        };
    };
    in.RegisterFunction(L"getKnotPoint", knotAccess(L"getKnotPoint", false));
    in.RegisterFunction(L"setKnotPoint", knotAccess(L"setKnotPoint", true));
    in.RegisterFunction(L"getKnotType", knotAccess(L"getKnotType", false));
    in.RegisterFunction(L"setKnotType", knotAccess(L"setKnotType", true));
    auto closing = [](const wchar_t* fn, bool closed) {
        return [fn, closed](Interpreter&, CallArgs& a) {
            CheckArgCount(fn, a, 2);
            SplineShape* s = ArgShape(a[0], fn);
            std::vector<Spline3D> next = s->Splines();
            next[static_cast<size_t>(ArgSpline(a[1], s, fn))].closed = closed;
            s->SetSplines(std::move(next));
            return Value::Ok();
        };
    };
    // close also ends file streams: one argument goes to that close.
    Value streamClose;
    in.GetGlobal(L"close", streamClose);
    in.RegisterFunction(L"close", [streamClose, shapeClose = closing(L"close", true)](Interpreter& interp, CallArgs& a) {
        if (a.Count() == 1 && streamClose.Is(Value::Type::Function)) return interp.Call(streamClose, a);
        return shapeClose(interp, a);
    });
    in.RegisterFunction(L"open", closing(L"open", false));
    in.RegisterFunction(L"isClosed", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"isClosed", a, 2);
        SplineShape* s = ArgShape(a[0], L"isClosed");
        return Value::Bool(s->Splines()[static_cast<size_t>(ArgSpline(a[1], s, L"isClosed"))].closed);
    });
    in.RegisterFunction(L"deleteSpline", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"deleteSpline", a, 2);
        SplineShape* s = ArgShape(a[0], L"deleteSpline");
        std::vector<Spline3D> next = s->Splines();
        next.erase(next.begin() + ArgSpline(a[1], s, L"deleteSpline"));
        s->SetSplines(std::move(next));
        return Value::Ok();
    });
    // Edits show at once here; updateShape is kept for the scripts that call it after their edits.
    in.RegisterFunction(L"updateShape", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"updateShape", a, 1);
        ArgShape(a[0], L"updateShape");
        return Value::Ok();
    });
}

// ---- nodes ---------------------------------------------------------------------------------------

INode* ArgNodeOf(const Value& v, const wchar_t* fn) {
    INode* n = NodeFromValue(v);
    if (n) return n;
    if (v.ObjAs<NodeValue>()) ThrowDeleted(L"scene node");
    throw ScriptError(std::wstring(L"Runtime error: ") + fn + L" needs a node, got: " + v.PrintForm());
}

// instance and reference: a new node sharing the object (instance) or a new stack over it (reference).
NativeFn CloneAs(const wchar_t* fn, CloneType type) {
    return [fn, type](Interpreter& interp, CallArgs& a) {
        CheckArgCount(fn, a, 1);
        INode* n = ArgNodeOf(a[0], fn);
        INodeTab from, made;
        from.Append(n);
        if (!Ip()->CloneNodes(from, Point3(), false, type, nullptr, &made) || made.Count() != 1)
            throw ScriptError(std::wstring(L"Runtime error: ") + fn + L": cannot clone " + a[0].PrintForm());
        Value v = MakeNodeValue(made[0]);
        if (const Value* name = a.Keyword(L"name")) made[0]->SetName(ArgString(*name).c_str());
        ApplyKeywords(interp, v, a);
        return v;
    };
}

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

// group nodes [name:] [select:]: a dummy head at the centre of the nodes' bounds; the nodes whose
// parent is not among them are linked to it, and all become its members.
Value GroupNodes(Interpreter& interp, CallArgs& a) {
    CheckArgCount(L"group", a, 1);
    std::vector<INode*> nodes = NodesOf(interp, a[0], L"group");
    if (nodes.empty()) throw ScriptError(L"Runtime error: group: no nodes to group in " + a[0].PrintForm());
    std::unordered_set<INode*> members(nodes.begin(), nodes.end());
    Box3 bounds;
    for (INode* n : nodes) {
        Box3 local;
        if (Object* o = n->GetObjectRef()) o->GetLocalBoundBox(Now(), n, local);
        const Matrix3 tm = n->GetObjectTM(Now());
        if (local.IsEmpty()) {
            bounds += tm.GetTrans();
            continue;
        }
        for (int c = 0; c < 8; ++c)
            bounds += tm.PointTransform(Point3(c & 1 ? local.pmax.x : local.pmin.x, c & 2 ? local.pmax.y : local.pmin.y,
                                               c & 4 ? local.pmax.z : local.pmin.z));
    }
    auto* dummy = static_cast<Object*>(
        static_cast<Animatable*>(GetClassDirectory().CreateInstance(HELPER_CLASS_ID, DUMMY_HELPER_CLASS_ID)));
    if (!dummy) throw ScriptError(L"Runtime error: the dummy class is not registered");
    INode* head = Ip()->CreateObjectNode(dummy);
    const Value* name = a.Keyword(L"name");
    head->SetName(name ? ArgString(*name).c_str() : UniqueNodeName(L"Group").c_str());
    Matrix3 tm(1);
    tm.SetTrans(bounds.Center());
    head->SetNodeTM(Now(), tm);
    // The group sits where the first node's parent is.
    if (INode* parent = nodes[0]->GetParentNode(); parent && !parent->IsRootNode() && !members.count(parent))
        parent->AttachChild(head, 1);
    for (INode* n : nodes) {
        INode* parent = n->GetParentNode();
        if (!parent || parent->IsRootNode() || !members.count(parent)) head->AttachChild(n, 1);
        n->SetGroupMember(TRUE);
    }
    head->SetGroupHead(TRUE);
    if (const Value* sel = a.Keyword(L"select"); sel && ArgBool(*sel)) Ip()->SelectNode(head, 1);
    return MakeNodeValue(head);
}

INode* ArgGroupHead(const Value& v, const wchar_t* fn) {
    INode* n = ArgNodeOf(v, fn);
    if (!n->IsGroupHead())
        throw ScriptError(std::wstring(L"Runtime error: ") + fn + L": " + n->GetName() + L" is no group head");
    return n;
}

} // namespace

bool GetObjectClassProperty(Interpreter&, Animatable* a, const std::wstring& name, Value& out) {
    if (auto* l = dynamic_cast<LightObject*>(a)) {
        auto* standard = dynamic_cast<StandardLight*>(a);
        if (name == L"enabled" || name == L"on") out = Value::Bool(l->GetUseLight() != 0);
        else if (name == L"castshadows" && standard) out = Value::Bool(standard->GetShadow() != 0);
        else if (name == L"excludelist") out = ListValue(l, false);
        else if (name == L"includelist") out = ListValue(l, true);
        else return false;
        return true;
    }
    if (auto* xf = dynamic_cast<XFormModifier*>(a)) {
        if (name == L"gizmo") out = SubAnimByIndex(xf, Value::Int(1));
        else if (name == L"center" && xf->Center()) out = ControllerValue(xf->Center());
        else return false;
        return true;
    }
    if (auto* e = dynamic_cast<EditableMeshObject*>(a)) {
        if (name == L"numverts") out = Value::Int(e->GetMesh().getNumVerts());
        else if (name == L"numfaces") out = Value::Int(e->GetMesh().getNumFaces());
        else return false;
        return true;
    }
    return false;
}

bool SetObjectClassProperty(Interpreter& interp, Animatable* a, const std::wstring& name, const Value& v) {
    if (auto* l = dynamic_cast<LightObject*>(a)) {
        auto* standard = dynamic_cast<StandardLight*>(a);
        if (name == L"enabled" || name == L"on") l->SetUseLight(ArgBool(v));
        else if (name == L"castshadows" && standard) standard->SetShadow(ArgBool(v));
        else if (name == L"excludelist") SetList(interp, l, false, v);
        else if (name == L"includelist") SetList(interp, l, true, v);
        else return false;
        return true;
    }
    if (auto* xf = dynamic_cast<XFormModifier*>(a); xf && name == L"center" && xf->Center()) {
        SetControllerValue(xf->Center(), Value::Point(ArgPoint(v)));
        return true;
    }
    if (dynamic_cast<EditableMeshObject*>(a) && (name == L"numverts" || name == L"numfaces"))
        throw ScriptError(L"Runtime error: ." + name + L" is read-only");
    return false;
}

void MakeTargetFor(INode* looker) {
    Object* base = BaseOf(looker);
    const ObjectClassDef* def = DefOf(base);
    if (!def || !def->targeted) return;
    auto* obj = static_cast<Object*>(
        static_cast<Animatable*>(GetClassDirectory().CreateInstance(GEOMOBJECT_CLASS_ID, TARGET_OBJECT_CLASS_ID)));
    if (!obj) throw ScriptError(L"Runtime error: the target object class is not registered");
    INode* target = Ip()->CreateObjectNode(obj);
    target->SetName((std::wstring(looker->GetName()) + L".Target").c_str());
    // Placed below the looker, which looks down its own -z axis at it.
    Matrix3 tm = looker->GetNodeTM(Now());
    tm.SetTrans(tm.GetTrans() + Point3(0.0f, 0.0f, -100.0f));
    target->SetNodeTM(Now(), tm);
    SetNodeTarget(looker, target);
}

void SetNodeTarget(INode* looker, INode* target) {
    const std::wstring who = looker->GetName();
    Object* base = BaseOf(looker);
    const ObjectClassDef* def = DefOf(base);
    if (!def || !def->targeted)
        throw ScriptError(L"Runtime error: cannot set .target of " + who + L": a " +
                          (base ? ClassWord(base) : std::wstring(L"node")) + L" has no target");
    if (!target) throw ScriptError(L"Runtime error: the .target of " + who + L" must be a node");
    if (target == looker) throw ScriptError(L"Runtime error: " + who + L" cannot be its own target");
    Control* tm = looker->GetTMController();
    Control* rot = tm ? tm->GetRotationController() : nullptr;
    auto* targets = rot ? static_cast<IConstraintTargets*>(rot->GetInterface(LOOKAT_CONSTRAINT_INTERFACE)) : nullptr;
    if (!targets) {
        auto* c = static_cast<LookAtConstraint*>(static_cast<Animatable*>(
            GetClassDirectory().CreateInstance(CTRL_ROTATION_CLASS_ID, LOOKAT_CONSTRAINT_CLASS_ID)));
        // Lights and cameras look down their -z axis.
        if (c) c->ApplyState(LookAtConstraint::Axis{2, true});
        if (!c || !tm || !tm->SetRotationController(c))
            throw ScriptError(L"Runtime error: cannot give " + who + L" a target: its transform takes no look-at");
        targets = c;
    }
    while (targets->GetNumTargets() > 0) targets->DeleteTarget(0);
    if (!targets->AppendTarget(target, 100.0f))
        throw ScriptError(L"Runtime error: " + std::wstring(target->GetName()) + L" cannot be the target of " + who);
}

void RegisterSceneClassBuiltins(Interpreter& in) {
    in.RegisterFunction(L"instance", CloneAs(L"instance", NODE_INSTANCE));
    in.RegisterFunction(L"reference", CloneAs(L"reference", NODE_REFERENCE));
    // snapshot node: a new editable mesh node where the node is, holding its collapsed mesh.
    in.RegisterFunction(L"snapshot", [](Interpreter& interp, CallArgs& a) {
        CheckArgCount(L"snapshot", a, 1);
        INode* n = ArgNodeOf(a[0], L"snapshot");
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
            const PolyMesh& m = ArgEditable(a[0], fn)->GetMesh();
            return Value::Int(faces ? m.getNumFaces() : m.getNumVerts());
        };
    };
    in.RegisterFunction(L"getNumVerts", count(L"getNumVerts", false));
    in.RegisterFunction(L"getNumFaces", count(L"getNumFaces", true));
    in.RegisterFunction(L"getVert", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"getVert", a, 2);
        return GetVertValue(a[0], a[1], L"getVert", ArgEditable(a[0], L"getVert"));
    });
    in.RegisterFunction(L"setVert", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"setVert", a, 3);
        EditableMeshObject* e = ArgEditable(a[0], L"setVert");
        ArgIndex(a[1], e->GetMesh().getNumVerts(), L"setVert", L"vertex");
        SetVerts(a[0], a[1], a[2], L"setVert", e);
        return Value::Ok();
    });
    in.RegisterFunction(L"getFace", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"getFace", a, 2);
        const PolyMesh& m = ArgEditable(a[0], L"getFace")->GetMesh();
        std::vector<int> f = m.Face(ArgIndex(a[1], m.getNumFaces(), L"getFace", L"face"));
        if (f.size() != 3) throw ScriptError(L"Runtime error: getFace: face " + a[1].PrintForm() + L" is no triangle");
        return Value::Point(Point3(static_cast<float>(f[0] + 1), static_cast<float>(f[1] + 1), static_cast<float>(f[2] + 1)));
    });
    // Edits show at once here; update is kept for the scripts that call it after their edits.
    in.RegisterFunction(L"update", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"update", a, 1, 2);
        ArgNodeOf(a[0], L"update");
        return Value::Ok();
    });
    in.RegisterFunction(L"group", GroupNodes);
    // ungroup head: the members stay where they are, under the head's parent; the head goes.
    in.RegisterFunction(L"ungroup", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"ungroup", a, 1);
        INode* head = ArgGroupHead(a[0], L"ungroup");
        INode* parent = head->GetParentNode();
        std::vector<INode*> kids;
        for (int i = 0; i < head->NumberOfChildren(); ++i) kids.push_back(head->GetChildNode(i));
        // The members below the head leave the group; a nested group keeps its own members.
        std::vector<INode*> walk = kids;
        while (!walk.empty()) {
            INode* m = walk.back();
            walk.pop_back();
            m->SetGroupMember(FALSE);
            if (!m->IsGroupHead())
                for (int i = 0; i < m->NumberOfChildren(); ++i) walk.push_back(m->GetChildNode(i));
        }
        for (INode* k : kids) {
            if (parent && !parent->IsRootNode())
                parent->AttachChild(k, 1);
            else
                k->Detach(Now(), 1);
        }
        Ip()->DeleteNode(head, FALSE);
        return Value::Ok();
    });
    in.RegisterFunction(L"isGroupHead", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"isGroupHead", a, 1);
        return Value::Bool(ArgNodeOf(a[0], L"isGroupHead")->IsGroupHead() != 0);
    });
    in.RegisterFunction(L"isGroupMember", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"isGroupMember", a, 1);
        return Value::Bool(ArgNodeOf(a[0], L"isGroupMember")->IsGroupMember() != 0);
    });
    in.RegisterFunction(L"setGroupOpen", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"setGroupOpen", a, 2);
        INode* head = ArgGroupHead(a[0], L"setGroupOpen");
        const bool open = ArgBool(a[1]);
        head->SetGroupHeadOpen(open);
        for (int i = 0; i < head->NumberOfChildren(); ++i) head->GetChildNode(i)->SetGroupMemberOpen(open);
        return Value::Ok();
    });
    in.SetGlobal(L"meshop", Value::Object(std::make_shared<MeshOps>(false)));
    in.SetGlobal(L"polyop", Value::Object(std::make_shared<MeshOps>(true)));
    RegisterSplineFunctions(in);
}
