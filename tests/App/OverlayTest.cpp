// Overlay text composition, frame-time averaging and the drawn overlay.
#include "App/Device.h"
#include "App/Overlay.h"
#include "Effects/PostProcess.h"
#include "Platform/CWindow.h"

#include <gtest/gtest.h>

namespace gen
{
namespace
{

TEST(OverlayStats, TenthSecondFramesAverageAfterTheThirdFrame)
{
    COverlayStats stats;
    EXPECT_FALSE(stats.AddFrame(0.1f));
    EXPECT_LT(stats.GetAverage(), 0.0f);
    EXPECT_FALSE(stats.AddFrame(0.1f));
    EXPECT_TRUE(stats.AddFrame(0.1f)); // 0.3 s >= 0.25 s
    EXPECT_EQ(ComposeFrameStatsText(stats.GetAverage()), "Frame Time: 100ms\nFPS:10");
    // The next window starts empty: two more frames are not enough.
    EXPECT_FALSE(stats.AddFrame(0.1f));
    EXPECT_FALSE(stats.AddFrame(0.1f));
    EXPECT_TRUE(stats.AddFrame(0.1f));
}

TEST(OverlayStats, OneHalfSecondFrameCompletesAWindowAlone)
{
    COverlayStats stats;
    EXPECT_TRUE(stats.AddFrame(0.5f));
    EXPECT_FLOAT_EQ(stats.GetAverage(), 0.5f);
    EXPECT_EQ(ComposeFrameStatsText(stats.GetAverage()), "Frame Time: 500ms\nFPS:2");
    stats.Clear();
    EXPECT_LT(stats.GetAverage(), 0.0f);
}

TEST(OverlayText, SixSignificantDigitsWithoutSpacesBeforeTheUnits)
{
    EXPECT_EQ(ComposeFrameStatsText(1.0f / 60.0f), "Frame Time: 16.6667ms\nFPS:60");
    EXPECT_EQ(ComposeFrameStatsText(0.0123456789f), "Frame Time: 12.3457ms\nFPS:81");
}

TEST(OverlayText, FilterNamesInFilterOrder)
{
    EXPECT_EQ(ComposeFilterText(kNoFilter), "Full Screen Filter: None");
    EXPECT_EQ(ComposeFilterText(kTint), "Full Screen Filter: Tint");
    EXPECT_EQ(ComposeFilterText(kHighContrast), "Full Screen Filter: High Contrast");
    EXPECT_EQ(ComposeFilterText(kUnderWater), "Full Screen Filter: Under Water");
    EXPECT_EQ(ComposeFilterText(kDistort), "Full Screen Filter: Distort");
    EXPECT_EQ(ComposeFilterText(kSpiral), "Full Screen Filter: Spiral");
    EXPECT_EQ(ComposeFilterText(kHeatHaze), "Full Screen Filter: Heat Haze");
    EXPECT_EQ(ComposeFilterText(7), "Full Screen Filter: ");
    EXPECT_EQ(ComposeFilterText(-1), "Full Screen Filter: ");
}

TEST(OverlayText, ColourComponentsToBytes)
{
    EXPECT_EQ(ColourByte(0.5f), 128);
    EXPECT_EQ(ColourByte(-0.2f), 0);
    EXPECT_EQ(ColourByte(1.7f), 255);
    EXPECT_EQ(ColourByte(0.0f), 0);
    EXPECT_EQ(ColourByte(1.0f), 255);
    EXPECT_EQ(ColourByte(0.2f), 51);
}

TEST(OverlayText, DrawingWithoutAFontDoesNothing)
{
    ASSERT_EQ(Font, nullptr);
    DrawOverlayText("text", 0, 0, 1, 1, 1, true); // must not crash
}

// Colour classes of the drawn overlay, by pixel.
TEST(OverlayDrawing, YellowStatsWithShadowAndWhiteFilterLine)
{
    if (!InitVideo(true))
    {
        GTEST_SKIP() << "no video";
    }
    CWindow window;
    ASSERT_TRUE(window.Create("overlay test", 0, 0, 808, 634));
    window.SetClientSize(200, 60);
    if (!D3DSetup(window))
    {
        D3DShutdown();
        QuitVideo();
        GTEST_SKIP() << "no OpenGL 3.3 device";
    }
    EXPECT_EQ(ViewportWidth, 200u);
    ASSERT_NE(Font, nullptr);
    Device->Clear(kClearTarget, ColourARGB(255, 0, 0, 255), 1.0f, 0);
    CurrentFilter = kHighContrast;
    OverlayStats().Clear();
    RenderOverlay(0.5f);
    CurrentFilter = kNoFilter;
    std::vector<std::uint8_t> rgba;
    std::uint32_t w = 0, h = 0;
    ASSERT_TRUE(Device->ReadBackBuffer(rgba, w, h));
    int yellowTop = h, yellowBottom = -1, whiteTop = h, black = 0;
    for (std::uint32_t y = 0; y < h; ++y)
    {
        for (std::uint32_t x = 0; x < w; ++x)
        {
            const std::uint8_t* p = &rgba[(y * w + x) * 4];
            if (p[0] > 200 && p[1] > 200 && p[2] < 60)
            {
                yellowTop = std::min<int>(yellowTop, static_cast<int>(y));
                yellowBottom = std::max<int>(yellowBottom, static_cast<int>(y));
            }
            else if (p[0] > 200 && p[1] > 200 && p[2] > 200)
            {
                whiteTop = std::min<int>(whiteTop, static_cast<int>(y));
            }
            else if (p[0] < 40 && p[1] < 40 && p[2] < 40)
            {
                ++black;
            }
        }
    }
    EXPECT_LE(yellowTop, 4);          // the stats start at the top (glyph tops below y = 0)
    EXPECT_LT(yellowBottom, 32);      // two lines above the filter line
    EXPECT_GE(whiteTop, 30);          // the filter line at y = 32
    EXPECT_LE(whiteTop, 36);
    EXPECT_GT(black, 20);             // the shadow
    D3DShutdown();
    EXPECT_EQ(Device, nullptr);
    EXPECT_EQ(Font, nullptr);
    QuitVideo();
}

} // namespace
} // namespace gen
