// Affine transform arithmetic in the host's row-vector convention (p' = p * M).
#include "host/core/Matrix3.h"

#include <cmath>

Matrix3::Matrix3(const Point3& r0, const Point3& r1, const Point3& r2, const Point3& r3) {
    m_[0] = r0; m_[1] = r1; m_[2] = r2; m_[3] = r3;
    ValidateFlags();
}

void Matrix3::IdentityMatrix() {
    m_[0] = {1.0f, 0.0f, 0.0f};
    m_[1] = {0.0f, 1.0f, 0.0f};
    m_[2] = {0.0f, 0.0f, 1.0f};
    m_[3] = {0.0f, 0.0f, 0.0f};
    flags_ = MAT_IDENT;
}

void Matrix3::Zero() {
    for (auto& r : m_) r = Point3();
    flags_ = POS_IDENT;
}

bool Matrix3::IsIdentity() const {
    Matrix3 id;
    return Equals(id, 0.0f);
}

void Matrix3::SetRow(int i, const Point3& p) {
    m_[i] = p;
    ValidateFlags();
}

void Matrix3::SetTrans(const Point3& p) {
    m_[3] = p;
    if (p == Point3()) flags_ |= POS_IDENT; else flags_ &= ~POS_IDENT;
}

void Matrix3::ValidateFlags() {
    flags_ = 0;
    if (m_[3] == Point3()) flags_ |= POS_IDENT;
    bool ident = m_[0] == Point3(1.0f, 0.0f, 0.0f) && m_[1] == Point3(0.0f, 1.0f, 0.0f) &&
                 m_[2] == Point3(0.0f, 0.0f, 1.0f);
    if (ident) flags_ |= ROT_IDENT | SCL_IDENT;
}

Matrix3 Matrix3::operator*(const Matrix3& o) const {
    Matrix3 r(false);
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 3; ++j) {
            float v = m_[i][0] * o.m_[0][j] + m_[i][1] * o.m_[1][j] + m_[i][2] * o.m_[2][j];
            if (i == 3) v += o.m_[3][j];
            r.m_[i][j] = v;
        }
    }
    r.ValidateFlags();
    return r;
}

bool Matrix3::operator==(const Matrix3& o) const {
    for (int i = 0; i < 4; ++i)
        if (!(m_[i] == o.m_[i])) return false;
    return true;
}

bool Matrix3::Equals(const Matrix3& o, float eps) const {
    for (int i = 0; i < 4; ++i)
        if (!m_[i].Equals(o.m_[i], eps)) return false;
    return true;
}

Point3 Matrix3::VectorTransform(const Point3& p) const {
    return {p.x * m_[0].x + p.y * m_[1].x + p.z * m_[2].x, p.x * m_[0].y + p.y * m_[1].y + p.z * m_[2].y,
            p.x * m_[0].z + p.y * m_[1].z + p.z * m_[2].z};
}

Point3 Matrix3::PointTransform(const Point3& p) const { return VectorTransform(p) + m_[3]; }

void Matrix3::Translate(const Point3& p) { SetTrans(m_[3] + p); }
void Matrix3::Scale(const Point3& s) { *this = *this * ScaleMatrix(s); }
void Matrix3::RotateX(float a) { *this = *this * RotateXMatrix(a); }
void Matrix3::RotateY(float a) { *this = *this * RotateYMatrix(a); }
void Matrix3::RotateZ(float a) { *this = *this * RotateZMatrix(a); }
void Matrix3::PreTranslate(const Point3& p) { *this = TransMatrix(p) * *this; }
void Matrix3::PreScale(const Point3& s) { *this = ScaleMatrix(s) * *this; }
void Matrix3::PreRotate(const Quat& q) {
    Matrix3 r;
    r.SetRotate(q);
    *this = r * *this;
}

