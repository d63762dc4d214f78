// The capture tool's command line and the statistics it writes.
#include "../../tools/capture/CaptureOptions.h"

#include <gtest/gtest.h>

namespace gen
{
namespace
{

bool Parse(std::vector<const char*> args, SCaptureOptions& options)
{
    std::string error;
    args.insert(args.begin(), "tessavin-capture");
    return ParseCaptureOptions(static_cast<int>(args.size()), args.data(), options, error);
}

TEST(CaptureOptions, ParsesEveryOption)
{
    SCaptureOptions o;
    ASSERT_TRUE(Parse({"--frames", "30", "--out", "shots"}, o));
    EXPECT_EQ(o.Frames, 30);
    EXPECT_EQ(o.OutDir, "shots");
    EXPECT_EQ(o.Shots, std::vector<int>{29}); // the last frame by default
    EXPECT_LT(o.FixedDt, 0.0f);
    EXPECT_EQ(o.Width, 0);
    EXPECT_FALSE(o.Floor);
    EXPECT_FALSE(o.NoAreaFilters);

    ASSERT_TRUE(Parse({"--frames", "50", "--out", "d", "--size", "640x480", "--shots", "0,4,9", "--fixed-dt", "0.02",
                       "--resize", "40:320x240", "10:800x600", "--floor", "--no-area-filters", "--inspector", "--open",
                       "Scene", "--open", "Images"},
                      o));
    EXPECT_TRUE(o.Inspector);
    EXPECT_EQ(o.Sections, (std::vector<std::string>{"Scene", "Images"}));
    EXPECT_EQ(o.Width, 640);
    EXPECT_EQ(o.Height, 480);
    EXPECT_EQ(o.Shots, (std::vector<int>{0, 4, 9}));
    EXPECT_FLOAT_EQ(o.FixedDt, 0.02f);
    EXPECT_TRUE(o.Floor);
    EXPECT_TRUE(o.NoAreaFilters);
    ASSERT_EQ(o.Resizes.size(), 2u); // in frame order
    EXPECT_EQ(o.Resizes[0].Frame, 10);
    EXPECT_EQ(o.Resizes[0].Width, 800);
    EXPECT_EQ(o.Resizes[0].Height, 600);
    EXPECT_EQ(o.Resizes[1].Frame, 40);

    // Presses last one frame; holds span their range.
    ASSERT_TRUE(Parse({"--frames", "20", "--out", "d", "--press", "5:49", "7:112", "--hold", "2-4:87", "--press", "3:27"},
                      o));
    const int expected[][3] = {{2, 87, 1}, {3, 27, 1}, {4, 27, 0}, {5, 87, 0},
                               {5, 49, 1}, {6, 49, 0}, {7, 112, 1}, {8, 112, 0}};
    ASSERT_EQ(o.KeyEvents.size(), 8u);
    for (std::size_t i = 0; i < 8; ++i)
    {
        EXPECT_EQ(o.KeyEvents[i].Frame, expected[i][0]) << i;
        EXPECT_EQ(o.KeyEvents[i].Code, expected[i][1]) << i;
        EXPECT_EQ(o.KeyEvents[i].Down, expected[i][2] == 1) << i;
    }
}

TEST(CaptureOptions, RefusesBadCommandLines)
{
    const std::vector<std::vector<const char*>> bad = {
        {"--frames", "30"},                                 {"--frames", "0", "--out", "x"},
        {"--frames", "3", "--out", "x", "--colour"},        {"--frames", "3", "--out"},
        {"--frames", "10", "--out", "d", "--shots", "10"}, // past the last frame
        {"--frames", "10", "--out", "d", "--shots", "1,,2"}, {"--frames", "10", "--out", "d", "--size", "0x480"},
        {"--frames", "10", "--out", "d", "--fixed-dt", "-1"}, {"--frames", "20", "--out", "d", "--press", "5:300"},
        {"--frames", "20", "--out", "d", "--hold", "6-4:65"}, {"--frames", "5", "--out", "d", "--resize", "2:320"},
        {"--frames", "5", "--out", "d", "--replace", "2:Media/Stone.png"}, // no source
        {"--frames", "5", "--out", "d", "--replace", "x:a:b"},             {"--frames", "x", "--out", "d"},
        {"--frames", "5", "--out", "d", "stray"},
        {"--frames", "5", "--out", "d", "--set", "PP_Tint.psh:Gain"},       // no value
        {"--frames", "5", "--out", "d", "--set", "Gain=2"},                 // no file
        {"--frames", "5", "--out", "d", "--set", "PP_Tint.psh:=2"},         // no name
        {"--frames", "5", "--out", "d", "--set", "PP_Tint.psh:Gain=2,"},    // an empty value
        {"--frames", "5", "--out", "d", "--set", "PP_Tint.psh:Gain=nan"},   // not finite
        {"--frames", "5", "--out", "d", "--set", "PP_Tint.psh:Gain=1,2,3,4,5"},
    };
    for (const auto& args : bad)
    {
        SCaptureOptions o;
        EXPECT_FALSE(Parse(args, o)) << args.back();
    }
}

TEST(CaptureOptions, ReplacementsHelpAndVersion)
{
    SCaptureOptions o;
    // The source keeps its drive letter; the destination has none.
    ASSERT_TRUE(Parse({"--frames", "30", "--out", "d", "--replace", "20:Source\\Render\\PP_Tint.psh:C:\\red.psh",
                       "5:Media/Stone.png:/tmp/stone.png"},
                      o));
    ASSERT_EQ(o.Replaces.size(), 2u); // in frame order
    EXPECT_EQ(o.Replaces[0].Frame, 5);
    EXPECT_EQ(o.Replaces[1].Destination, "Source\\Render\\PP_Tint.psh");
    EXPECT_EQ(o.Replaces[1].Source, "C:\\red.psh");
    EXPECT_TRUE(o.Answer.empty());

    ASSERT_TRUE(Parse({"--help"}, o));
    EXPECT_NE(o.Answer.find("--replace FRAME:DEST:SRC"), std::string::npos) << o.Answer;
    ASSERT_TRUE(Parse({"--version"}, o));
    EXPECT_EQ(o.Answer, "Tessavin " TESSAVIN_VERSION " (MIT License)\n");

    // A file in a folder with a drive letter keeps it; the name is after the last ':' before '='.
    ASSERT_TRUE(Parse({"--frames", "3", "--out", "d", "--set", "PP_Tint.psh:Gain=3.5", "--set",
                       "C:\\f\\Sepia.fx:Tone=1,0.5,-0.25"},
                      o));
    ASSERT_EQ(o.Sets.size(), 2u);
    EXPECT_EQ(o.Sets[0].File, "PP_Tint.psh");
    EXPECT_EQ(o.Sets[0].Name, "Gain");
    EXPECT_EQ(o.Sets[0].Values, std::vector<float>{3.5f});
    EXPECT_EQ(o.Sets[1].File, "C:\\f\\Sepia.fx");
    EXPECT_EQ(o.Sets[1].Values, (std::vector<float>{1.0f, 0.5f, -0.25f}));
    const std::string stats = StatsJson(3, SFrameStats(), SFrameStats(), SRunHealth(), SPassReport(), o.Sets);
    EXPECT_NE(stats.find("\"set\": {\"PP_Tint.psh:Gain\": [3.5], \"C:_f_Sepia.fx:Tone\": [1, 0.5, -0.25]}"),
              std::string::npos)
        << stats;

    std::string error;
    const char* unknown[] = {"tessavin-capture", "--frames", "3", "--out", "d", "--colour"};
    EXPECT_FALSE(ParseCaptureOptions(6, unknown, o, error));
    EXPECT_NE(error.find("--colour"), std::string::npos) << error;
}

TEST(CaptureOptions, StatisticsInMilliseconds)
{
    const SFrameStats stats = ComputeFrameStats({0.004, 0.001, 0.002, 0.003});
    EXPECT_DOUBLE_EQ(stats.Mean, 2.5);
    EXPECT_DOUBLE_EQ(stats.Median, 2.5);
    EXPECT_DOUBLE_EQ(stats.P95, 4.0);
    SRunHealth health;
    health.GlErrors = 3;
    const std::string json = StatsJson(4, stats, stats, health);
    for (const char* part : {"\"frames\": 4", "\"median_ms\": 2.500000", "\"p95_ms\": 4.000000", "\"gl_errors\": 3"})
    {
        EXPECT_NE(json.find(part), std::string::npos) << part;
    }
    EXPECT_EQ(json.find("rss_kb"), std::string::npos); // nothing sampled, nothing claimed

    // Pass medians count a frame without the pass as 0; an area not drawn is null.
    SPassReport passes;
    passes.Names = {"ordinary", "scene_copy"};
    passes.FrameMs = {{4.0, 1.0}, {2.0, -1.0}, {3.0, -1.0}};
    passes.Areas = {{"Cubey", {1.5f, 2.0f, 30.0f, 40.25f}}, {"Wall1", {}}};
    const std::string withPasses = StatsJson(3, stats, stats, health, passes);
    for (const char* part : {"\"passes\": {\"ordinary\": 3.000000, \"scene_copy\": 0.000000}",
                             "\"areas\": {\"Cubey\": [1.50, 2.00, 30.00, 40.25], \"Wall1\": null}",
                             "\"scene_copy\": [1.0000, null, null]"})
    {
        EXPECT_NE(withPasses.find(part), std::string::npos) << part;
    }

    // A device without timestamp queries measured nothing: null, not zeros.
    passes.FrameMs = {{-1.0, -1.0}, {-1.0, -1.0}};
    const std::string unmeasured = StatsJson(2, stats, stats, health, passes);
    EXPECT_NE(unmeasured.find("\"passes\": null,\n  \"areas\": {"), std::string::npos) << unmeasured;
}

} // namespace
} // namespace gen
