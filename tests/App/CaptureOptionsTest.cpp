#include "../../tools/capture/CaptureOptions.h"

#include <gtest/gtest.h>

namespace gen
{
namespace
{

bool Parse(std::vector<const char*> args, SCaptureOptions& options, std::string& error)
{
    args.insert(args.begin(), "tessavin-capture");
    return ParseCaptureOptions(static_cast<int>(args.size()), args.data(), options, error);
}

TEST(CaptureOptions, RequiredOptionsAndTheLastFrameAsDefaultShot)
{
    SCaptureOptions o;
    std::string error;
    ASSERT_TRUE(Parse({"--frames", "30", "--out", "shots"}, o, error)) << error;
    EXPECT_EQ(o.Frames, 30);
    EXPECT_EQ(o.OutDir, "shots");
    EXPECT_EQ(o.Shots, std::vector<int>{29});
    EXPECT_LT(o.FixedDt, 0.0f);
    EXPECT_EQ(o.Width, 0);
    EXPECT_FALSE(Parse({"--frames", "30"}, o, error));
    EXPECT_FALSE(Parse({"--out", "x"}, o, error));
    EXPECT_FALSE(Parse({"--frames", "0", "--out", "x"}, o, error));
    EXPECT_FALSE(Parse({"--frames", "ten", "--out", "x"}, o, error));
    EXPECT_FALSE(Parse({"--frames", "3", "--out", "x", "--colour"}, o, error));
    EXPECT_FALSE(Parse({"--frames", "3", "--out"}, o, error));
}

TEST(CaptureOptions, SizeShotsAndFixedStep)
{
    SCaptureOptions o;
    std::string error;
    ASSERT_TRUE(Parse({"--frames", "10", "--out", "d", "--size", "640x480", "--shots", "0,4,9", "--fixed-dt", "0.02"},
                      o, error))
        << error;
    EXPECT_EQ(o.Width, 640);
    EXPECT_EQ(o.Height, 480);
    EXPECT_EQ(o.Shots, (std::vector<int>{0, 4, 9}));
    EXPECT_FLOAT_EQ(o.FixedDt, 0.02f);
    EXPECT_FALSE(Parse({"--frames", "10", "--out", "d", "--shots", "10"}, o, error)); // past the last frame
    EXPECT_FALSE(Parse({"--frames", "10", "--out", "d", "--size", "640"}, o, error));
    EXPECT_FALSE(Parse({"--frames", "10", "--out", "d", "--size", "0x480"}, o, error));
    EXPECT_FALSE(Parse({"--frames", "10", "--out", "d", "--fixed-dt", "-1"}, o, error));
    EXPECT_FALSE(Parse({"--frames", "10", "--out", "d", "--shots", "1,,2"}, o, error));
}

TEST(CaptureOptions, PressesLastOneFrameAndHoldsSpanTheirRange)
{
    SCaptureOptions o;
    std::string error;
    ASSERT_TRUE(Parse({"--frames", "20", "--out", "d", "--press", "5:49", "7:112", "--hold", "2-4:87", "--press",
                       "3:27"},
                      o, error))
        << error;
    struct SExpected
    {
        int Frame, Code;
        bool Down;
    };
    const std::vector<SExpected> expected = {{2, 87, true}, {3, 27, true}, {4, 27, false}, {5, 87, false},
                                             {5, 49, true}, {6, 49, false}, {7, 112, true}, {8, 112, false}};
    ASSERT_EQ(o.KeyEvents.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i)
    {
        EXPECT_EQ(o.KeyEvents[i].Frame, expected[i].Frame) << i;
        EXPECT_EQ(o.KeyEvents[i].Code, expected[i].Code) << i;
        EXPECT_EQ(o.KeyEvents[i].Down, expected[i].Down) << i;
    }
    EXPECT_FALSE(Parse({"--frames", "20", "--out", "d", "--press", "5"}, o, error));
    EXPECT_FALSE(Parse({"--frames", "20", "--out", "d", "--press", "5:300"}, o, error));
    EXPECT_FALSE(Parse({"--frames", "20", "--out", "d", "--hold", "6-4:65"}, o, error));
    EXPECT_FALSE(Parse({"--frames", "20", "--out", "d", "--hold"}, o, error));
}

TEST(CaptureOptions, FrameStatisticsInMilliseconds)
{
    const SFrameStats stats = ComputeFrameStats({0.004, 0.001, 0.002, 0.003});
    EXPECT_DOUBLE_EQ(stats.Mean, 2.5);
    EXPECT_DOUBLE_EQ(stats.Median, 2.5);
    EXPECT_DOUBLE_EQ(stats.P95, 4.0);
    std::vector<double> many;
    for (int i = 1; i <= 100; ++i)
    {
        many.push_back(i / 1000.0);
    }
    EXPECT_DOUBLE_EQ(ComputeFrameStats(many).P95, 95.0);
    EXPECT_DOUBLE_EQ(ComputeFrameStats({0.007}).Median, 7.0);
    EXPECT_DOUBLE_EQ(ComputeFrameStats({}).Mean, 0.0);
    const std::string json = StatsJson(4, stats, stats);
    EXPECT_NE(json.find("\"frames\": 4"), std::string::npos);
    EXPECT_NE(json.find("\"median_ms\": 2.500000"), std::string::npos);
    EXPECT_NE(json.find("\"p95_ms\": 4.000000"), std::string::npos);
}

TEST(CaptureOptions, ResizesInFrameOrderAndTheFloorMode)
{
    SCaptureOptions o;
    std::string error;
    ASSERT_TRUE(Parse({"--frames", "50", "--out", "d", "--resize", "40:320x240", "10:800x600", "--floor",
                       "--no-area-filters"},
                      o, error))
        << error;
    EXPECT_TRUE(o.Floor);
    EXPECT_TRUE(o.NoAreaFilters);
    ASSERT_EQ(o.Resizes.size(), 2u);
    EXPECT_EQ(o.Resizes[0].Frame, 10);
    EXPECT_EQ(o.Resizes[0].Width, 800);
    EXPECT_EQ(o.Resizes[0].Height, 600);
    EXPECT_EQ(o.Resizes[1].Frame, 40);
    ASSERT_TRUE(Parse({"--frames", "5", "--out", "d"}, o, error));
    EXPECT_FALSE(o.Floor);
    EXPECT_FALSE(o.NoAreaFilters);
    EXPECT_TRUE(o.Resizes.empty());
    EXPECT_FALSE(Parse({"--frames", "5", "--out", "d", "--resize"}, o, error));
    EXPECT_FALSE(Parse({"--frames", "5", "--out", "d", "--resize", "320x240"}, o, error));
    EXPECT_FALSE(Parse({"--frames", "5", "--out", "d", "--resize", "2:320"}, o, error));
    EXPECT_FALSE(Parse({"--frames", "5", "--out", "d", "--resize", "x:320x240"}, o, error));
}

TEST(CaptureOptions, StatisticsReportGlErrorsAndResidentMemory)
{
    SRunHealth health;
    std::string json = StatsJson(2, SFrameStats(), SFrameStats(), health);
    EXPECT_NE(json.find("\"gl_errors\": 0"), std::string::npos);
    EXPECT_EQ(json.find("rss_kb"), std::string::npos); // nothing sampled, nothing claimed
    health.GlErrors = 3;
    health.FirstGlError = 0x502;
    health.FirstGlErrorFrame = 7;
    health.RssKb = {{0, 1000}, {1000, 1500}, {1999, 1200}};
    health.Renderer = "GPU \"9\"";
    json = StatsJson(2000, SFrameStats(), SFrameStats(), health);
    EXPECT_NE(json.find("\"gl_errors\": 3"), std::string::npos);
    EXPECT_NE(json.find("\"first_gl_error\": 1282"), std::string::npos);
    EXPECT_NE(json.find("\"first_gl_error_frame\": 7"), std::string::npos);
    EXPECT_NE(json.find("\"renderer\": \"GPU \\\"9\\\"\""), std::string::npos);
    EXPECT_NE(json.find("\"rss_kb_start\": 1000"), std::string::npos);
    EXPECT_NE(json.find("\"rss_kb_end\": 1200"), std::string::npos);
    EXPECT_NE(json.find("\"rss_kb_max\": 1500"), std::string::npos);
    EXPECT_NE(json.find("[[0, 1000], [1000, 1500], [1999, 1200]]"), std::string::npos);
    EXPECT_EQ(json.back(), '\n');
    EXPECT_EQ(json[json.size() - 2], '}');

    // Pass medians count a frame without the pass as 0; areas not drawn are null.
    SPassReport passes;
    passes.Names = {"ordinary", "scene_copy"};
    passes.FrameMs = {{4.0, 1.0}, {2.0, -1.0}, {3.0, -1.0}};
    passes.Areas = {{"Cubey", {1.5f, 2.0f, 30.0f, 40.25f}}, {"Wall1", {}}};
    json = StatsJson(3, SFrameStats(), SFrameStats(), SRunHealth(), passes);
    EXPECT_NE(json.find("\"passes\": {\"ordinary\": 3.000000, \"scene_copy\": 0.000000}"), std::string::npos);
    EXPECT_NE(json.find("\"areas\": {\"Cubey\": [1.50, 2.00, 30.00, 40.25], \"Wall1\": null}"), std::string::npos);
    EXPECT_NE(json.find("\"scene_copy\": [1.0000, null, null]"), std::string::npos);
    EXPECT_EQ(json[json.size() - 2], '}');
}

} // namespace
} // namespace gen
