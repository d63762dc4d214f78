#include "Effects/PostProcessMath.h"
#include "Scene/CCamera.h"

#include <gtest/gtest.h>

using namespace gen;

namespace
{

void ExpectColour(const CVector4& c, float r, float g, float b, float w, float tol = 1e-5f)
{
    EXPECT_NEAR(c.x, r, tol);
    EXPECT_NEAR(c.y, g, tol);
    EXPECT_NEAR(c.z, b, tol);
    EXPECT_NEAR(c.w, w, tol);
}

// Camera at the origin looking along +Z, 90 degrees vertically, 800 x 600:
// at depth d a point (x, y) lands at clip (0.75 x / d, y / d).
bool Area(const CVector3& centre, float size, float offset, SAreaRect& rect, float screenWidth = 800.0f)
{
    static const CMatrix4x4 proj = MatrixPerspectiveFovLH(1.5707963f, 800.0f / 600.0f, 1.0f, 1000.0f);
    return AreaRectangle(kZero, CMatrix4x4::kIdentity, proj, screenWidth, 600.0f, centre, size, size, offset, rect);
}

} // namespace

TEST(FilterValues, HueStepsPerFrameAndWrapsJustAbove359)
{
    EXPECT_FLOAT_EQ(StepTintHue(359.0f), 359.1f); // at most 359 still steps
    EXPECT_EQ(StepTintHue(359.05f), 0.0f);

    // From the start a full turn takes about 3600 frames, whatever the frame time.
    SFilterValues values;
    int frames = 0;
    do
    {
        StepFilterValues(values, 0.5f, false, false);
        ++frames;
    } while (values.TintHue != 0.0f && frames < 10000);
    EXPECT_GT(frames, 3550);
    EXPECT_LT(frames, 3620);
}

TEST(FilterValues, ContrastKeysBoundsAndWiggles)
{
    EXPECT_FLOAT_EQ(StepContrastLevel(1.0f, true, true), 1.0f);
    // At the top bound plus does nothing, so with both held minus wins; at
    // the bottom, plus acts first and minus then takes the level back.
    EXPECT_FLOAT_EQ(StepContrastLevel(1.5f, true, true), 1.495f);
    EXPECT_FLOAT_EQ(StepContrastLevel(-1.5f, true, true), -1.5f);

    // The test precedes the step: the level may pass a bound by less than a step.
    SFilterValues values;
    for (int frame = 0; frame < 1000; ++frame)
    {
        StepFilterValues(values, 0.25f, true, false);
    }
    EXPECT_GE(values.ContrastLevel, 1.5f - 1e-4f);
    EXPECT_LT(values.ContrastLevel, 1.5f + kContrastStep);
    for (int frame = 0; frame < 1000; ++frame)
    {
        StepFilterValues(values, 0.25f, false, true);
    }
    EXPECT_LE(values.ContrastLevel, -1.5f + 1e-4f);
    EXPECT_GT(values.ContrastLevel, -1.5f - kContrastStep);

    // Under water steps per frame, heat haze by twice the frame time.
    EXPECT_NEAR(values.UnderWaterWiggle, 1.5f + 2000 * 0.005f, 1e-2f);
    EXPECT_NEAR(values.HeatHazeWiggle, 2000 * 0.5f, 1e-2f);
}

TEST(TintColour, HueSectorsWithTheSlopeAsFourthElement)
{
    // s = 0.5, l = 0.3: q = 0.45, p = 0.15, k = 0.005.
    const float expected[7][4] = {{0, 0.45f, 0.15f, 0.15f},   {30, 0.45f, 0.30f, 0.15f},  {90, 0.30f, 0.45f, 0.15f},
                                  {150, 0.15f, 0.45f, 0.30f}, {210, 0.15f, 0.30f, 0.45f}, {270, 0.30f, 0.15f, 0.45f},
                                  {330, 0.45f, 0.15f, 0.30f}};
    for (const auto& e : expected)
    {
        ExpectColour(TintColourFromHSL(e[0], 50.0f, 30.0f), e[1], e[2], e[3], 0.005f);
    }
    // The ramps meet at the sector boundaries.
    for (float h = 60.0f; h < 360.0f; h += 60.0f)
    {
        const CVector4 below = TintColourFromHSL(h - 0.001f, 50.0f, 30.0f);
        ExpectColour(TintColourFromHSL(h, 50.0f, 30.0f), below.x, below.y, below.z, 0.005f, 1e-4f);
    }
    // Grey without saturation (the lightness as fourth element); q = l + s - l s from l = 0.5.
    ExpectColour(TintColourFromHSL(123.0f, 0.0f, 30.0f), 0.3f, 0.3f, 0.3f, 0.3f);
    ExpectColour(TintColourFromHSL(0.0f, 50.0f, 75.0f), 0.875f, 0.625f, 0.625f, 0.25f / 60.0f);
}

