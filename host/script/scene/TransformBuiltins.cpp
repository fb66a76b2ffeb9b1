// Transforms from script: the coordsys and about contexts, a node's transform properties (pos, rotation,
// scale, transform, pivot, object offsets) in the current frame, and move, rotate and scale of nodes and
// matrices.
#include "host/core/PlugApi.h"
#include "host/scene/INode.h"
#include "host/scene/Interface.h"
#include "host/script/Interpreter.h"
#include "host/script/ScriptError.h"
#include "host/script/scene/AngleAxisValue.h"
#include "host/script/scene/Matrix3Value.h"
#include "host/script/scene/NodeValue.h"
#include "host/script/scene/QuatValue.h"
#include "host/script/scene/SceneProperties.h"

#include <algorithm>

namespace {

TimeValue Now() { return GetCOREInterface()->GetTime(); }

// The frames and centres the open contexts name, innermost last; empty means world and pivot.
std::vector<Value>& Frames() {
    static std::vector<Value> frames;
    return frames;
}
std::vector<Value>& Centres() {
    static std::vector<Value> centres;
    return centres;
}

bool IsName(const Value& v, const wchar_t* name) { return v.Is(Value::Type::Name) && v.NameText() == name; }

Matrix3 ParentTM(INode* n) {
    INode* p = n->GetParentNode();
    return p && !p->IsRootNode() ? p->GetNodeTM(Now()) : Matrix3();
}

// The frame a coordsys value gives for node n: world, parent, local, another node's or a matrix.
Matrix3 FrameOf(const Value& frame, INode* n) {
    if (frame.Is(Value::Type::Name)) {
        const std::wstring& w = frame.NameText();
        if (w == L"parent") return n ? ParentTM(n) : Matrix3();
        if (w == L"local" || w == L"gimbal") return n ? n->GetNodeTM(Now()) : Matrix3();
        return Matrix3(); // world, grid, screen, working_pivot: the home grid is the world
    }
    if (INode* other = NodeFromValue(frame)) return other->GetNodeTM(Now());
    if (frame.ObjAs<Matrix3Value>()) return ArgMatrix(frame);
    throw ScriptError(L"Runtime error: coordsys needs world, local, parent, grid, a node or a matrix3, got: " +
                      frame.PrintForm());
}

Matrix3 CurrentFrame(INode* n) { return Frames().empty() ? Matrix3() : FrameOf(Frames().back(), n); }

// The frame without its scale, for the axes of move, rotate and scale.
Matrix3 Axes(const Matrix3& frame) {
    AffineParts parts;
    decomp_affine(frame, &parts);
    Matrix3 m;
    m.SetRotate(parts.q);
    m.SetTrans(parts.t);
    return m;
}

Point3 SelectionCentre(const std::vector<INode*>& nodes) {
    if (nodes.empty()) return Point3();
    Point3 lo = nodes[0]->GetNodeTM(Now()).GetTrans(), hi = lo;
    for (INode* n : nodes) {
        Point3 p = n->GetNodeTM(Now()).GetTrans();
        for (int i = 0; i < 3; ++i) {
            lo[i] = std::min(lo[i], p[i]);
            hi[i] = std::max(hi[i], p[i]);
        }
    }
    return (lo + hi) * 0.5f;
}

// The centre "about" names for node n among the nodes of one call.
Point3 Centre(INode* n, const std::vector<INode*>& nodes) {
    if (Centres().empty()) return n->GetNodeTM(Now()).GetTrans();
    const Value& c = Centres().back();
    if (IsName(c, L"pivot")) return n->GetNodeTM(Now()).GetTrans();
    if (IsName(c, L"selection")) {
        INodeTab sel;
        GetCOREInterface()->GetSelNodeTab(sel);
        std::vector<INode*> selected(sel.Addr(0), sel.Addr(0) + sel.Count());
        return SelectionCentre(selected.empty() ? nodes : selected);
    }
    if (IsName(c, L"coordsys")) return CurrentFrame(n).GetTrans();
    if (INode* other = NodeFromValue(c)) return other->GetNodeTM(Now()).GetTrans();
    if (c.Is(Value::Type::Point3)) return c.AsPoint();
    if (c.ObjAs<Matrix3Value>()) return ArgMatrix(c).GetTrans();
    throw ScriptError(L"Runtime error: about needs pivot, selection, coordsys, a node, a point3 or a matrix3, got: " +
                      c.PrintForm());
}

// Applies the change w (in the frame's axes) to each node about its centre.
void TransformNodes(Interpreter& interp, const Value& nodes, const Matrix3& change, const wchar_t* fn) {
    std::vector<INode*> list = NodesOf(interp, nodes, fn);
    std::vector<Point3> centres;
    for (INode* n : list) centres.push_back(Centre(n, list));
    for (size_t i = 0; i < list.size(); ++i) {
        INode* n = list[i];
        Matrix3 axes = Axes(CurrentFrame(n));
        axes.NoTrans();
        Matrix3 w = Inverse(axes) * change * axes;
        n->SetNodeTM(Now(), n->GetNodeTM(Now()) * TransMatrix(-centres[i]) * w * TransMatrix(centres[i]));
    }
}

// The node's transform in the current frame, and back.
Matrix3 LocalTM(INode* n) { return n->GetNodeTM(Now()) * Inverse(CurrentFrame(n)); }
void SetLocalTM(INode* n, const Matrix3& tm) { n->SetNodeTM(Now(), tm * CurrentFrame(n)); }

Matrix3 Compose(const Point3& t, const Quat& q, const Point3& k) {
    Matrix3 r;
    r.SetRotate(q);
    Matrix3 m = ScaleMatrix(k) * r;
    m.SetTrans(t);
    return m;
}

// Moves the pivot to world point p, keeping the object and the children where they are.
void SetPivot(INode* n, const Point3& p) {
    const Matrix3 objectTM = n->GetObjectTM(Now());
    std::vector<std::pair<INode*, Matrix3>> kids;
    for (int i = 0; i < n->NumberOfChildren(); ++i)
        kids.emplace_back(n->GetChildNode(i), n->GetChildNode(i)->GetNodeTM(Now()));
    Matrix3 tm = n->GetNodeTM(Now());
    tm.SetTrans(p);
    n->SetNodeTM(Now(), tm);
    AffineParts off;
    decomp_affine(objectTM * Inverse(n->GetNodeTM(Now())), &off);
    n->SetObjOffsetPos(off.t);
    for (auto& [kid, kidTM] : kids) kid->SetNodeTM(Now(), kidTM);
}

Point3 PointArgument(const Value& v) {
    if (!v.Is(Value::Type::Point3)) ThrowConvertError(v, L"Point3");
    return v.AsPoint();
}

} // namespace

