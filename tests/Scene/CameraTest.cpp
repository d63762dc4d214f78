#include "App/Input.h"
#include "Scene/CCamera.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace gen;

namespace
{
void ExpectNear(const CVector3& a, const CVector3& b, float tol = 1e-5f)
{
    EXPECT_NEAR(a.x, b.x, tol);
    EXPECT_NEAR(a.y, b.y, tol);
    EXPECT_NEAR(a.z, b.z, tol);
}

CCamera OriginCamera()
{
    CCamera c(kZero, kZero, 2.0f, 1000.0f, 1.0471976f, 1.33f);
    c.CalculateFrustumPlanes();
    return c;
}
} // namespace

TEST(Camera, MatricesFromPlacementAndLens)
{
    CCamera c(CVector3(0, 50, -150), CVector3(0.2617994f, 0, 0), 1, 100000, 1.0471976f, 1.33f);
    // The projection treats FOV as horizontal: vertical = 2 atan(tan(30deg) / 1.33).
    const float vertical = 2.0f * std::atan(std::tan(1.0471976f * 0.5f) / 1.33f);
    EXPECT_NEAR(vertical, 0.8191f, 1e-4f);
    EXPECT_NEAR(c.ProjMatrix(1, 1), 1.0f / std::tan(vertical / 2), 1e-5f);

    // The view matrix takes the camera's own position to the origin and its
    // forward axis to +Z.
    ExpectNear(c.ViewMatrix.TransformPoint(CVector3(0, 50, -150)), kZero, 1e-3f);
    const CVector3 ahead = c.GetPosition() + c.WorldMatrix.GetRow(2) * 10.0f;
    ExpectNear(c.ViewMatrix.TransformPoint(ahead), CVector3(0, 0, 10), 1e-3f);

    // A point straight ahead projects to the screen centre.
    const CVector4 clip = c.ViewProjMatrix.Transform(CVector4(ahead, 1));
    EXPECT_NEAR(clip.x / clip.w, 0.0f, 1e-5f);
    EXPECT_NEAR(clip.y / clip.w, 0.0f, 1e-5f);
}

TEST(Camera, FrustumPlanesAndSphereTest)
{
    const CCamera c = OriginCamera();
    ExpectNear(c.FrustumPoints[0], CVector3(0, 0, 2));
    ExpectNear(c.FrustumNormals[0], CVector3(0, 0, -1));
    ExpectNear(c.FrustumNormals[1], CVector3(0, 0, 1));
    ExpectNear(c.FrustumPoints[1], CVector3(0, 0, 1000));
    // Side normals point outwards.
    EXPECT_LT(c.FrustumNormals[2].x, 0.0f);
    EXPECT_GT(c.FrustumNormals[3].x, 0.0f);
    EXPECT_GT(c.FrustumNormals[4].y, 0.0f);
    EXPECT_LT(c.FrustumNormals[5].y, 0.0f);

    EXPECT_FALSE(c.SphereInFrustum(CVector3(0, 0, -10), 1));  // behind: d = 12 for the near plane
    EXPECT_TRUE(c.SphereInFrustum(CVector3(0, 0, 1.5f), 1));  // straddles the near plane
    EXPECT_TRUE(c.SphereInFrustum(CVector3(0, 0, 500), 1));
    EXPECT_FALSE(c.SphereInFrustum(CVector3(0, 0, 1100), 1)); // past the far plane
    EXPECT_TRUE(c.SphereInFrustum(CVector3(0, 0, 1001), 1));  // touching from outside counts as visible
    EXPECT_FALSE(c.SphereInFrustum(CVector3(-5000, 0, 100), 1));
    EXPECT_FALSE(c.SphereInFrustum(CVector3(0, 5000, 100), 1));

    // The culling volume takes FOV as the vertical angle, so it is wider than
    // the visible one: a point just outside the view horizontally survives.
    const float visibleHalfWidth = std::tan(1.0471976f / 2);
    EXPECT_TRUE(c.SphereInFrustum(CVector3(visibleHalfWidth * 100 * 1.2f, 0, 100), 0.01f));
}

TEST(Camera, ControlTurnsPitchesAndMoves)
{
    CInputState& in = GlobalInput();
    in.Clear();
    CCamera c = OriginCamera();

    // Opposite keys cancel.
    in.KeyDownEvent(kKeyW);
    in.KeyDownEvent(kKeyS);
    in.KeyDownEvent(kKeyUp);
    in.KeyDownEvent(kKeyDown);
    c.Control(kKeyUp, kKeyDown, kKeyLeft, kKeyRight, kKeyW, kKeyS, kKeyA, kKeyD, 10, 0.5f);
    ExpectNear(c.GetPosition(), kZero, 1e-4f);
    ExpectNear(c.WorldMatrix.GetRow(2), CVector3(0, 0, 1), 1e-4f);
    in.Clear();

    // Right turns about the world vertical towards +X.
    in.KeyDownEvent(kKeyRight);
    c.Control(kKeyUp, kKeyDown, kKeyLeft, kKeyRight, kKeyW, kKeyS, kKeyA, kKeyD, 10, 1.5707963f);
    ExpectNear(c.WorldMatrix.GetRow(2), CVector3(1, 0, 0), 1e-5f);
    in.Clear();

    // Forward flies along the forward axis, pitch included; Down tilts it down.
    in.KeyDownEvent(kKeyDown);
    c.Control(kKeyUp, kKeyDown, kKeyLeft, kKeyRight, kKeyW, kKeyS, kKeyA, kKeyD, 10, 0.3f);
    in.Clear();
    EXPECT_LT(c.WorldMatrix.GetRow(2).y, 0.0f);
    in.KeyDownEvent(kKeyW);
    in.KeyDownEvent(kKeyD);
    c.Control(kKeyUp, kKeyDown, kKeyLeft, kKeyRight, kKeyW, kKeyS, kKeyA, kKeyD, 10, 0.3f);
    in.Clear();
    const CVector3 expected = c.WorldMatrix.GetRow(2) * 10.0f + c.WorldMatrix.GetRow(0) * 10.0f;
    ExpectNear(c.GetPosition(), expected, 1e-4f);
    ExpectNear(c.WorldMatrix.GetScale(), kOne, 1e-5f);
}
