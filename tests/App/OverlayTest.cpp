// The overlay's frame-time averaging and text (the drawn overlay is checked
// in the scene's frame).
#include "Device/Device.h"
#include "App/Overlay.h"
#include "Effects/PostProcess.h"

#include <gtest/gtest.h>

namespace gen
{
namespace
{

TEST(Overlay, FrameTimesAverageOverAQuarterSecondWindow)
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

    // One half-second frame completes a window alone.
    stats.Clear();
    EXPECT_LT(stats.GetAverage(), 0.0f);
    EXPECT_TRUE(stats.AddFrame(0.5f));
    EXPECT_EQ(ComposeFrameStatsText(stats.GetAverage()), "Frame Time: 500ms\nFPS:2");
}

TEST(Overlay, TextWithSixSignificantDigitsFilterNamesAndColourBytes)
{
    EXPECT_EQ(ComposeFrameStatsText(1.0f / 60.0f), "Frame Time: 16.6667ms\nFPS:60");
    EXPECT_EQ(ComposeFrameStatsText(0.0123456789f), "Frame Time: 12.3457ms\nFPS:81");
    EXPECT_EQ(ComposeFilterText("Under Water"), "Full Screen Filter: Under Water");
    EXPECT_EQ(ComposeFilterText(""), "Full Screen Filter: ");
    const std::pair<float, int> bytes[] = {{0.5f, 128}, {-0.2f, 0}, {1.7f, 255}, {1.0f, 255}, {0.2f, 51}};
    for (const auto& [component, byte] : bytes)
    {
        EXPECT_EQ(ColourByte(component), byte) << component;
    }
}

} // namespace
} // namespace gen
