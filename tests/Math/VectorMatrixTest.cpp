#include "Common/CFatalException.h"
#include "Math/CMatrix4x4.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

using namespace gen;

namespace
{
const float kPi = 3.14159265f;

void ExpectNear(const CVector3& a, const CVector3& b, float tol = 1e-5f)
{
    EXPECT_NEAR(a.x, b.x, tol);
    EXPECT_NEAR(a.y, b.y, tol);
    EXPECT_NEAR(a.z, b.z, tol);
}

void ExpectNear(const CMatrix4x4& a, const CMatrix4x4& b, float tol = 1e-5f)
{
    for (int i = 0; i < 16; ++i)
    {
        EXPECT_NEAR(a.e[i], b.e[i], tol) << "element " << i;
    }
}

CMatrix4x4 Rot(float x, float y, float z, int order)
{
    CMatrix4x4 m = CMatrix4x4::kIdentity;
    m.MakeRotation(x, y, z, order);
    return m;
}

CMatrix4x4 Scaled(float d)
{
    return CMatrix4x4(d, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 5, 6, 7, 1);
}
} // namespace

TEST(Vector, ConstantsAndNormalise)
{
    std::uint32_t bits;
    std::memcpy(&bits, &kEpsilon, 4);
    EXPECT_EQ(bits, 0x350637BDu);
    EXPECT_EQ(kOne, CVector3(1, 1, 1));
    EXPECT_EQ(kZero, CVector3(0, 0, 0));

    ExpectNear(Normalise(CVector3(3, 0, 4)), CVector3(0.6f, 0, 0.8f));
    // The squared length (0.00000025) is what is compared with kEpsilon.
    EXPECT_EQ(Normalise(CVector3(0.0005f, 0, 0)), kZero);
    ExpectNear(Normalise(CVector3(0.001f, 0, 0)), CVector3(1, 0, 0));

    CVector3 v(0, -2, 0);
    const CVector3 copy = Normalise(v);
    EXPECT_EQ(v, CVector3(0, -2, 0));
    v.Normalise();
    EXPECT_EQ(v, copy);
}

TEST(Vector, CrossOperandOrder)
{
    EXPECT_EQ(Cross(CVector3(1, 0, 0), CVector3(0, 1, 0)), CVector3(0, 0, 1));
    EXPECT_EQ(Cross(CVector3(0, 1, 0), CVector3(1, 0, 0)), CVector3(0, 0, -1));
    EXPECT_FLOAT_EQ(Dot(CVector3(1, 2, 3), CVector3(4, -5, 6)), 12.0f);
}

TEST(Matrix, RotationOrdersComposeElementaryRotationsLeftFirst)
{
    const float a = 0.3f, b = -0.7f, c = 1.1f;
    const CMatrix4x4 rx = Rot(a, 0, 0, kXYZ), ry = Rot(0, b, 0, kXYZ), rz = Rot(0, 0, c, kXYZ);

    // Elementary rotations by hand.
    ExpectNear(rx, CMatrix4x4(1, 0, 0, 0, 0, std::cos(a), std::sin(a), 0, 0, -std::sin(a), std::cos(a), 0, 0, 0, 0, 1));
    ExpectNear(ry, CMatrix4x4(std::cos(b), 0, -std::sin(b), 0, 0, 1, 0, 0, std::sin(b), 0, std::cos(b), 0, 0, 0, 0, 1));
    ExpectNear(rz, CMatrix4x4(std::cos(c), std::sin(c), 0, 0, -std::sin(c), std::cos(c), 0, 0, 0, 0, 1, 0, 0, 0, 0, 1));

    ExpectNear(Rot(a, b, c, kXYZ), rx * ry * rz);
    ExpectNear(Rot(a, b, c, kXZY), rx * rz * ry);
    ExpectNear(Rot(a, b, c, 2), ry * rz * rx); // 2 is Y-Z-X
    ExpectNear(Rot(a, b, c, 3), ry * rx * rz); // 3 is Y-X-Z
    ExpectNear(Rot(a, b, c, kZXY), rz * rx * ry);
    ExpectNear(Rot(a, b, c, kZYX), rz * ry * rx);

    // Order 0 rows written out.
    const CMatrix4x4 m = Rot(a, b, c, kXYZ);
    ExpectNear(m.GetRow(0), CVector3(std::cos(b) * std::cos(c), std::cos(b) * std::sin(c), -std::sin(b)));
    ExpectNear(m.GetRow(2), CVector3(std::cos(a) * std::sin(b) * std::cos(c) + std::sin(a) * std::sin(c),
                                     std::cos(a) * std::sin(b) * std::sin(c) - std::sin(a) * std::cos(c),
                                     std::cos(a) * std::cos(b)));

    // The leftmost factor acts first on a point: X then Y sends (0,1,0) to
    // (0,0,1) and then to (1,0,0).
    ExpectNear(Rot(kPi / 2, kPi / 2, 0, kXYZ).TransformPoint(CVector3(0, 1, 0)), CVector3(1, 0, 0));
    ExpectNear(Rot(kPi / 2, 0, 0, kXYZ).TransformPoint(CVector3(0, 1, 0)), CVector3(0, 0, 1));

    for (int k = 0; k <= 5; ++k)
    {
        EXPECT_EQ(Rot(0, 0, 0, k), CMatrix4x4::kIdentity) << k;
    }
}

