#include "Math/CMatrix4x4.h"

#include "Common/CFatalException.h"

#include <cmath>

namespace gen
{

namespace
{
const char* const kFile = "Source/Math/CMatrix4x4";

struct SRot3
{
    float m[3][3];
};

SRot3 Mul(const SRot3& a, const SRot3& b)
{
    SRot3 r;
    for (int i = 0; i < 3; ++i)
    {
        for (int j = 0; j < 3; ++j)
        {
            r.m[i][j] = a.m[i][0] * b.m[0][j] + a.m[i][1] * b.m[1][j] + a.m[i][2] * b.m[2][j];
        }
    }
    return r;
}
} // namespace

const CMatrix4x4 CMatrix4x4::kIdentity(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1);

CMatrix4x4 operator*(const CMatrix4x4& a, const CMatrix4x4& b)
{
    CMatrix4x4 r;
    for (int row = 0; row < 4; ++row)
    {
        for (int col = 0; col < 4; ++col)
        {
            r(row, col) = a(row, 0) * b(0, col) + a(row, 1) * b(1, col) + a(row, 2) * b(2, col) + a(row, 3) * b(3, col);
        }
    }
    return r;
}

bool operator==(const CMatrix4x4& a, const CMatrix4x4& b)
{
    for (int i = 0; i < 16; ++i)
    {
        if (a.e[i] != b.e[i])
        {
            return false;
        }
    }
    return true;
}

CMatrix4x4 InverseAffine(const CMatrix4x4& m)
{
    return Guarded(kFile, "gen::InverseAffine", [&] {
        const float c00 = m(1, 1) * m(2, 2) - m(1, 2) * m(2, 1);
        const float c10 = m(1, 2) * m(2, 0) - m(1, 0) * m(2, 2);
        const float c20 = m(1, 0) * m(2, 1) - m(1, 1) * m(2, 0);
        const float det = m(0, 0) * c00 + m(0, 1) * c10 + m(0, 2) * c20;
        if (std::fabs(det) < kEpsilon)
        {
            throw CFatalException("Singular matrix", kFile, 1888);
        }
        const float inv = 1.0f / det;

        CMatrix4x4 r;
        r(0, 0) = c00 * inv;
        r(1, 0) = c10 * inv;
        r(2, 0) = c20 * inv;
        r(0, 1) = (m(2, 1) * m(0, 2) - m(2, 2) * m(0, 1)) * inv;
        r(1, 1) = (m(0, 0) * m(2, 2) - m(2, 0) * m(0, 2)) * inv;
        r(2, 1) = (m(2, 0) * m(0, 1) - m(2, 1) * m(0, 0)) * inv;
        r(0, 2) = (m(1, 2) * m(0, 1) - m(1, 1) * m(0, 2)) * inv;
        r(1, 2) = (m(1, 0) * m(0, 2) - m(1, 2) * m(0, 0)) * inv;
        r(2, 2) = (m(0, 0) * m(1, 1) - m(1, 0) * m(0, 1)) * inv;

        const float tx = m(3, 0), ty = m(3, 1), tz = m(3, 2);
        for (int c = 0; c < 3; ++c)
        {
            r(3, c) = -tx * r(0, c) - ty * r(1, c) - tz * r(2, c);
        }
        r(0, 3) = 0.0f;
        r(1, 3) = 0.0f;
        r(2, 3) = 0.0f;
        r(3, 3) = 1.0f;
        return r;
    });
}

void CMatrix4x4::MakeRotation(float x, float y, float z, int order)
{
    Guarded(kFile, "gen::CMatrix4x4::MakeRotation", [&] {
        if (order < kXYZ || order > kZYX)
        {
            throw CFatalException("Invalid parameter", kFile, 2253);
        }
        const float sx = std::sin(x), cx = std::cos(x);
        const float sy = std::sin(y), cy = std::cos(y);
        const float sz = std::sin(z), cz = std::cos(z);
        const SRot3 rx = {{{1, 0, 0}, {0, cx, sx}, {0, -sx, cx}}};
        const SRot3 ry = {{{cy, 0, -sy}, {0, 1, 0}, {sy, 0, cy}}};
        const SRot3 rz = {{{cz, sz, 0}, {-sz, cz, 0}, {0, 0, 1}}};

        SRot3 r;
        switch (order)
        {
        case kXYZ: r = Mul(Mul(rx, ry), rz); break;
        case kXZY: r = Mul(Mul(rx, rz), ry); break;
        case kYZX: r = Mul(Mul(ry, rz), rx); break;
        case kYXZ: r = Mul(Mul(ry, rx), rz); break;
        case kZXY: r = Mul(Mul(rz, rx), ry); break;
        default:   r = Mul(Mul(rz, ry), rx); break;
        }
        for (int row = 0; row < 3; ++row)
        {
            for (int col = 0; col < 3; ++col)
            {
                (*this)(row, col) = r.m[row][col];
            }
            (*this)(row, 3) = 0.0f;
        }
        (*this)(3, 0) = 0.0f;
        (*this)(3, 1) = 0.0f;
        (*this)(3, 2) = 0.0f;
        (*this)(3, 3) = 1.0f;
    });
}

void CMatrix4x4::MakeAffineEuler(const CVector3& position, const CVector3& angles, int order, const CVector3& scale)
{
    MakeRotation(angles.x, angles.y, angles.z, order);
    const float s[3] = {scale.x, scale.y, scale.z};
    for (int row = 0; row < 3; ++row)
    {
        for (int col = 0; col < 3; ++col)
        {
            (*this)(row, col) *= s[row];
        }
    }
    SetPosition(position);
}

CVector3 CMatrix4x4::GetScale() const
{
    return {GetRow(0).Length(), GetRow(1).Length(), GetRow(2).Length()};
}

CVector4 CMatrix4x4::Transform(const CVector4& v) const
{
    CVector4 r;
    float* out[4] = {&r.x, &r.y, &r.z, &r.w};
    for (int c = 0; c < 4; ++c)
    {
        *out[c] = v.x * (*this)(0, c) + v.y * (*this)(1, c) + v.z * (*this)(2, c) + v.w * (*this)(3, c);
    }
    return r;
}

CVector3 CMatrix4x4::TransformPoint(const CVector3& p) const
{
    const CVector4 r = Transform(CVector4(p, 1.0f));
    return {r.x, r.y, r.z};
}

void CMatrix4x4::MoveLocalX(float d)
{
    const CVector3 x = GetRow(0);
    SetRow(3, GetRow(3) + x * (d / x.Length()));
}

void CMatrix4x4::MoveLocalZ(float d)
{
    const CVector3 z = GetRow(2);
    SetRow(3, GetRow(3) + z * (d / z.Length()));
}

void CMatrix4x4::RotateLocalX(float a)
{
    const CVector3 r1 = GetRow(1), r2 = GetRow(2);
    const float s = std::sin(a), c = std::cos(a);
    const float r = r1.Length() / r2.Length();
    SetRow(1, r1 * c + r2 * (s * r));
    SetRow(2, r2 * c - r1 * (s / r));
}

void CMatrix4x4::RotateLocalY(float a)
{
    const CVector3 x = GetRow(0), z = GetRow(2);
    const float r = z.Length() / x.Length();
    const float s = std::sin(a), c = std::cos(a);
    SetRow(0, x * c - z * (s / r));
    SetRow(2, z * c + x * (s * r));
}

namespace
{
// Applies a world-axis rotation to rows first..last. (i, j) are the two
// components that turn: i' = i*c - j*s, j' = i*s + j*c.
void RotateRows(CMatrix4x4& m, int first, int last, int i, int j, float a)
{
    const float s = std::sin(a), c = std::cos(a);
    for (int row = first; row <= last; ++row)
    {
        const float vi = m(row, i), vj = m(row, j);
        m(row, i) = vi * c - vj * s;
        m(row, j) = vi * s + vj * c;
    }
}
} // namespace

void CMatrix4x4::RotateX(float a) { RotateRows(*this, 0, 2, 1, 2, a); }
void CMatrix4x4::RotateY(float a) { RotateRows(*this, 0, 2, 2, 0, a); }
void CMatrix4x4::RotateZ(float a) { RotateRows(*this, 0, 2, 0, 1, a); }
void CMatrix4x4::RotateYAboutOrigin(float a) { RotateRows(*this, 0, 3, 2, 0, a); }

CMatrix4x4 MatrixPerspectiveFovLH(float fovY, float aspect, float nearClip, float farClip)
{
    const float yScale = 1.0f / std::tan(fovY * 0.5f);
    const float xScale = yScale / aspect;
    const float q = farClip / (farClip - nearClip);
    return CMatrix4x4(xScale, 0, 0, 0,
                      0, yScale, 0, 0,
                      0, 0, q, 1,
                      0, 0, -nearClip * q, 0);
}

} // namespace gen
