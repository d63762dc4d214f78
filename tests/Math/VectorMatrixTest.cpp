// Vectors and row-vector matrices: rotation orders, affine inverses, the
// left-handed perspective and the motion operations of camera and entities.
#include "Common/CFatalException.h"
#include "Math/CMatrix4x4.h"
#include "Support/Checks.h"

#include <cmath>

using namespace gen;

namespace
{

const float kPi = 3.14159265f;

CMatrix4x4 Rot(float x, float y, float z, int order)
{
    CMatrix4x4 m = CMatrix4x4::kIdentity;
    m.MakeRotation(x, y, z, order);
    return m;
}

CMatrix4x4 ScaledX(float d)
{
    return CMatrix4x4(d, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 5, 6, 7, 1);
}

TEST(Vector, NormaliseCrossAndDot)
{
    ExpectNear(Normalise(CVector3(3, 0, 4)), CVector3(0.6f, 0, 0.8f));
    // The squared length (0.00000025) is what is compared with kEpsilon.
    EXPECT_EQ(Normalise(CVector3(0.0005f, 0, 0)), kZero);
    ExpectNear(Normalise(CVector3(0.001f, 0, 0)), CVector3(1, 0, 0));
    CVector3 v(0, -2, 0);
    v.Normalise();
    EXPECT_EQ(v, CVector3(0, -1, 0));

    EXPECT_EQ(Cross(CVector3(1, 0, 0), CVector3(0, 1, 0)), CVector3(0, 0, 1));
    EXPECT_EQ(Cross(CVector3(0, 1, 0), CVector3(1, 0, 0)), CVector3(0, 0, -1));
    EXPECT_FLOAT_EQ(Dot(CVector3(1, 2, 3), CVector3(4, -5, 6)), 12.0f);
}

TEST(Matrix, RotationOrdersComposeElementaryRotationsLeftFirst)
{
    const float a = 0.3f, b = -0.7f, c = 1.1f;
    const CMatrix4x4 rx = Rot(a, 0, 0, kXYZ), ry = Rot(0, b, 0, kXYZ), rz = Rot(0, 0, c, kXYZ);
    ExpectNear(rx, CMatrix4x4(1, 0, 0, 0, 0, std::cos(a), std::sin(a), 0, 0, -std::sin(a), std::cos(a), 0, 0, 0, 0, 1));
    ExpectNear(ry, CMatrix4x4(std::cos(b), 0, -std::sin(b), 0, 0, 1, 0, 0, std::sin(b), 0, std::cos(b), 0, 0, 0, 0, 1));
    ExpectNear(rz, CMatrix4x4(std::cos(c), std::sin(c), 0, 0, -std::sin(c), std::cos(c), 0, 0, 0, 0, 1, 0, 0, 0, 0, 1));
    const CMatrix4x4 products[6] = {rx * ry * rz, rx * rz * ry, ry * rz * rx, ry * rx * rz, rz * rx * ry, rz * ry * rx};
    for (int order = 0; order < 6; ++order)
    {
        ExpectNear(Rot(a, b, c, order), products[order]);
        EXPECT_EQ(Rot(0, 0, 0, order), CMatrix4x4::kIdentity) << order;
    }
    // The leftmost factor acts first on a point: X then Y sends (0,1,0) to
    // (0,0,1) and then to (1,0,0).
    ExpectNear(Rot(kPi / 2, 0, 0, kXYZ).TransformPoint(CVector3(0, 1, 0)), CVector3(0, 0, 1));
    ExpectNear(Rot(kPi / 2, kPi / 2, 0, kXYZ).TransformPoint(CVector3(0, 1, 0)), CVector3(1, 0, 0));

    // An unknown order is fatal and leaves the matrix alone.
    CMatrix4x4 m = ScaledX(2);
    ExpectFatal([&] { m.MakeRotation(1, 2, 3, 6); }, "Invalid parameter", "Source/Math/CMatrix4x4", 2253,
                "gen::CMatrix4x4::MakeRotation <- ");
    EXPECT_THROW(m.MakeRotation(0, 0, 0, -1), CFatalException);
    EXPECT_EQ(m, ScaledX(2));
}

TEST(Matrix, InverseAffineUndoesAndRefusesSingularMatrices)
{
    EXPECT_EQ(InverseAffine(CMatrix4x4::kIdentity), CMatrix4x4::kIdentity);
    CMatrix4x4 m;
    m.MakeAffineEuler(CVector3(4, 5, -6), CVector3(0.4f, -1.2f, 2.0f), kZXY, CVector3(2, 0.5f, 3));
    ExpectNear(m * InverseAffine(m), CMatrix4x4::kIdentity);
    ExpectNear(InverseAffine(m) * m, CMatrix4x4::kIdentity);

    // Column 3 is ignored on input and (0, 0, 0, 1) on output.
    CMatrix4x4 t = CMatrix4x4::kIdentity;
    t.SetPosition(CVector3(1, -2, 3));
    t(0, 3) = 1;
    t(1, 3) = 2;
    t(2, 3) = 3;
    t(3, 3) = 4;
    EXPECT_EQ(InverseAffine(t), CMatrix4x4(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, -1, 2, -3, 1));

    // The determinant threshold lies between 0.000001 and 0.0000004.
    EXPECT_NO_THROW(InverseAffine(ScaledX(0.000001f)));
    ExpectFatal([] { InverseAffine(ScaledX(0.0000004f)); }, "Singular matrix", "Source/Math/CMatrix4x4", 1888,
                "gen::InverseAffine <- ");
}

TEST(Matrix, PerspectiveIsLeftHandedWithDepthZeroToOne)
{
    const float fov = 0.8191f, aspect = 1.33f, zn = 1.0f, zf = 100000.0f;
    const CMatrix4x4 p = MatrixPerspectiveFovLH(fov, aspect, zn, zf);
    const float ys = 1.0f / std::tan(fov / 2);
    ExpectNear(p, CMatrix4x4(ys / aspect, 0, 0, 0, 0, ys, 0, 0, 0, 0, zf / (zf - zn), 1, 0, 0, -zn * zf / (zf - zn), 0));
    const CMatrix4x4 q = MatrixPerspectiveFovLH(1.0f, 1.0f, 2.0f, 50.0f);
    const CVector4 nearPoint = q.Transform(CVector4(0, 0, 2, 1)), farPoint = q.Transform(CVector4(0, 0, 50, 1));
    EXPECT_NEAR(nearPoint.z / nearPoint.w, 0.0f, 1e-6f);
    EXPECT_NEAR(farPoint.z / farPoint.w, 1.0f, 1e-6f);
}

TEST(Matrix, MotionOperationsKeepTheScaleAndMoveAlongOwnAxes)
{
    // Pitching is not limited: the camera can turn over.
    CMatrix4x4 camera = CMatrix4x4::kIdentity;
    camera.RotateLocalX(kPi);
    ExpectNear(camera.GetRow(1), CVector3(0, -1, 0));

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
    // Moves go a fixed distance along the own axes whatever their scale.
    const CVector3 start = s.GetPosition();
    s.MoveLocalZ(5);
    s.MoveLocalX(2);
    ExpectNear(s.GetPosition(), start + Normalise(s.GetRow(2)) * 5.0f + Normalise(s.GetRow(0)) * 2.0f, 1e-4f);
}

} // namespace
