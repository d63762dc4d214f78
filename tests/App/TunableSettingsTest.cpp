// The tunables' settings files: values read back exactly as written, lines
// a person spoiled by hand are passed over, and what one run chooses or takes
// back is what the next run reads.
#include "App/TunableSettings.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <limits>
#include <string>

namespace gen
{
namespace
{

TEST(TunableSettings, ValuesReadBackExactlyAndSpoiledLinesArePassedOver)
{
    const TTunableValues values = {
        {"Gain", {2.2f}},
        {"Tone", {0.1f, -1.0e-7f, 3.4028235e38f, 1.0f / 3.0f}},
        {"Water", {0.35f, 0.8f, 0.85f}},
    };
    EXPECT_EQ(ReadTunableFileText(TunableFileText(values)), values);

    const std::string spoiled = "Gain =\n"           // no value
                                "Sway 4\n"           // no '='
                                "= 1\n"              // no name
                                "Edge = 1 x\n"       // not a number
                                "Far = 1 inf\n"      // not finite
                                "Many = 1 2 3 4 5\n" // more than a vector holds
                                "\n"
                                "  Kept   =   0.5\t1  \r\n";
    EXPECT_EQ(ReadTunableFileText(spoiled), (TTunableValues{{"Kept", {0.5f, 1.0f}}}));
}

TEST(TunableSettings, WhatOneRunChoosesTheNextReads)
{
    namespace fs = std::filesystem;
    const fs::path folder = fs::temp_directory_path() / "tessavin-tunable-settings" / "Zoë";
    fs::remove_all(folder);
    {
        CTunableSettings run(folder.u8string());
        run.Choose("PP_Tint.psh", "Gain", {3.5f});
        run.Choose("PP_UnderWater.psh", "WaterColour", {0.2f, 0.9f, 0.3f});
        run.Choose("PP_UnderWater.psh", "SwayPixels", {8.0f});
        run.Forget("PP_UnderWater.psh", "SwayPixels");
    }
    CTunableSettings next(folder.u8string());
    next.Load();
    const std::map<std::string, TTunableValues> expected = {
        {"PP_Tint.psh", {{"Gain", {3.5f}}}},
        {"PP_UnderWater.psh", {{"WaterColour", {0.2f, 0.9f, 0.3f}}}},
    };
    EXPECT_EQ(next.Chosen(), expected);
    EXPECT_TRUE(fs::exists(folder / "tunables" / "PP_Tint.psh.txt"));

    CTunableSettings nowhere("");
    nowhere.Choose("PP_Tint.psh", "Gain", {1.0f});
    nowhere.Load();
    EXPECT_EQ(nowhere.Chosen().size(), 1u);
    fs::remove_all(folder.parent_path());
}

} // namespace
} // namespace gen
