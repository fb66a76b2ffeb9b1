// Editable splines from script: counting splines, knots and segments, adding splines and knots, reading
// and moving knots, closing and opening splines.
#include "host/scene/INode.h"
#include "host/scene/objects/SplineShape.h"
#include "host/script/Interpreter.h"
#include "host/script/ScriptError.h"
#include "host/script/scene/NodeValue.h"
#include "host/script/scene/SceneProperties.h"

#include <cwctype>

namespace {

SplineShape* ArgShape(const Value& v, const std::wstring& fn) {
    INode* n = NodeFromValue(v);
    auto* s = dynamic_cast<SplineShape*>(n ? static_cast<Animatable*>(SceneBaseObject(n)) : AnimFromValue(v));
    if (s) return s;
    if (v.ObjAs<NodeValue>() && !n) ThrowDeleted(L"scene node");
    throw ScriptError(L"No \"" + fn + L"\" function for " + v.PrintForm());
}

int ArgSpline(const Value& v, SplineShape* s, const std::wstring& fn) {
    return ArgIndexIn(v, static_cast<int>(s->Splines().size()), fn, L"spline");
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

} // namespace

void RegisterSplineBuiltins(Interpreter& in) {
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
        if (a.Count() == 8) at = static_cast<size_t>(ArgIndexIn(a[7], static_cast<int>(knots.size()), L"addKnot", L"knot")) + 1;
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
            SplineKnot& k = knots[static_cast<size_t>(ArgIndexIn(a[2], static_cast<int>(knots.size()), fn, L"knot"))];
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