void Matrix3::SetRotate(const Quat& q) {
    float x = q.x, y = q.y, z = q.z, w = q.w;
    // Rows are the images of the axes (row-vector convention).
    m_[0] = {1 - 2 * (y * y + z * z), 2 * (x * y + w * z), 2 * (x * z - w * y)};
    m_[1] = {2 * (x * y - w * z), 1 - 2 * (x * x + z * z), 2 * (y * z + w * x)};
    m_[2] = {2 * (x * z + w * y), 2 * (y * z - w * x), 1 - 2 * (x * x + y * y)};
    m_[3] = Point3();
    ValidateFlags();
}

void Matrix3::Invert() { *this = Inverse(*this); }

Matrix3 Inverse(const Matrix3& m) {
    const Point3 &a = m.GetRow(0), &b = m.GetRow(1), &c = m.GetRow(2);
    float det = DotProd(a, CrossProd(b, c));
    if (det == 0) return Matrix3();
    Point3 r0 = CrossProd(b, c) / det, r1 = CrossProd(c, a) / det, r2 = CrossProd(a, b) / det;
    // The inverse of the 3x3 part is the transpose of the cofactor rows.
    Matrix3 inv(Point3(r0.x, r1.x, r2.x), Point3(r0.y, r1.y, r2.y), Point3(r0.z, r1.z, r2.z), Point3());
    inv.SetTrans(-inv.VectorTransform(m.GetTrans()));
    inv.ValidateFlags();
    return inv;
}

Matrix3 TransMatrix(const Point3& p) {
    Matrix3 m;
    m.SetTrans(p);
    return m;
}

Matrix3 ScaleMatrix(const Point3& s) {
    return Matrix3(Point3(s.x, 0.0f, 0.0f), Point3(0.0f, s.y, 0.0f), Point3(0.0f, 0.0f, s.z), Point3());
}

Matrix3 RotateXMatrix(float a) {
    Matrix3 m;
    m.SetRotate(Quat::FromAngleAxis(a, {1.0f, 0.0f, 0.0f}));
    return m;
}
Matrix3 RotateYMatrix(float a) {
    Matrix3 m;
    m.SetRotate(Quat::FromAngleAxis(a, {0.0f, 1.0f, 0.0f}));
    return m;
}
Matrix3 RotateZMatrix(float a) {
    Matrix3 m;
    m.SetRotate(Quat::FromAngleAxis(a, {0.0f, 0.0f, 1.0f}));
    return m;
}

void decomp_affine(const Matrix3& m, AffineParts* parts) {
    parts->t = m.GetTrans();
    Point3 r[3] = {m.GetRow(0), m.GetRow(1), m.GetRow(2)};
    Point3 k(r[0].Length(), r[1].Length(), r[2].Length());
    if (DotProd(r[0], CrossProd(r[1], r[2])) < 0) k.z = -k.z;
    for (int i = 0; i < 3; ++i)
        if (k[i] != 0) r[i] = r[i] / k[i];
    parts->k = k;
    // Rotation matrix to quaternion (rows are axis images).
    float tr = r[0].x + r[1].y + r[2].z;
    Quat q;
    if (tr > 0) {
        float s = std::sqrt(tr + 1.0f) * 2;
        q = {(r[1].z - r[2].y) / s, (r[2].x - r[0].z) / s, (r[0].y - r[1].x) / s, 0.25f * s};
    } else if (r[0].x > r[1].y && r[0].x > r[2].z) {
        float s = std::sqrt(1.0f + r[0].x - r[1].y - r[2].z) * 2;
        q = {0.25f * s, (r[1].x + r[0].y) / s, (r[2].x + r[0].z) / s, (r[1].z - r[2].y) / s};
    } else if (r[1].y > r[2].z) {
        float s = std::sqrt(1.0f + r[1].y - r[0].x - r[2].z) * 2;
        q = {(r[1].x + r[0].y) / s, 0.25f * s, (r[2].y + r[1].z) / s, (r[2].x - r[0].z) / s};
    } else {
        float s = std::sqrt(1.0f + r[2].z - r[0].x - r[1].y) * 2;
        q = {(r[2].x + r[0].z) / s, (r[2].y + r[1].z) / s, 0.25f * s, (r[0].y - r[1].x) / s};
    }
    q.Normalize();
    parts->q = q;
}
