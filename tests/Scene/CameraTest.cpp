// The camera: view and projection from placement and lens, the culling
// frustum, and the keyboard flight.
#include "Device/Input.h"
#include "Camera/CCamera.h"
#include "Support/Checks.h"

#include <cmath>

using namespace gen;

namespace
{

TEST(Camera, MatricesFromPlacementAndLens)
{
    CCamera c(CVector3(0, 50, -150), CVector3(0.2617994f, 0, 0), 1, 100000, 1.0471976f, 1.33f);
    // The projection treats FOV as horizontal: vertical = 2 atan(tan(30deg) / 1.33).
    const float vertical = 2.0f * std::atan(std::tan(1.0471976f * 0.5f) / 1.33f);
    EXPECT_NEAR(c.ProjMatrix(1, 1), 1.0f / std::tan(vertical / 2), 1e-5f);
    // The view matrix takes the camera's position to the origin and its
    // forward axis to +Z; a point straight ahead projects to the centre.
    ExpectNear(c.ViewMatrix.TransformPoint(CVector3(0, 50, -150)), kZero, 1e-3f);
    const CVector3 ahead = c.GetPosition() + c.WorldMatrix.GetRow(2) * 10.0f;
    ExpectNear(c.ViewMatrix.TransformPoint(ahead), CVector3(0, 0, 10), 1e-3f);
    const CVector4 clip = c.ViewProjMatrix.Transform(CVector4(ahead, 1));
    EXPECT_NEAR(clip.x / clip.w, 0.0f, 1e-5f);
    EXPECT_NEAR(clip.y / clip.w, 0.0f, 1e-5f);
}

TEST(Camera, FrustumPlanesAndSphereTest)
{
    CCamera c(kZero, kZero, 2.0f, 1000.0f, 1.0471976f, 1.33f);
    c.CalculateFrustumPlanes();
    ExpectNear(c.FrustumPoints[0], CVector3(0, 0, 2));
    ExpectNear(c.FrustumNormals[0], CVector3(0, 0, -1));
    ExpectNear(c.FrustumPoints[1], CVector3(0, 0, 1000));
    ExpectNear(c.FrustumNormals[1], CVector3(0, 0, 1));
    // The side normals point outwards.
    EXPECT_TRUE(c.FrustumNormals[2].x < 0 && c.FrustumNormals[3].x > 0);
    EXPECT_TRUE(c.FrustumNormals[4].y > 0 && c.FrustumNormals[5].y < 0);

    // The culling volume takes FOV as the vertical angle, so it is wider than
    // the visible one: a point just outside the view horizontally survives.
    const float justOutside = std::tan(1.0471976f / 2) * 100 * 1.2f;
    const struct
    {
        CVector3 Centre;
        float Radius;
        bool Visible;
    } spheres[] = {{{0, 0, -10}, 1, false}, // behind: d = 12 for the near plane
                   {{0, 0, 1.5f}, 1, true}, // straddles the near plane
                   {{0, 0, 500}, 1, true},
                   {{0, 0, 1100}, 1, false},
                   {{0, 0, 1001}, 1, true}, // touching from outside counts as visible
                   {{-5000, 0, 100}, 1, false},
                   {{0, 5000, 100}, 1, false},
                   {{justOutside, 0, 100}, 0.01f, true}};
    for (const auto& s : spheres)
    {
        EXPECT_EQ(c.SphereInFrustum(s.Centre, s.Radius), s.Visible) << s.Centre.x << ", " << s.Centre.y << ", " << s.Centre.z;
    }
}

TEST(Camera, ControlTurnsPitchesAndMoves)
{
    CInputState& in = GlobalInput();
    CCamera c(kZero, kZero, 2.0f, 1000.0f, 1.0471976f, 1.33f);
    const auto control = [&](std::initializer_list<int> keys, float t) {
        in.Clear();
        for (int key : keys)
        {
            in.KeyDownEvent(key);
        }
        c.Control(kKeyUp, kKeyDown, kKeyLeft, kKeyRight, kKeyW, kKeyS, kKeyA, kKeyD, 10, t);
        in.Clear();
    };
    control({kKeyW, kKeyS, kKeyUp, kKeyDown}, 0.5f); // opposite keys cancel
    ExpectNear(c.GetPosition(), kZero, 1e-4f);
    ExpectNear(c.WorldMatrix.GetRow(2), CVector3(0, 0, 1), 1e-4f);
    control({kKeyRight}, 1.5707963f); // right turns about the world vertical towards +X
    ExpectNear(c.WorldMatrix.GetRow(2), CVector3(1, 0, 0));
    control({kKeyDown}, 0.3f); // Down tilts forward down
    EXPECT_LT(c.WorldMatrix.GetRow(2).y, 0.0f);
    // Forward flies along the forward axis, pitch included.
    control({kKeyW, kKeyD}, 0.3f);
    ExpectNear(c.GetPosition(), (c.WorldMatrix.GetRow(2) + c.WorldMatrix.GetRow(0)) * 10.0f, 1e-4f);
    ExpectNear(c.WorldMatrix.GetScale(), kOne);
}

} // namespace
