#include "Effects/PostProcessMath.h"
#include "Scene/CCamera.h"

#include <gtest/gtest.h>

#include <cmath>

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

} // namespace

TEST(FilterValues, HueStepsPerFrameAndWrapsJustAbove359)
{
    EXPECT_FLOAT_EQ(StepTintHue(1.0f), 1.1f);
    EXPECT_FLOAT_EQ(StepTintHue(359.0f), 359.1f); // at most 359 still steps
    EXPECT_EQ(StepTintHue(359.05f), 0.0f);
    EXPECT_EQ(StepTintHue(400.0f), 0.0f);

    // From the start value a full turn takes about 3600 frames; the hue never
    // leaves 0..359.1 on the way.
    SFilterValues values;
    int frames = 0;
    float highest = 0.0f;
    do
    {
        StepFilterValues(values, 0.016f, false, false);
        highest = std::fmax(highest, values.TintHue);
        ++frames;
    } while (values.TintHue != 0.0f && frames < 10000);
    EXPECT_GT(frames, 3550);
    EXPECT_LT(frames, 3620);
    EXPECT_LT(highest, 359.2f);
    EXPECT_GT(highest, 359.0f);
}

TEST(FilterValues, ContrastFollowsKeysWithinBounds)
{
    EXPECT_FLOAT_EQ(StepContrastLevel(1.0f, true, false), 1.005f);
    EXPECT_FLOAT_EQ(StepContrastLevel(1.0f, false, true), 0.995f);
    EXPECT_FLOAT_EQ(StepContrastLevel(1.0f, true, true), 1.0f);
    EXPECT_FLOAT_EQ(StepContrastLevel(1.0f, false, false), 1.0f);
    // At the top bound plus does nothing, so with both held minus wins; at
    // the bottom, plus acts first and minus then takes the level back.
    EXPECT_FLOAT_EQ(StepContrastLevel(1.5f, true, false), 1.5f);
    EXPECT_FLOAT_EQ(StepContrastLevel(1.5f, true, true), 1.495f);
    EXPECT_FLOAT_EQ(StepContrastLevel(-1.5f, false, true), -1.5f);
    EXPECT_FLOAT_EQ(StepContrastLevel(-1.5f, true, true), -1.5f);
    EXPECT_FLOAT_EQ(StepContrastLevel(-1.5f, true, false), -1.495f);

    // Holding plus: the test precedes the step, so the level may pass the
    // bound by less than a step and then stays.
    SFilterValues values;
    for (int frame = 0; frame < 1000; ++frame)
    {
        StepFilterValues(values, 0.01f, true, false);
    }
    EXPECT_GE(values.ContrastLevel, 1.5f - 1e-4f);
    EXPECT_LT(values.ContrastLevel, 1.5f + kContrastStep);
    for (int frame = 0; frame < 2000; ++frame)
    {
        StepFilterValues(values, 0.01f, false, true);
    }
    EXPECT_LE(values.ContrastLevel, -1.5f + 1e-4f);
    EXPECT_GT(values.ContrastLevel, -1.5f - kContrastStep);
}

TEST(FilterValues, StartValuesAndWiggles)
{
    SFilterValues values;
    EXPECT_EQ(values.TintHue, 1.0f);
    EXPECT_EQ(values.TintSaturation, 50.0f);
    EXPECT_EQ(values.TintLightness, 30.0f);
    EXPECT_EQ(values.ContrastLevel, 1.0f);
    EXPECT_EQ(values.UnderWaterWiggle, 1.5f);
    EXPECT_EQ(values.HeatHazeWiggle, 0.0f);

    // Under water steps per frame whatever the frame time; heat haze by twice it.
    StepFilterValues(values, 0.25f, false, false);
    StepFilterValues(values, 0.5f, false, false);
    EXPECT_FLOAT_EQ(values.UnderWaterWiggle, 1.51f);
    EXPECT_FLOAT_EQ(values.HeatHazeWiggle, 1.5f);
    EXPECT_EQ(values.TintSaturation, 50.0f);
    EXPECT_EQ(values.TintLightness, 30.0f);
}

