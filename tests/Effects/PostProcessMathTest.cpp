// Filter arithmetic without a device: the per-frame filter values, the tint
// colour from hue, the screen rectangle of an area filter, and the pixels a
// polygon surface's box may read.
#include "Effects/PostProcessMath.h"
#include "Camera/CCamera.h"

#include <gtest/gtest.h>

using namespace gen;

namespace
{

void ExpectColour(const CVector4& c, float r, float g, float b, float w, float tolerance = 1e-5f)
{
    EXPECT_NEAR(c.x, r, tolerance);
    EXPECT_NEAR(c.y, g, tolerance);
    EXPECT_NEAR(c.z, b, tolerance);
    EXPECT_NEAR(c.w, w, tolerance);
}

// Camera at the origin looking along +Z, 90 degrees vertically, 800 x 600:
// at depth d a point (x, y) lands at clip (0.75 x / d, y / d).
bool Area(const CVector3& centre, float size, float offset, SAreaRect& rect, float screenWidth = 800.0f)
{
    static const CMatrix4x4 proj = MatrixPerspectiveFovLH(1.5707963f, 800.0f / 600.0f, 1.0f, 1000.0f);
    return AreaRectangle(kZero, CMatrix4x4::kIdentity, proj, screenWidth, 600.0f, centre, size, size, offset, rect);
}

TEST(FilterNames, TheSevenFiltersAndNothingOutside)
{
    const char* const names[] = {"None", "Tint", "High Contrast", "Under Water", "Distort", "Spiral", "Heat Haze"};
    for (int filter = 0; filter < 7; ++filter)
    {
        EXPECT_STREQ(FilterDisplayName(filter), names[filter]);
    }
    EXPECT_STREQ(FilterDisplayName(7), "");
    EXPECT_STREQ(FilterDisplayName(-1), "");
}

TEST(FilterValues, HueContrastAndWigglesStepPerFrame)
{
    EXPECT_FLOAT_EQ(StepTintHue(359.0f), 359.1f); // at most 359 still steps
    EXPECT_EQ(StepTintHue(359.05f), 0.0f);
    // At the top bound plus does nothing, so with both held minus wins; at
    // the bottom, plus acts first and minus then takes the level back.
    EXPECT_FLOAT_EQ(StepContrastLevel(1.0f, true, true), 1.0f);
    EXPECT_FLOAT_EQ(StepContrastLevel(1.5f, true, true), 1.495f);
    EXPECT_FLOAT_EQ(StepContrastLevel(-1.5f, true, true), -1.5f);

    // The test precedes the step, so the level may pass a bound by less than a step.
    SFilterValues values;
    const int frames = 1000;
    for (int frame = 0; frame < frames; ++frame)
    {
        StepFilterValues(values, 0.5f, true, false);
    }
    EXPECT_NEAR(values.TintHue, SFilterValues().TintHue + 100.0f, 1e-2f); // a tenth of a degree a frame, whatever its length
    EXPECT_GE(values.ContrastLevel, 1.5f - 1e-4f);
    EXPECT_LT(values.ContrastLevel, 1.5f + kContrastStep);
    for (int frame = 0; frame < 1000; ++frame)
    {
        StepFilterValues(values, 0.25f, false, true);
    }
    EXPECT_LE(values.ContrastLevel, -1.5f + 1e-4f);
    EXPECT_GT(values.ContrastLevel, -1.5f - kContrastStep);
    // Under water steps per frame, heat haze by twice the frame time.
    EXPECT_NEAR(values.UnderWaterWiggle, 1.5f + (frames + 1000) * 0.005f, 1e-2f);
    EXPECT_NEAR(values.HeatHazeWiggle, frames * 1.0f + 1000 * 0.5f, 1e-1f);
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

TEST(AreaRectangle, SquaresScaleWithInverseDepth)
{
    SAreaRect rect, far, pulled;
    ASSERT_TRUE(Area(CVector3(0, 0, 100), 20.0f, 0.0f, rect));
    const float expected[] = {370, 270, 430, 330, 370.0f / 800, 270.0f / 600, 430.0f / 800, 330.0f / 600,
                              (1000.0f / 999.0f) * 99.0f / 100.0f};
    const float got[] = {rect.Left, rect.Top, rect.Right, rect.Bottom, rect.ULeft, rect.VTop, rect.URight, rect.VBottom,
                         rect.Depth};
    for (int i = 0; i < 9; ++i)
    {
        EXPECT_NEAR(got[i], expected[i], 1e-3f) << i;
    }
    // Twice as far: half the size about the same screen point, deeper.
    ASSERT_TRUE(Area(CVector3(0, 0, 200), 20.0f, 0.0f, far));
    EXPECT_NEAR(far.Right - far.Left, 30.0f, 1e-3f);
    EXPECT_NEAR(far.Left + far.Right, 800.0f, 1e-3f);
    EXPECT_GT(far.Depth, rect.Depth);
    // An offset of -9 pulls the point 9 units along the line to the camera.
    const CVector3 centre(30, -20, 100);
    ASSERT_TRUE(Area(centre, 20.0f, 0.0f, rect));
    ASSERT_TRUE(Area(centre, 20.0f, -9.0f, pulled));
    EXPECT_NEAR(pulled.Right - pulled.Left, (rect.Right - rect.Left) * centre.Length() / (centre.Length() - 9.0f), 1e-2f);
    EXPECT_LT(pulled.Depth, rect.Depth);
}

TEST(AreaRectangle, BehindAtOrBesideTheScreen)
{
    SAreaRect rect{};
    rect.Left = 12345.0f;
    EXPECT_FALSE(Area(CVector3(0, 0, -50), 25.0f, 0.0f, rect));
    EXPECT_FALSE(Area(CVector3(0, 0, 5), 25.0f, -9.0f, rect));        // pulled behind the camera
    EXPECT_FALSE(Area(kZero, 25.0f, 0.0f, rect));                     // at the camera: no depth to divide by
    EXPECT_FALSE(Area(CVector3(0, 0, 100), 5.0f, 0.0f, rect, 0.0f)); // a screen without size
    EXPECT_EQ(rect.Left, 12345.0f);
    // Past the right or top edge: texture coordinates beyond 0..1.
    ASSERT_TRUE(Area(CVector3(130, 0, 100), 20.0f, 0.0f, rect));
    EXPECT_TRUE(rect.ULeft < 1.0f && rect.URight > 1.0f);
    ASSERT_TRUE(Area(CVector3(0, 200, 100), 20.0f, 0.0f, rect));
    EXPECT_LT(rect.VBottom, 0.0f);

    // A moved and turned camera: straight ahead is centred and square in pixels.
    CCamera camera(CVector3(0, 50, -150), CVector3(0.26f, 0.7f, 0.0f), 1.0f, 100000.0f, 1.0471976f, 800.0f / 600.0f);
    const CVector3 ahead = camera.GetPosition() + Normalise(camera.WorldMatrix.GetRow(2)) * 80.0f;
    ASSERT_TRUE(AreaRectangle(camera.GetPosition(), camera.ViewMatrix, camera.ProjMatrix, 800.0f, 600.0f, ahead,
                              25.0f, 25.0f, -9.0f, rect));
    EXPECT_NEAR(rect.Left + rect.Right, 800.0f, 2e-2f);
    EXPECT_NEAR(rect.Top + rect.Bottom, 600.0f, 2e-2f);
    EXPECT_NEAR(rect.Right - rect.Left, rect.Bottom - rect.Top, 1e-2f);
    EXPECT_GT(rect.Right - rect.Left, 0.0f);
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

} // namespace
