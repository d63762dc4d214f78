// Which texel of a zoomed image is under the pointer, and which texels an
// area's UV rectangle covers.
#include "App/ImageProbe.h"

#include <gtest/gtest.h>

namespace gen
{
namespace
{

TEST(ImageProbe, UVRectanglesCoverEveryTexelTheyTouchClampedToTheTexture)
{
    struct SCase
    {
        float ULeft, VTop, URight, VBottom;
        std::uint32_t X, Y, Width, Height;
    };
    const SCase cases[] = {
        {0.0f, 0.0f, 1.0f, 1.0f, 0, 0, 160, 120},
        {0.25f, 0.5f, 0.5f, 0.75f, 40, 60, 40, 30},
        {0.251f, 0.5f, 0.499f, 0.75f, 40, 60, 40, 30}, // partly covered texels count
        {-0.5f, -0.1f, 0.1f, 2.0f, 0, 0, 16, 120},     // off the screen's edges
        {0.7f, 0.2f, 0.3f, 0.1f, 48, 12, 64, 12},      // given the wrong way round
        {1.5f, 0.5f, 2.0f, 0.5f, 159, 60, 1, 1},       // nothing covered: the nearest texel
    };
    for (const SCase& c : cases)
    {
        const STexelRect rect = TexelRectFromUV(c.ULeft, c.VTop, c.URight, c.VBottom, 160, 120);
        EXPECT_EQ(rect.X, c.X) << c.ULeft;
        EXPECT_EQ(rect.Y, c.Y) << c.VTop;
        EXPECT_EQ(rect.Width, c.Width) << c.ULeft;
        EXPECT_EQ(rect.Height, c.Height) << c.VTop;
    }
}

TEST(ImageProbe, ThePointerFindsTheTexelOfTheRectangleItIsOverAtAnyZoom)
{
    const STexelRect rect{40, 60, 10, 5};
    struct SCase
    {
        float Zoom, PointerX, PointerY;
        bool Over;
        std::uint32_t X, Y;
    };
    const SCase cases[] = {
        {1.0f, 100.0f, 200.0f, true, 40, 60},     // the top-left corner
        {4.0f, 103.9f, 203.9f, true, 40, 60},     // still the first texel
        {4.0f, 104.0f, 219.0f, true, 41, 64},
        {0.5f, 104.9f, 202.4f, true, 49, 64},     // the last texel, shrunk
        {4.0f, 140.0f, 200.0f, false, 0, 0},      // just past the right edge
        {1.0f, 99.9f, 200.0f, false, 0, 0},       // left of it
        {0.0f, 100.0f, 200.0f, false, 0, 0},      // no zoom, no image
    };
    for (const SCase& c : cases)
    {
        std::uint32_t x = 0, y = 0;
        EXPECT_EQ(TexelUnderPointer(rect, 100.0f, 200.0f, c.Zoom, c.PointerX, c.PointerY, x, y), c.Over)
            << c.Zoom << " " << c.PointerX;
        if (c.Over)
        {
            EXPECT_EQ(x, c.X) << c.Zoom << " " << c.PointerX;
            EXPECT_EQ(y, c.Y) << c.Zoom << " " << c.PointerY;
        }
    }
}

TEST(ImageProbe, ATexelReadsAsBytesAndAsFractions)
{
    const std::uint8_t rgba[4] = {0, 51, 128, 255};
    EXPECT_EQ(TexelText(rgba), "R 0 G 51 B 128 A 255\n0.0000 0.2000 0.5020 1.0000");
}

} // namespace
} // namespace gen