TEST(TintColour, SectorsOfTheFixedSaturationAndLightness)
{
    // s = 0.5, l = 0.3: q = 0.45, p = 0.15, k = 0.005, sent as the fourth element.
    ExpectColour(TintColourFromHSL(0.0f, 50.0f, 30.0f), 0.45f, 0.15f, 0.15f, 0.005f);
    ExpectColour(TintColourFromHSL(30.0f, 50.0f, 30.0f), 0.45f, 0.30f, 0.15f, 0.005f);
    ExpectColour(TintColourFromHSL(90.0f, 50.0f, 30.0f), 0.30f, 0.45f, 0.15f, 0.005f);
    ExpectColour(TintColourFromHSL(150.0f, 50.0f, 30.0f), 0.15f, 0.45f, 0.30f, 0.005f);
    ExpectColour(TintColourFromHSL(210.0f, 50.0f, 30.0f), 0.15f, 0.30f, 0.45f, 0.005f);
    ExpectColour(TintColourFromHSL(270.0f, 50.0f, 30.0f), 0.30f, 0.15f, 0.45f, 0.005f);
    ExpectColour(TintColourFromHSL(330.0f, 50.0f, 30.0f), 0.45f, 0.15f, 0.30f, 0.005f);

    // The ramps meet at the sector boundaries, and every component stays in 0.15..0.45.
    for (float h = 0.0f; h < 360.0f; h += 0.5f)
    {
        const CVector4 below = TintColourFromHSL(h - 0.001f < 0.0f ? 0.0f : h - 0.001f, 50.0f, 30.0f);
        const CVector4 at = TintColourFromHSL(h, 50.0f, 30.0f);
        ExpectColour(at, below.x, below.y, below.z, 0.005f, 1e-4f);
        for (float c : {at.x, at.y, at.z})
        {
            EXPECT_GE(c, 0.15f - 1e-5f);
            EXPECT_LE(c, 0.45f + 1e-5f);
        }
    }
}

TEST(TintColour, GreyAndLightBranches)
{
    // No saturation: grey at the lightness, which is also the fourth element.
    ExpectColour(TintColourFromHSL(123.0f, 0.0f, 30.0f), 0.3f, 0.3f, 0.3f, 0.3f);
    // Lightness from 0.5 up: q = l + s - l s.
    ExpectColour(TintColourFromHSL(0.0f, 50.0f, 75.0f), 0.875f, 0.625f, 0.625f, 0.25f / 60.0f);
}

TEST(ScreenQuad, HalfPixelCornersInStripOrder)
{
    SScreenVertex quad[4];
    MakeScreenQuad(quad, 10.0f, 20.0f, 110.0f, 70.0f, 0.1f, 0.2f, 0.6f, 0.7f, 0.25f);
    const float expected[4][8] = {
        {9.5f, 19.5f, 0.25f, 1.0f, 0.1f, 0.2f, 0.0f, 0.0f},
        {109.5f, 19.5f, 0.25f, 1.0f, 0.6f, 0.2f, 1.0f, 0.0f},
        {9.5f, 69.5f, 0.25f, 1.0f, 0.1f, 0.7f, 0.0f, 1.0f},
        {109.5f, 69.5f, 0.25f, 1.0f, 0.6f, 0.7f, 1.0f, 1.0f},
    };
    for (int v = 0; v < 4; ++v)
    {
        const float got[8] = {quad[v].x, quad[v].y, quad[v].z, quad[v].rhw,
                              quad[v].u0, quad[v].v0, quad[v].u1, quad[v].v1};
        for (int i = 0; i < 8; ++i)
        {
            EXPECT_FLOAT_EQ(got[i], expected[v][i]) << "vertex " << v << " element " << i;
        }
    }
}

class AreaRectangleTest : public ::testing::Test
{
protected:
    // Camera at the origin looking along +Z, 90 degrees vertically, 800 x 600.
    const float W = 800.0f;
    const float H = 600.0f;
    const CMatrix4x4 View = CMatrix4x4::kIdentity;
    const CMatrix4x4 Proj = MatrixPerspectiveFovLH(1.5707963f, 800.0f / 600.0f, 1.0f, 1000.0f);

    bool Area(const CVector3& centre, float size, float offset, SAreaRect& rect)
    {
        return AreaRectangle(kZero, View, Proj, W, H, centre, size, size, offset, rect);
    }
};

TEST_F(AreaRectangleTest, KnownSquareAheadOfTheCamera)
{
    SAreaRect rect;
    ASSERT_TRUE(Area(CVector3(0, 0, 100), 20.0f, 0.0f, rect));
    // x scale 0.75, y scale 1 at depth 100: corners at -+0.075 and +-0.1 in clip space.
    EXPECT_NEAR(rect.Left, 370.0f, 1e-3f);
    EXPECT_NEAR(rect.Top, 270.0f, 1e-3f);
    EXPECT_NEAR(rect.Right, 430.0f, 1e-3f);
    EXPECT_NEAR(rect.Bottom, 330.0f, 1e-3f);
    EXPECT_NEAR(rect.ULeft, 370.0f / 800.0f, 1e-6f);
    EXPECT_NEAR(rect.VTop, 270.0f / 600.0f, 1e-6f);
    EXPECT_NEAR(rect.URight, 430.0f / 800.0f, 1e-6f);
    EXPECT_NEAR(rect.VBottom, 330.0f / 600.0f, 1e-6f);
    // Depth of the point in the projection's 0..1 range.
    const float expectedDepth = (1000.0f / 999.0f) * (100.0f - 1.0f) / 100.0f;
    EXPECT_NEAR(rect.Depth, expectedDepth, 1e-5f);
}