bool GetNodeTransformProperty(INode* n, const std::wstring& name, Value& out) {
    if (name == L"pos" || name == L"position") {
        out = Value::Point(LocalTM(n).GetTrans());
    } else if (name == L"rotation" || name == L"scale") {
        AffineParts parts;
        decomp_affine(LocalTM(n), &parts);
        // The language reads a node's rotation inverted (the turn that takes the node back), as the host's
        // .rotation always has; the transform's own .rotation and the controllers are not inverted.
        out = name == L"scale" ? Value::Point(parts.k) : Value::Object(std::make_shared<QuatValue>(parts.q.Inverse()));
    } else if (name == L"transform") {
        out = MakeMatrix3Value(LocalTM(n));
    } else if (name == L"pivot") {
        out = Value::Point(n->GetNodeTM(Now()).GetTrans());
    } else if (name == L"objectoffsetpos") {
        out = Value::Point(n->GetObjOffsetPos());
    } else if (name == L"objectoffsetrot") {
        out = Value::Object(std::make_shared<QuatValue>(n->GetObjOffsetRot()));
    } else if (name == L"objectoffsetscale") {
        out = Value::Point(n->GetObjOffsetScale().s);
    } else if (name == L"objecttransform") {
        out = MakeMatrix3Value(n->GetObjectTM(Now()));
    } else {
        return false;
    }
    return true;
}

bool SetNodeTransformProperty(INode* n, const std::wstring& name, const Value& v) {
    if (name == L"pos" || name == L"position" || name == L"rotation" || name == L"scale") {
        AffineParts parts;
        decomp_affine(LocalTM(n), &parts);
        if (name == L"rotation") parts.q = ArgRotation(v).Inverse();
        else if (name == L"scale") parts.k = PointArgument(v);
        else parts.t = PointArgument(v);
        SetLocalTM(n, Compose(parts.t, parts.q, parts.k));
    } else if (name == L"transform") {
        SetLocalTM(n, ArgMatrix(v));
    } else if (name == L"pivot") {
        SetPivot(n, PointArgument(v));
    } else if (name == L"objectoffsetpos") {
        n->SetObjOffsetPos(PointArgument(v));
    } else if (name == L"objectoffsetrot") {
        n->SetObjOffsetRot(ArgRotation(v));
    } else if (name == L"objectoffsetscale") {
        n->SetObjOffsetScale(ScaleValue(PointArgument(v)));
    } else if (name == L"objecttransform") {
        throw ScriptError(L"Runtime error: cannot set .objectTransform of " + std::wstring(n->GetName()) +
                          L"; set .transform and the object offsets");
    } else {
        return false;
    }
    return true;
}