TEST(ScreenQuad, HalfPixelCornersInStripOrder)
{
    SScreenVertex q[4];
    MakeScreenQuad(q, 10.0f, 20.0f, 110.0f, 70.0f, 0.1f, 0.2f, 0.6f, 0.7f, 0.25f);
    const float expected[4][8] = {{9.5f, 19.5f, 0.25f, 1, 0.1f, 0.2f, 0, 0},
                                  {109.5f, 19.5f, 0.25f, 1, 0.6f, 0.2f, 1, 0},
                                  {9.5f, 69.5f, 0.25f, 1, 0.1f, 0.7f, 0, 1},
                                  {109.5f, 69.5f, 0.25f, 1, 0.6f, 0.7f, 1, 1}};
    for (int v = 0; v < 4; ++v)
    {
        const float got[8] = {q[v].x, q[v].y, q[v].z, q[v].rhw, q[v].u0, q[v].v0, q[v].u1, q[v].v1};
        for (int i = 0; i < 8; ++i)
        {
            EXPECT_FLOAT_EQ(got[i], expected[v][i]) << "vertex " << v << " element " << i;
        }
    }
}

TEST(AreaRectangle, KnownSquaresScaleWithInverseDepth)
{
    SAreaRect rect, far, pulled;
    ASSERT_TRUE(Area(CVector3(0, 0, 100), 20.0f, 0.0f, rect));
    EXPECT_NEAR(rect.Left, 370.0f, 1e-3f);
    EXPECT_NEAR(rect.Top, 270.0f, 1e-3f);
    EXPECT_NEAR(rect.Right, 430.0f, 1e-3f);
    EXPECT_NEAR(rect.Bottom, 330.0f, 1e-3f);
    EXPECT_NEAR(rect.ULeft, 370.0f / 800.0f, 1e-6f);
    EXPECT_NEAR(rect.VTop, 270.0f / 600.0f, 1e-6f);
    EXPECT_NEAR(rect.URight, 430.0f / 800.0f, 1e-6f);
    EXPECT_NEAR(rect.VBottom, 330.0f / 600.0f, 1e-6f);
    EXPECT_NEAR(rect.Depth, (1000.0f / 999.0f) * (100.0f - 1.0f) / 100.0f, 1e-5f);

    // Twice as far: half the size about the same screen point, deeper.
    ASSERT_TRUE(Area(CVector3(0, 0, 200), 20.0f, 0.0f, far));
    EXPECT_NEAR(far.Right - far.Left, 30.0f, 1e-3f);
    EXPECT_NEAR(far.Left + far.Right, 800.0f, 1e-3f);
    EXPECT_GT(far.Depth, rect.Depth);

    // An offset of -9 pulls the point 9 units along the line to the camera.
    const CVector3 centre(30, -20, 100);
    ASSERT_TRUE(Area(centre, 20.0f, 0.0f, rect));
    ASSERT_TRUE(Area(centre, 20.0f, -9.0f, pulled));
    const float scale = centre.Length() / (centre.Length() - 9.0f);
    EXPECT_NEAR(pulled.Right - pulled.Left, (rect.Right - rect.Left) * scale, 1e-2f);
    EXPECT_LT(pulled.Depth, rect.Depth);
}

