// Matrix3 values of the language: a transform of four rows, changed in place by its operations.
#pragma once

#include "host/core/Matrix3.h"
#include "host/script/Value.h"

class Interpreter;

// "(matrix3 [1,0,0] [0,1,0] [0,0,1] [0,0,0])". Like arrays, a matrix is shared by every variable that
// holds it: "translate m [1,0,0]" and "m.row4 = p" change m itself; a node's .transform is a copy.
class Matrix3Value : public HostObject {
public:
    explicit Matrix3Value(const Matrix3& m) : m_(m) {}

    const Matrix3& Get() const { return m_; }
    Matrix3& Mutable() { return m_; }

    std::wstring ClassName() const override { return L"Matrix3"; }
    std::wstring PrintForm() const override;
    // row1..row4, translation (pos), rotation, scale, isIdentity, determinantSign.
    bool GetProperty(Interpreter& interp, const std::wstring& lowerName, Value& out) override;
    bool SetProperty(Interpreter& interp, const std::wstring& lowerName, const Value& value) override;
    // m[1]..m[4]: the rows.
    bool GetIndex(Interpreter& interp, const Value& index, Value& out) override;
    bool SetIndex(Interpreter& interp, const Value& index, const Value& value) override;
    // "as quat", "as eulerAngles", "as angleAxis": the rotation part.
    bool ConvertTo(Interpreter& interp, const ScriptClass& target, Value& out) override;
    // m1 * m2 applies m1, then m2; p * m transforms a point.
    bool Arithmetic(const std::wstring& op, const Value& other, bool selfLeft, Value& out) const override;
    bool Equals(const HostObject& other) const override;

private:
    Matrix3 m_;
};

Value MakeMatrix3Value(const Matrix3& m);
// The matrix a value holds; throws the conversion error otherwise.
const Matrix3& ArgMatrix(const Value& v);
// The matrix value itself, to change in place.
Matrix3& ArgMatrixToChange(const Value& v);
// The matrix3 class and the matrix functions (transMatrix, rotateZMatrix, inverse, translate m p ...).
void RegisterMatrix3Builtins(Interpreter& interp);
