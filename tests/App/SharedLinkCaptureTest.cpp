// A shared link opened before the capture tool's loop: its PP_Tint.psh draws
// the tint from the first frame and its own filter is a filter (key 4), while
// the data folder's files stay as they were and the link's folder goes when
// the link is closed. A link that cannot be honoured changes nothing.
#include "Support/CaptureRun.h"
#include "App/SharedLink.h"
#include "Common/DataFolder.h"
#include "Common/ReadFile.h"
#include "Common/ShareLink.h"
#include "Effects/PostProcess.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace gen
{
namespace
{

namespace fs = std::filesystem;

std::string SolidColour(const char* rgb)
{
    return std::string("float4 main() : COLOR0\n{\n    return float4(") + rgb + ", 1.0);\n}\n";
}

TEST(SharedLinkCapture, TheLinksShadersDrawFromTheFirstFrameAndLeaveTheDataAlone)
{
    struct SCase
    {
        const char* Path;
        const char* Rgb;
        const char* Key; // the filter that shows the file
        unsigned char Expected[3];
    };
    const SCase cases[] = {
        {"Source/Render/PP_Tint.psh", "1.0, 0.0, 0.0", "1:49", {255, 0, 0}},
        {"Filters/Green.psh", "0.0, 1.0, 0.0", "1:52", {0, 255, 0}},
    };
    std::string shipped;
    ASSERT_TRUE(ReadWholeFile(DataPath("Source/Render/PP_Tint.psh"), shipped));
    for (const SCase& c : cases)
    {
        SLink link;
        link.Files.push_back({c.Path, SolidColour(c.Rgb)});
        std::string error;
        ASSERT_TRUE(OpenSharedLink("https://example.org/index.html#" + LinkFragment(link), error)) << error;
        const std::string folder = DataOverlay();
        ASSERT_TRUE(fs::is_regular_file(FilePath(folder) / c.Path));
        FilterValues() = SFilterValues();
        SetCurrentFilter(kNoFilter);
        const SShot shot = RunCapture({"--frames", "4", "--fixed-dt", "0.016", "--press", c.Key, "--shots", "3"}).at(3);
        CloseSharedLink();
        EXPECT_FALSE(fs::exists(FilePath(folder)));
        EXPECT_TRUE(DataOverlay().empty());

        ASSERT_FALSE(shot.Pixels.empty());
        const std::size_t corner = (static_cast<std::size_t>(shot.Height - 2) * shot.Width + shot.Width - 2) * 4;
        for (int channel = 0; channel < 3; ++channel)
        {
            EXPECT_EQ(shot.Pixels[corner + channel], c.Expected[channel]) << c.Path << " channel " << channel;
        }
    }
    std::string after;
    ASSERT_TRUE(ReadWholeFile(DataPath("Source/Render/PP_Tint.psh"), after));
    EXPECT_EQ(after, shipped);
    EXPECT_FALSE(fs::exists("Filters/Green.psh"));
}

TEST(SharedLinkCapture, TheLinksTunedValuesDrawAndTheCommandLinesOverrideThem)
{
    SLink link;
    link.Values.push_back({"pp_tint.PSH", "Gain", {0.0f}}); // the file's name in any case
    link.Values.push_back({"Gone.psh", "Missing", {1.0f}});  // from other shaders: passed over
    const auto meanOf = [&](std::vector<std::string> extra) {
        std::string error;
        EXPECT_TRUE(OpenSharedLink(LinkFragment(link), error)) << error;
        FilterValues() = SFilterValues();
        SetCurrentFilter(kNoFilter);
        std::vector<std::string> args = {"--frames", "4", "--fixed-dt", "0.016", "--press", "1:49", "--shots", "3"};
        args.insert(args.end(), extra.begin(), extra.end());
        const SShot shot = RunCapture(args).at(3);
        CloseSharedLink();
        double sum = 0;
        for (std::size_t i = 0; i < shot.Pixels.size(); i += 4)
        {
            sum += shot.Pixels[i] + shot.Pixels[i + 1] + shot.Pixels[i + 2];
        }
        return sum / static_cast<double>(shot.Pixels.size());
    };
    // Only the overlay's text and the heat haze are left over a tint of gain 0.
    const double linked = meanOf({});
    const double overridden = meanOf({"--set", "PP_Tint.psh:Gain=2.2"});
    EXPECT_LT(linked * 4, overridden) << "the link's gain of 0 did not darken the tint";
    EXPECT_TRUE(SharedLinkValues().empty());
}

TEST(SharedLinkCapture, ALinkThatCannotBeHonouredChangesNothing)
{
    std::string error;
    EXPECT_FALSE(OpenSharedLink("https://example.org/#" + std::string(kLinkLimit, 'A'), error));
    EXPECT_NE(error.find("64 kB"), std::string::npos) << error;
    EXPECT_TRUE(DataOverlay().empty());
}

} // namespace
} // namespace gen
