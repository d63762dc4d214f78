// A shader edited while the program runs, through the capture tool's loop: a
// copy of the data folder, Tint selected, PP_Tint.psh replaced before frame
// 20. A shader that compiles shows from that frame; one that does not keeps
// the last good tint on screen and is named on the problem line. And the
// compiled shaders outlive a device reset.
#include "Support/CaptureRun.h"
#include "Device/Device.h"
#include "Device/Input.h"
#include "Common/Problems.h"
#include "Effects/PostProcess.h"
#include "Platform/CShader.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace gen
{
namespace
{

namespace fs = std::filesystem;

constexpr const char* kSolidRed = "float4 main() : COLOR0\n{\n    return float4(1.0f, 0.0f, 0.0f, 1.0f);\n}\n";
constexpr const char* kBroken = "float4 main() : COLOR0\n{\n    return float4(1.0f, 0.0f, undefinedThing, 1.0f);\n}\n";

class LiveEdit : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Root = fs::current_path();
        Work = EnterDataCopy(Root, "tessavin-live-edit");
        ResetProblems();
    }

    void TearDown() override
    {
        fs::current_path(Root);
        fs::remove_all(Work);
    }

    // 30 frames of 160x120 with Tint from frame 2; frame 25 read back. A
    // replacement text, if given, goes over PP_Tint.psh before frame 20.
    SShot Run(const std::string& replacement)
    {
        std::vector<std::string> args = {"--frames", "30", "--fixed-dt", "0.016", "--press", "2:49", "--shots", "25"};
        if (!replacement.empty())
        {
            std::ofstream(Work / "edit.psh") << replacement;
            args.push_back("--replace");
            args.push_back("20:Source/Render/PP_Tint.psh:" + (Work / "edit.psh").string());
        }
        FilterValues() = SFilterValues(); // each run's tint starts from the same hue
        return RunCapture(args).at(25);
    }

    fs::path Root, Work;
};

// The lower half of the frame: below the overlay's lines.
std::vector<std::uint8_t> LowerHalf(const SShot& shot)
{
    const std::size_t row = shot.Width * 4u;
    return std::vector<std::uint8_t>(shot.Pixels.begin() + static_cast<std::ptrdiff_t>(row * (shot.Height / 2)),
                                     shot.Pixels.end());
}

std::size_t ChannelsOff(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b)
{
    std::size_t off = 0;
    for (std::size_t i = 0; i < a.size() && i < b.size(); ++i)
    {
        off += std::abs(a[i] - b[i]) > 8 ? 1 : 0;
    }
    return off;
}

TEST_F(LiveEdit, AShaderThatCompilesShowsAndOneThatDoesNotKeepsTheLastGoodVersion)
{
    const SShot tinted = Run("");
    ASSERT_FALSE(tinted.Pixels.empty());
    EXPECT_TRUE(ProblemOverlayLine().empty());

    const SShot red = Run(kSolidRed);
    ASSERT_EQ(red.Pixels.size(), tinted.Pixels.size());
    const std::size_t corner = (static_cast<std::size_t>(red.Height - 2) * red.Width + red.Width - 2) * 4;
    EXPECT_EQ(red.Pixels[corner], 255);
    EXPECT_EQ(red.Pixels[corner + 1], 0);
    EXPECT_EQ(red.Pixels[corner + 2], 0);
    EXPECT_TRUE(ProblemOverlayLine().empty());

    fs::remove(Work / "Source/Render/PP_Tint.psh"); // MinGW's copy_file cannot overwrite
    fs::copy_file(Root / "Source/Render/PP_Tint.psh", Work / "Source/Render/PP_Tint.psh");
    const SShot broken = Run(kBroken);
    // The heat haze's moving bands differ between runs in a few pixels.
    EXPECT_LT(ChannelsOff(LowerHalf(broken), LowerHalf(tinted)), tinted.Pixels.size() / 200)
        << "the tint before the edit is gone";
    EXPECT_EQ(ProblemOverlayLine().rfind("Source/Render/PP_Tint.psh(3): 'undefinedThing'", 0), 0u)
        << ProblemOverlayLine();
}

// F1 resets the device: the filters' shaders are released and loaded again,
// and must come back as the same compiled objects rather than new ones.
struct SResetFrame : CFrame
{
    int Frames = 0;
    std::vector<CConstantTable*> Tables;
    std::vector<unsigned> References;
    bool WentFullScreen = false;

    bool Continue() override
    {
        if (Frames == 1)
        {
            KeyDownEvent(kKeyF1);
        }
        else if (Frames == 2)
        {
            KeyUpEvent(kKeyF1);
        }
        return Frames < 4;
    }
    void Render(float) override
    {
        CConstantTable* table = GetFilterConstantTable(kTint);
        Tables.push_back(table);
        References.push_back(table ? table->GetRefCount() : 0);
        WentFullScreen = WentFullScreen || FullScreen;
    }
    void Update(float) override { ++Frames; }
};

TEST(ShaderLibrary, AResetHandsOutTheShadersItCompiledBefore)
{
    SResetFrame frame;
    RunHeadless(frame);
    ASSERT_EQ(frame.Tables.size(), 4u);
    EXPECT_TRUE(frame.WentFullScreen);
    ASSERT_NE(frame.Tables.front(), nullptr);
    EXPECT_EQ(frame.Tables.back(), frame.Tables.front());
    EXPECT_EQ(frame.References.back(), 2u); // the filter's and the library's
}

} // namespace
} // namespace gen
