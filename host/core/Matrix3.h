// Affine transform as the host stores it: four rows of three floats (three axes and the translation) and
// a flags word saying which parts are identity.
#pragma once

#include "host/core/MaxTypes.h"
#include "host/core/Point3.h"
#include "host/core/Quat.h"
#include "host/core/SlabPool.h"

constexpr DWORD POS_IDENT = 1;
constexpr DWORD ROT_IDENT = 2;
constexpr DWORD SCL_IDENT = 4;
constexpr DWORD MAT_IDENT = POS_IDENT | ROT_IDENT | SCL_IDENT;

class Matrix3 {
public:
    // A modifier context's matrix and box are heap objects of their own, one pair per context of a scene:
    // they live in the host's slab pool with the objects that own them.
    static void* operator new(std::size_t size) { return SlabPool::Allocate(size); }
    static void operator delete(void* p, std::size_t size) noexcept { SlabPool::Free(p, size); }
    Matrix3() { IdentityMatrix(); }
    explicit Matrix3(bool init) { if (init) IdentityMatrix(); else Zero(); }
    Matrix3(const Point3& r0, const Point3& r1, const Point3& r2, const Point3& r3);

    void IdentityMatrix();
    void Zero();
    bool IsIdentity() const;

    const Point3& GetRow(int i) const { return m_[i]; }
    void SetRow(int i, const Point3& p);
    Point3 GetTrans() const { return m_[3]; }
    void SetTrans(const Point3& p);
    void NoTrans() { SetTrans(Point3()); }
    DWORD GetIdentFlags() const { return flags_; }
    void SetIdentFlags(DWORD f) { flags_ = f; }
    void ClearIdentFlag(DWORD f) { flags_ &= ~f; }
    // Recomputes the identity flags from the rows.
    void ValidateFlags();

    void Translate(const Point3& p);
    void Scale(const Point3& s);
    void RotateX(float angle);
    void RotateY(float angle);
    void RotateZ(float angle);
    void SetRotate(const Quat& q);
    void PreTranslate(const Point3& p);
    void PreRotate(const Quat& q);
    void PreScale(const Point3& s);

    Matrix3 operator*(const Matrix3& o) const;
    Matrix3& operator*=(const Matrix3& o) { return *this = *this * o; }
    bool operator==(const Matrix3& o) const;
    bool Equals(const Matrix3& o, float eps = 1e-4f) const;
    Point3 PointTransform(const Point3& p) const;
    Point3 VectorTransform(const Point3& p) const;
    void Invert();

    // Raw access for streams: 12 floats row by row.
    const float* Data() const { return &m_[0].x; }
    float* Data() { return &m_[0].x; }

private:
    Point3 m_[4];
    DWORD flags_ = MAT_IDENT;
};

inline Point3 operator*(const Point3& p, const Matrix3& m) { return m.PointTransform(p); }
Matrix3 Inverse(const Matrix3& m);
Matrix3 TransMatrix(const Point3& p);
Matrix3 ScaleMatrix(const Point3& s);
Matrix3 RotateXMatrix(float angle);
Matrix3 RotateYMatrix(float angle);
Matrix3 RotateZMatrix(float angle);

// Decomposition into translation, rotation and scale (no shear), as the host's decomp_affine gives.
struct AffineParts {
    Point3 t;
    Quat q;
    Point3 k{1.0f, 1.0f, 1.0f};
};
void decomp_affine(const Matrix3& m, AffineParts* parts);