void RegisterTransformBuiltins(Interpreter& in) {
    RegisterMatrix3Builtins(in);
    RegisterAngleAxisClass(in);

    ScriptContextHooks coordsys;
    coordsys.enter = [](Interpreter&, const Value& frame, bool) {
        FrameOf(frame, nullptr); // a wrong frame fails before the body runs
        Frames().push_back(frame);
    };
    coordsys.leave = [](Interpreter&, const Value&, bool, bool) { Frames().pop_back(); };
    in.RegisterContext(L"coordsys", coordsys);
    ScriptContextHooks about;
    about.enter = [](Interpreter&, const Value& centre, bool) {
        bool known = centre.Is(Value::Type::Point3) || NodeFromValue(centre) || centre.ObjAs<Matrix3Value>() ||
                     IsName(centre, L"pivot") || IsName(centre, L"selection") || IsName(centre, L"coordsys");
        if (!known)
            throw ScriptError(L"Runtime error: about needs pivot, selection, coordsys, a node, a point3 or a matrix3, got: " +
                              centre.PrintForm());
        Centres().push_back(centre);
    };
    about.leave = [](Interpreter&, const Value&, bool, bool) { Centres().pop_back(); };
    in.RegisterContext(L"about", about);

    // move <nodes> <offset>: along the axes of the current frame.
    in.RegisterFunction(L"move", [](Interpreter& i, CallArgs& a) {
        CheckArgCount(L"move", a, 2);
        Point3 offset = PointArgument(a[1]);
        for (INode* n : NodesOf(i, a[0], L"move")) {
            Matrix3 axes = Axes(CurrentFrame(n));
            Matrix3 tm = n->GetNodeTM(Now());
            tm.SetTrans(tm.GetTrans() + axes.VectorTransform(offset));
            n->SetNodeTM(Now(), tm);
        }
        return Value::Ok();
    });
    // rotate <nodes> <quat | angleAxis | eulerAngles>, rotate <nodes> <degrees> <axis>; rotate <matrix3> <rotation>.
    in.RegisterFunction(L"rotate", [](Interpreter& i, CallArgs& a) {
        CheckArgCount(L"rotate", a, 2, 3);
        Quat q = a.Count() == 3 ? AngleAxisValue(static_cast<float>(ArgFloat(a[1])), PointArgument(a[2])).Rotation()
                                : ArgRotation(a[1]);
        Matrix3 r;
        r.SetRotate(q);
        if (a[0].ObjAs<Matrix3Value>()) {
            ArgMatrixToChange(a[0]) = ArgMatrix(a[0]) * r;
            return a[0];
        }
        TransformNodes(i, a[0], r, L"rotate");
        return Value::Ok();
    });
    // scale <nodes> <factors>; scale <matrix3> <factors>.
    in.RegisterFunction(L"scale", [](Interpreter& i, CallArgs& a) {
        CheckArgCount(L"scale", a, 2, 3);
        Point3 k = PointArgument(a[1]);
        if (a[0].ObjAs<Matrix3Value>()) {
            // A third argument false keeps the translation.
            Matrix3& m = ArgMatrixToChange(a[0]);
            Point3 t = m.GetTrans();
            m.Scale(k);
            if (a.Count() == 3 && !ArgBool(a[2])) m.SetTrans(t);
            return a[0];
        }
        if (a.Count() == 3) ThrowConvertError(a[0], L"Matrix3");
        TransformNodes(i, a[0], ScaleMatrix(k), L"scale");
        return Value::Ok();
    });
    in.RegisterFunction(L"inverse", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"inverse", a, 1);
        if (auto* q = a[0].ObjAs<QuatValue>()) return Value::Object(std::make_shared<QuatValue>(q->Rotation().Inverse()));
        return MakeMatrix3Value(Inverse(ArgMatrix(a[0])));
    });
}
