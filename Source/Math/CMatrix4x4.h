#pragma once
// 4x4 single-precision matrix, stored row by row with the row-vector
// convention of Direct3D (v' = v * M) in a left-handed system. For an affine
// matrix rows 0..2 are the scaled local X (right), Y (up) and Z (forward)
// axes and row 3 the position. The 64-byte memory image is that of a D3D
// matrix, so it can be copied to and from files and shaders unchanged.

#include "Math/CVector.h"

namespace gen
{

enum ERotationOrder
{
    kXYZ = 0,
    kXZY = 1,
    kYZX = 2,
    kYXZ = 3,
    kZXY = 4,
    kZYX = 5,
};

class CMatrix4x4
{
public:
    float e[16];

    CMatrix4x4() = default;
    constexpr CMatrix4x4(float e00, float e01, float e02, float e03,
                         float e10, float e11, float e12, float e13,
                         float e20, float e21, float e22, float e23,
                         float e30, float e31, float e32, float e33)
        : e{e00, e01, e02, e03, e10, e11, e12, e13, e20, e21, e22, e23, e30, e31, e32, e33}
    {
    }

    static const CMatrix4x4 kIdentity;

    float& operator()(int row, int col) { return e[row * 4 + col]; }
    float operator()(int row, int col) const { return e[row * 4 + col]; }

    // First three elements of a row (axes 0..2, position 3).
    CVector3 GetRow(int row) const { return {e[row * 4], e[row * 4 + 1], e[row * 4 + 2]}; }
    void SetRow(int row, const CVector3& v) { e[row * 4] = v.x; e[row * 4 + 1] = v.y; e[row * 4 + 2] = v.z; }
    CVector3 GetPosition() const { return GetRow(3); }
    void SetPosition(const CVector3& p) { SetRow(3, p); }

    // Replaces this with a pure rotation (radians). Throws "Invalid parameter"
    // for an order outside 0..5, leaving the matrix unchanged.
    void MakeRotation(float x, float y, float z, int order);

    // Scale, then rotation, then translation.
    void MakeAffineEuler(const CVector3& position, const CVector3& angles, int order, const CVector3& scale);

    // Lengths of the first three elements of rows 0, 1, 2.
    CVector3 GetScale() const;

    CVector4 Transform(const CVector4& v) const;
    CVector3 TransformPoint(const CVector3& p) const; // w = 1, no division

    // In-place motion. Column 3 is never touched.
    void MoveLocalX(float d);
    void MoveLocalZ(float d);
    void RotateLocalX(float a); // pitch about own X, keeping row lengths
    void RotateLocalY(float a); // turn about own Y, keeping row lengths
    void RotateX(float a);      // about the world X axis through the position
    void RotateY(float a);
    void RotateZ(float a);
    void RotateYAboutOrigin(float a); // as RotateY, position included
};

CMatrix4x4 operator*(const CMatrix4x4& a, const CMatrix4x4& b);
bool operator==(const CMatrix4x4& a, const CMatrix4x4& b);
inline bool operator!=(const CMatrix4x4& a, const CMatrix4x4& b) { return !(a == b); }

// Inverse of an affine matrix (column 3 is not read; the result's is 0,0,0,1).
// Throws "Singular matrix" when the 3x3 determinant is below kEpsilon.
CMatrix4x4 InverseAffine(const CMatrix4x4& m);

// Left-handed perspective projection, depth 0 at the near plane and 1 at the
// far plane; the same matrix as D3DXMatrixPerspectiveFovLH.
CMatrix4x4 MatrixPerspectiveFovLH(float fovY, float aspect, float nearClip, float farClip);

} // namespace gen