TEST(Matrix, BadRotationOrderThrowsAndLeavesMatrixAlone)
{
    CMatrix4x4 m = Scaled(2);
    try
    {
        m.MakeRotation(1, 2, 3, 6);
        FAIL();
    }
    catch (const CFatalException& e)
    {
        EXPECT_EQ(e.GetMessage(), "Invalid parameter");
        EXPECT_EQ(e.GetFile(), "Source/Math/CMatrix4x4");
        EXPECT_EQ(e.GetLine(), 2253);
        EXPECT_EQ(e.GetFunctions(), "gen::CMatrix4x4::MakeRotation <- ");
    }
    EXPECT_EQ(m, Scaled(2));
    EXPECT_THROW(m.MakeRotation(0, 0, 0, -1), CFatalException);
}

TEST(Matrix, InverseAffine)
{
    EXPECT_EQ(InverseAffine(CMatrix4x4::kIdentity), CMatrix4x4::kIdentity);

    CMatrix4x4 t = CMatrix4x4::kIdentity;
    t.SetPosition(CVector3(1, -2, 3));
    EXPECT_EQ(InverseAffine(t).GetPosition(), CVector3(-1, 2, -3));

    // Round trip through a general affine matrix.
    CMatrix4x4 m;
    m.MakeAffineEuler(CVector3(4, 5, -6), CVector3(0.4f, -1.2f, 2.0f), kZXY, CVector3(2, 0.5f, 3));
    ExpectNear(m * InverseAffine(m), CMatrix4x4::kIdentity);
    ExpectNear(InverseAffine(m) * m, CMatrix4x4::kIdentity);

    // Column 3 is ignored on input and (0,0,0,1) on output.
    CMatrix4x4 odd = t;
    odd(0, 3) = 1;
    odd(1, 3) = 2;
    odd(2, 3) = 3;
    odd(3, 3) = 4;
    const CMatrix4x4 inv = InverseAffine(odd);
    EXPECT_EQ(inv(0, 3), 0.0f);
    EXPECT_EQ(inv(1, 3), 0.0f);
    EXPECT_EQ(inv(2, 3), 0.0f);
    EXPECT_EQ(inv(3, 3), 1.0f);
}

TEST(Matrix, InverseAffineDeterminantThreshold)
{
    EXPECT_NO_THROW(InverseAffine(Scaled(0.000001f)));
    try
    {
        InverseAffine(Scaled(0.0000004f));
        FAIL();
    }
    catch (const CFatalException& e)
    {
        EXPECT_EQ(e.GetMessage(), "Singular matrix");
        EXPECT_EQ(e.GetFile(), "Source/Math/CMatrix4x4");
        EXPECT_EQ(e.GetLine(), 1888);
        EXPECT_EQ(e.GetFunctions(), "gen::InverseAffine <- ");
    }
}

TEST(Matrix, AffineEulerScaleTransformAndProduct)
{
    CMatrix4x4 m;
    m.MakeAffineEuler(CVector3(1, 2, 3), CVector3(0.5f, 1.5f, -2.5f), kZXY, CVector3(2, 3, 4));
    ExpectNear(m.GetScale(), CVector3(2, 3, 4));
    EXPECT_EQ(m.TransformPoint(kZero), CVector3(1, 2, 3));
    EXPECT_EQ(m(3, 3), 1.0f);

    const CVector4 v = m.Transform(CVector4(0, 0, 0, 2));
    EXPECT_FLOAT_EQ(v.x, 2);
    EXPECT_FLOAT_EQ(v.z, 6);
    EXPECT_FLOAT_EQ(v.w, 2);

    // Child relative x parent world: translate then translate adds up.
    CMatrix4x4 child = CMatrix4x4::kIdentity, parent = CMatrix4x4::kIdentity;
    child.SetPosition(CVector3(1, 0, 0));
    parent.MakeRotation(0, kPi / 2, 0, kXYZ);
    parent.SetPosition(CVector3(0, 0, 10));
    ExpectNear((child * parent).GetPosition(), CVector3(0, 0, 9));
}

