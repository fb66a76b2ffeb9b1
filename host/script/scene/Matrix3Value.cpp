// Matrix3 values, their properties and operators, and the matrix functions of the language.
#include "host/script/scene/Matrix3Value.h"

#include "host/script/Interpreter.h"
#include "host/script/Lexer.h"
#include "host/script/ScriptError.h"
#include "host/script/scene/QuatValue.h"

#include <cmath>
#include <numbers>

namespace {

constexpr float kDegToRad = static_cast<float>(std::numbers::pi / 180.0);

// Row i (0-based) from a 1-based script index.
int RowIndex(const Value& index) {
    std::int64_t i = ArgInt(index);
    if (i < 1 || i > 4) throw ScriptError(L"Runtime error: matrix3 row index out of range: " + std::to_wstring(i));
    return static_cast<int>(i - 1);
}

int RowOfName(const std::wstring& name) {
    if (name.size() == 4 && name.compare(0, 3, L"row") == 0 && name[3] >= L'1' && name[3] <= L'4') return name[3] - L'1';
    return -1;
}

float Determinant(const Matrix3& m) {
    return DotProd(m.GetRow(0), CrossProd(m.GetRow(1), m.GetRow(2)));
}

Value PointArg(const Value& v) {
    if (!v.Is(Value::Type::Point3)) ThrowConvertError(v, L"Point3");
    return v;
}

float Degrees(const Value& v) { return static_cast<float>(ArgFloat(v)) * kDegToRad; }

// A matrix function that changes its first argument in place and returns it: translate m p ...
template <class F> NativeFn InPlace(const wchar_t* name, F change) {
    return [name, change](Interpreter&, CallArgs& a) {
        CheckArgCount(name, a, 2);
        change(ArgMatrixToChange(a[0]), a[1]);
        return a[0];
    };
}

} // namespace

std::wstring Matrix3Value::PrintForm() const {
    std::wstring s = L"(matrix3";
    for (int i = 0; i < 4; ++i) s += L" " + Value::Point(m_.GetRow(i)).PrintForm();
    return s + L")";
}

bool Matrix3Value::GetProperty(Interpreter&, const std::wstring& name, Value& out) {
    if (int r = RowOfName(name); r >= 0) {
        out = Value::Point(m_.GetRow(r));
    } else if (name == L"translation" || name == L"pos" || name == L"translationpart") {
        out = Value::Point(m_.GetTrans());
    } else if (name == L"rotation" || name == L"rotationpart") {
        AffineParts parts;
        decomp_affine(m_, &parts);
        out = Value::Object(std::make_shared<QuatValue>(parts.q));
    } else if (name == L"scale" || name == L"scalepart") {
        AffineParts parts;
        decomp_affine(m_, &parts);
        out = Value::Point(parts.k);
    } else if (name == L"determinantsign") {
        out = Value::Int(Determinant(m_) < 0 ? -1 : 1);
    } else {
        return false;
    }
    return true;
}

bool Matrix3Value::SetProperty(Interpreter&, const std::wstring& name, const Value& value) {
    if (int r = RowOfName(name); r >= 0) {
        m_.SetRow(r, PointArg(value).AsPoint());
    } else if (name == L"translation" || name == L"pos") {
        m_.SetTrans(PointArg(value).AsPoint());
    } else {
        return false;
    }
    return true;
}

bool Matrix3Value::GetIndex(Interpreter&, const Value& index, Value& out) {
    out = Value::Point(m_.GetRow(RowIndex(index)));
    return true;
}

bool Matrix3Value::SetIndex(Interpreter&, const Value& index, const Value& value) {
    m_.SetRow(RowIndex(index), PointArg(value).AsPoint());
    return true;
}

bool Matrix3Value::ConvertTo(Interpreter&, const ScriptClass& target, Value& out) {
    if (LowerName(target.Name()) == L"matrix3") {
        out = MakeMatrix3Value(m_);
        return true;
    }
    AffineParts parts;
    decomp_affine(m_, &parts);
    return RotationAs(parts.q, LowerName(target.Name()), out);
}

bool Matrix3Value::Arithmetic(const std::wstring& op, const Value& other, bool selfLeft, Value& out) const {
    if (op != L"*") return false;
    if (auto* o = other.ObjAs<Matrix3Value>()) {
        out = MakeMatrix3Value(selfLeft ? m_ * o->m_ : o->m_ * m_);
        return true;
    }
    if (!selfLeft && other.Is(Value::Type::Point3)) {
        out = Value::Point(m_.PointTransform(other.AsPoint()));
        return true;
    }
    return false;
}

bool Matrix3Value::Equals(const HostObject& other) const {
    auto* o = dynamic_cast<const Matrix3Value*>(&other);
    if (!o) return false;
    for (int i = 0; i < 4; ++i)
        if (!(o->m_.GetRow(i) == m_.GetRow(i))) return false;
    return true;
}

Value MakeMatrix3Value(const Matrix3& m) { return Value::Object(std::make_shared<Matrix3Value>(m)); }