TEST(AreaRectangle, BehindAtOrBesideTheScreen)
{
    SAreaRect rect{};
    rect.Left = 12345.0f;
    EXPECT_FALSE(Area(CVector3(0, 0, -50), 25.0f, 0.0f, rect));
    EXPECT_FALSE(Area(CVector3(0, 0, 5), 25.0f, -9.0f, rect)); // pulled behind the camera
    EXPECT_FALSE(Area(kZero, 25.0f, 0.0f, rect));              // at the camera: no depth to divide by
    EXPECT_FALSE(Area(CVector3(0, 0, 100), 5.0f, 0.0f, rect, 0.0f)); // a screen without size
    EXPECT_EQ(rect.Left, 12345.0f);

    // Past the right edge: texture coordinates beyond 1.
    ASSERT_TRUE(Area(CVector3(130, 0, 100), 20.0f, 0.0f, rect));
    EXPECT_LT(rect.ULeft, 1.0f);
    EXPECT_GT(rect.URight, 1.0f);
    // Wholly above the top edge.
    ASSERT_TRUE(Area(CVector3(0, 200, 100), 20.0f, 0.0f, rect));
    EXPECT_LT(rect.VBottom, 0.0f);
}

TEST(AreaRectangle, FollowsAMovedAndTurnedCamera)
{
    CCamera camera(CVector3(0, 50, -150), CVector3(0.26f, 0.7f, 0.0f), 1.0f, 100000.0f, 1.0471976f, 800.0f / 600.0f);
    const CVector3 forward = Normalise(camera.WorldMatrix.GetRow(2));
    SAreaRect rect;
    ASSERT_TRUE(AreaRectangle(camera.GetPosition(), camera.ViewMatrix, camera.ProjMatrix, 800.0f, 600.0f,
                              camera.GetPosition() + forward * 80.0f, 25.0f, 25.0f, -9.0f, rect));
    // Straight ahead: centred on the screen, square in pixels.
    EXPECT_NEAR(rect.Left + rect.Right, 800.0f, 2e-2f);
    EXPECT_NEAR(rect.Top + rect.Bottom, 600.0f, 2e-2f);
    EXPECT_NEAR(rect.Right - rect.Left, rect.Bottom - rect.Top, 1e-2f);
    EXPECT_GT(rect.Right - rect.Left, 0.0f);
    EXPECT_FALSE(AreaRectangle(camera.GetPosition(), camera.ViewMatrix, camera.ProjMatrix, 800.0f, 600.0f,
                               camera.GetPosition() - forward * 80.0f, 25.0f, 25.0f, -9.0f, rect));
}

TEST(BoxReadRectangle, ScreenBoundsWidenedByReachAndHeldOnTheScreen)
{
    // The camera of Area above: a point (x, y) at depth d lands on pixel
    // (400 (1 + 0.75 x / d), 300 (1 - y / d)); 2 pixels are added for filtering.
    const CMatrix4x4 proj = MatrixPerspectiveFovLH(1.5707963f, 800.0f / 600.0f, 1.0f, 1000.0f);
    CMatrix4x4 tenAhead = CMatrix4x4::kIdentity;
    tenAhead(3, 2) = 10.0f;
    const struct
    {
        const CMatrix4x4& World;
        CVector3 Min, Max;
        float Reach;
        SPixelRect Expected;
    } cases[] = {
        {CMatrix4x4::kIdentity, {-1, -1, 9}, {1, 1, 11}, 0.0f, {364, 264, 436, 336}},
        {tenAhead, {-1, -1, -1}, {1, 1, 1}, 0.0f, {364, 264, 436, 336}},
        {CMatrix4x4::kIdentity, {-1, -1, 9}, {1, 1, 11}, 0.06f, {316, 228, 484, 372}},  // 48 and 36 more
        {CMatrix4x4::kIdentity, {-11, -1, 9}, {-9, 1, 11}, 0.06f, {0, 228, 205, 372}},  // past the left edge
        {CMatrix4x4::kIdentity, {-1, -1, -1}, {1, 1, 1}, 0.0f, {0, 0, 800, 600}},       // around the camera
    };
    for (const auto& c : cases)
    {
        SPixelRect rect{};
        ASSERT_TRUE(
            BoxReadRectangle(c.World, CMatrix4x4::kIdentity, proj, 800.0f, 600.0f, c.Min, c.Max, c.Reach, rect));
        EXPECT_EQ(rect.Left, c.Expected.Left);
        EXPECT_EQ(rect.Top, c.Expected.Top);
        EXPECT_EQ(rect.Right, c.Expected.Right);
        EXPECT_EQ(rect.Bottom, c.Expected.Bottom);
    }
}