TEST(Matrix, PerspectiveMatchesTheLeftHandedFormula)
{
    const float fov = 0.8191f, aspect = 1.33f, zn = 1.0f, zf = 100000.0f;
    const CMatrix4x4 p = MatrixPerspectiveFovLH(fov, aspect, zn, zf);
    const float ys = 1.0f / std::tan(fov / 2);
    EXPECT_FLOAT_EQ(p(1, 1), ys);
    EXPECT_FLOAT_EQ(p(0, 0), ys / aspect);
    EXPECT_FLOAT_EQ(p(2, 2), zf / (zf - zn));
    EXPECT_FLOAT_EQ(p(2, 3), 1.0f);
    EXPECT_FLOAT_EQ(p(3, 2), -zn * zf / (zf - zn));
    EXPECT_EQ(p(3, 3), 0.0f);

    // Depth runs 0 at the near plane to 1 at the far plane.
    const CMatrix4x4 q = MatrixPerspectiveFovLH(1.0f, 1.0f, 2.0f, 50.0f);
    const CVector4 nearPt = q.Transform(CVector4(0, 0, 2, 1));
    const CVector4 farPt = q.Transform(CVector4(0, 0, 50, 1));
    EXPECT_NEAR(nearPt.z / nearPt.w, 0.0f, 1e-6f);
    EXPECT_NEAR(farPt.z / farPt.w, 1.0f, 1e-6f);
}

TEST(Matrix, MotionOperations)
{
    // Turning right about world Y: forward +Z becomes +X.
    CMatrix4x4 m = CMatrix4x4::kIdentity;
    m.RotateY(kPi / 2);
    ExpectNear(m.GetRow(2), CVector3(1, 0, 0));

    CMatrix4x4 p = CMatrix4x4::kIdentity;
    p.SetPosition(CVector3(10, 0, 0));
    CMatrix4x4 q = p;
    p.RotateYAboutOrigin(kPi);
    ExpectNear(p.GetPosition(), CVector3(-10, 0, 0), 1e-4f);
    q.RotateY(kPi);
    EXPECT_EQ(q.GetPosition(), CVector3(10, 0, 0));

    // Every operation keeps the scale of a non-uniformly scaled matrix.
    CMatrix4x4 s;
    s.MakeAffineEuler(CVector3(1, 2, 3), CVector3(0.3f, 0.2f, 0.1f), kZXY, CVector3(2, 3, 4));
    s.RotateLocalX(0.7f);
    s.RotateLocalY(-1.3f);
    s.RotateX(0.4f);
    s.RotateY(2.0f);
    s.RotateZ(-0.9f);
    s.RotateYAboutOrigin(1.7f);
    ExpectNear(s.GetScale(), CVector3(2, 3, 4), 1e-4f);
    EXPECT_NEAR(Dot(s.GetRow(0), s.GetRow(2)), 0.0f, 1e-4f);

    // Moves go a fixed distance along the own axes whatever their scale,
    // and opposite moves cancel.
    const CVector3 start = s.GetPosition();
    s.MoveLocalZ(5);
    EXPECT_NEAR((s.GetPosition() - start).Length(), 5.0f, 1e-4f);
    s.MoveLocalZ(-5);
    s.MoveLocalX(2);
    s.MoveLocalX(-2);
    ExpectNear(s.GetPosition(), start, 1e-4f);

    // Pitch about own X: forward tilts down towards -Y for a positive angle.
    CMatrix4x4 cam = CMatrix4x4::kIdentity;
    cam.RotateLocalX(kPi / 2);
    ExpectNear(cam.GetRow(2), CVector3(0, -1, 0));
    ExpectNear(cam.GetRow(1), CVector3(0, 0, 1));

    // Planet spin about own Y keeps the position.
    CMatrix4x4 planet = CMatrix4x4::kIdentity;
    planet.SetPosition(CVector3(7, 8, 9));
    planet.RotateLocalY(kPi / 2);
    ExpectNear(planet.GetRow(0), CVector3(0, 0, -1));
    ExpectNear(planet.GetRow(2), CVector3(1, 0, 0));
    EXPECT_EQ(planet.GetPosition(), CVector3(7, 8, 9));
}