const Matrix3& ArgMatrix(const Value& v) { return ArgMatrixToChange(v); }

Matrix3& ArgMatrixToChange(const Value& v) {
    auto* m = v.ObjAs<Matrix3Value>();
    if (!m) ThrowConvertError(v, L"Matrix3");
    return m->Mutable();
}

void RegisterMatrix3Builtins(Interpreter& in) {
    in.RegisterClass(std::make_shared<ScriptClass>(L"Matrix3", in.FindClass(L"Value"), [](Interpreter&, CallArgs& a) {
        // matrix3 1 (identity), matrix3 0 (all zero), or matrix3 row1 row2 row3 row4
        if (a.Count() == 1) {
            std::int64_t k = ArgInt(a[0]);
            if (k != 0 && k != 1)
                throw ScriptError(L"Runtime error: matrix3 takes 0 or 1 (or four rows), got: " + a[0].PrintForm());
            return MakeMatrix3Value(Matrix3(k == 1));
        }
        CheckArgCount(L"matrix3", a, 4);
        return MakeMatrix3Value(Matrix3(PointArg(a[0]).AsPoint(), PointArg(a[1]).AsPoint(), PointArg(a[2]).AsPoint(),
                                        PointArg(a[3]).AsPoint()));
    }));
    in.RegisterFunction(L"transMatrix", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"transMatrix", a, 1);
        return MakeMatrix3Value(TransMatrix(PointArg(a[0]).AsPoint()));
    });
    in.RegisterFunction(L"scaleMatrix", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"scaleMatrix", a, 1);
        return MakeMatrix3Value(ScaleMatrix(PointArg(a[0]).AsPoint()));
    });
    struct Axis {
        const wchar_t* matrix;
        const wchar_t* post;
        const wchar_t* pre;
        Matrix3 (*make)(float);
    };
    static const Axis kAxes[] = {{L"rotateXMatrix", L"rotateX", L"preRotateX", RotateXMatrix},
                                 {L"rotateYMatrix", L"rotateY", L"preRotateY", RotateYMatrix},
                                 {L"rotateZMatrix", L"rotateZ", L"preRotateZ", RotateZMatrix}};
    for (const Axis& axis : kAxes) {
        in.RegisterFunction(axis.matrix, [axis](Interpreter&, CallArgs& a) {
            CheckArgCount(axis.matrix, a, 1);
            return MakeMatrix3Value(axis.make(Degrees(a[0])));
        });
        in.RegisterFunction(axis.post, InPlace(axis.post, [axis](Matrix3& m, const Value& v) { m = m * axis.make(Degrees(v)); }));
        in.RegisterFunction(axis.pre, InPlace(axis.pre, [axis](Matrix3& m, const Value& v) { m = axis.make(Degrees(v)) * m; }));
    }
    in.RegisterFunction(L"translate", InPlace(L"translate", [](Matrix3& m, const Value& v) { m.Translate(PointArg(v).AsPoint()); }));
    in.RegisterFunction(L"preTranslate",
                        InPlace(L"preTranslate", [](Matrix3& m, const Value& v) { m.PreTranslate(PointArg(v).AsPoint()); }));
    in.RegisterFunction(L"preScale", InPlace(L"preScale", [](Matrix3& m, const Value& v) { m.PreScale(PointArg(v).AsPoint()); }));
    in.RegisterFunction(L"preRotate", InPlace(L"preRotate", [](Matrix3& m, const Value& v) { m.PreRotate(ArgRotation(v)); }));
    in.RegisterFunction(L"isIdentity", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"isIdentity", a, 1);
        return Value::Bool(ArgMatrix(a[0]).IsIdentity());
    });
    in.RegisterFunction(L"orthogonalize", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"orthogonalize", a, 1);
        Matrix3& m = ArgMatrixToChange(a[0]);
        AffineParts parts;
        decomp_affine(m, &parts);
        Matrix3 r;
        r.SetRotate(parts.q);
        r.SetTrans(m.GetTrans());
        m = r;
        return a[0];
    });
    // xformMat m space: m expressed in the frame of space.
    in.RegisterFunction(L"xformMat", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"xformMat", a, 2);
        return MakeMatrix3Value(Inverse(ArgMatrix(a[1])) * ArgMatrix(a[0]) * ArgMatrix(a[1]));
    });
    in.RegisterFunction(L"matrixFromNormal", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"matrixFromNormal", a, 1);
        Point3 z = PointArg(a[0]).AsPoint();
        if (z.Length() == 0) throw ScriptError(L"Runtime error: matrixFromNormal needs a non-zero normal, got: [0,0,0]");
        z = Normalize(z);
        // The host's arbitrary-axis rule: X from world Z unless the normal is close to it.
        Point3 x = std::fabs(z.x) < 1.0f / 64 && std::fabs(z.y) < 1.0f / 64 ? Normalize(CrossProd(Point3(0, 1, 0), z))
                                                                         : Normalize(CrossProd(Point3(0, 0, 1), z));
        return MakeMatrix3Value(Matrix3(x, CrossProd(z, x), z, Point3()));
    });
}