TEST_F(AreaRectangleTest, SizeScalesWithInverseDepthAndPullMovesTowardsCamera)
{
    SAreaRect near, far, pulled;
    ASSERT_TRUE(Area(CVector3(30, -20, 100), 20.0f, 0.0f, near));
    ASSERT_TRUE(Area(CVector3(60, -40, 200), 20.0f, 0.0f, far));
    EXPECT_NEAR(far.Right - far.Left, (near.Right - near.Left) * 0.5f, 1e-3f);
    EXPECT_NEAR(far.Bottom - far.Top, (near.Bottom - near.Top) * 0.5f, 1e-3f);
    // Same direction from the camera: same screen centre.
    EXPECT_NEAR(far.Left + far.Right, near.Left + near.Right, 1e-3f);
    EXPECT_LT(near.Depth, far.Depth);

    // An offset of -9 pulls the point 9 units along the line to the camera.
    const CVector3 centre(30, -20, 100);
    ASSERT_TRUE(Area(centre, 20.0f, -9.0f, pulled));
    const float scale = centre.Length() / (centre.Length() - 9.0f);
    EXPECT_NEAR(pulled.Right - pulled.Left, (near.Right - near.Left) * scale, 1e-2f);
    EXPECT_LT(pulled.Depth, near.Depth);
}

TEST_F(AreaRectangleTest, BehindOrAtTheCameraDrawsNothing)
{
    SAreaRect rect{};
    rect.Left = 12345.0f;
    EXPECT_FALSE(Area(CVector3(0, 0, -50), 25.0f, 0.0f, rect));
    // In front, but the pull towards the camera takes it behind.
    EXPECT_FALSE(Area(CVector3(0, 0, 5), 25.0f, -9.0f, rect));
    // At the camera: no direction and no depth.
    EXPECT_FALSE(Area(kZero, 25.0f, 0.0f, rect));
    // A screen without size.
    EXPECT_FALSE(AreaRectangle(kZero, View, Proj, 0.0f, 600.0f, CVector3(0, 0, 100), 5, 5, 0, rect));
    EXPECT_EQ(rect.Left, 12345.0f);
}

TEST_F(AreaRectangleTest, OffScreenGivesCoordinatesOutsideTheTexture)
{
    SAreaRect rect;
    // Partly past the right edge.
    ASSERT_TRUE(Area(CVector3(130, 0, 100), 20.0f, 0.0f, rect));
    EXPECT_LT(rect.Left, W);
    EXPECT_GT(rect.Right, W);
    EXPECT_LT(rect.ULeft, 1.0f);
    EXPECT_GT(rect.URight, 1.0f);
    // Wholly above the top edge.
    ASSERT_TRUE(Area(CVector3(0, 200, 100), 20.0f, 0.0f, rect));
    EXPECT_LT(rect.Bottom, 0.0f);
    EXPECT_LT(rect.VTop, 0.0f);
    EXPECT_LT(rect.VBottom, 0.0f);
}

TEST(AreaRectangle, FollowsAMovedAndTurnedCamera)
{
    CCamera camera(CVector3(0, 50, -150), CVector3(0.26f, 0.7f, 0.0f), 1.0f, 100000.0f, 1.0471976f, 800.0f / 600.0f);
    camera.UpdateMatrices();
    // A point straight ahead lands on the screen centre, the square around it
    // symmetric about it.
    const CVector3 ahead = camera.GetPosition() + Normalise(camera.WorldMatrix.GetRow(2)) * 80.0f;
    SAreaRect rect;
    ASSERT_TRUE(AreaRectangle(camera.GetPosition(), camera.ViewMatrix, camera.ProjMatrix, 800.0f, 600.0f, ahead,
                              25.0f, 25.0f, -9.0f, rect));
    EXPECT_NEAR((rect.Left + rect.Right) * 0.5f, 400.0f, 1e-2f);
    EXPECT_NEAR((rect.Top + rect.Bottom) * 0.5f, 300.0f, 1e-2f);
    EXPECT_LT(rect.Left, rect.Right);
    EXPECT_LT(rect.Top, rect.Bottom);
    // Square in the world, square in pixels (the projection keeps the aspect).
    EXPECT_NEAR(rect.Right - rect.Left, rect.Bottom - rect.Top, 1e-2f);

    // Behind this camera: nothing.
    const CVector3 behind = camera.GetPosition() - Normalise(camera.WorldMatrix.GetRow(2)) * 80.0f;
    EXPECT_FALSE(AreaRectangle(camera.GetPosition(), camera.ViewMatrix, camera.ProjMatrix, 800.0f, 600.0f, behind,
                               25.0f, 25.0f, -9.0f, rect));
}
