// The user's own filters through the capture tool's loop, in a copy of the
// data folder with a Filters folder of our own and a user folder: keys 4 to
// 9 and Page Down / Up choose them, the host's values reach them, a broken
// one is named while the others draw, and files added, changed or removed
// while the program runs take effect; their own constants are tunable.
#include "Common/Problems.h"
#include "Device/ShaderLibrary.h"
#include "App/Tunables.h"
#include "Effects/PostProcess.h"
#include "Support/CaptureRun.h"

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

// A media-player pixel shader: registers, p0 / p1 macros, main.
constexpr const char* kEmboss = R"(sampler s0 : register(s0);
float4 p0 : register(c0);
float4 p1 : register(c1);
#define one_over_width (p1[0])
#define one_over_height (p1[1])
float4 main(float2 tex : TEXCOORD0) : COLOR
{
    float4 c = tex2D(s0, tex);
    float4 l = tex2D(s0, tex - float2(2.0 * one_over_width, 2.0 * one_over_height));
    return float4(saturate(0.5 + 2.0 * dot(c.rgb - l.rgb, float3(0.3, 0.59, 0.11))).xxx, 1.0);
}
)";

// What the host gives a media-player shader, as colours: width / 320,
// height / 240 through 1 / height, and TEXCOORD0's x.
constexpr const char* kProbe = R"(float4 p0 : register(c0);
float4 p1 : register(c1);
float4 main(float2 tex : TEXCOORD0) : COLOR
{
    return float4(p0.x / 320.0, p1.y * 60.0, tex.x, 1.0);
}
)";

// An XNA-style effect: a texture object, a sampler_state, a default, a
// technique passing a literal to a uniform parameter, a state a quad cannot use.
constexpr const char* kSepia = R"(texture ScreenTexture;
sampler ScreenSampler = sampler_state
{
    Texture = <ScreenTexture>;
    MinFilter = Linear;
    MagFilter = Linear;
    AddressU = Clamp;
    AddressV = Clamp;
};
float Amount = 0.9;
float4 PixelShaderFunction(float2 texCoord : TEXCOORD0, uniform bool strong) : COLOR0
{
    float4 colour = tex2D(ScreenSampler, texCoord);
    float grey = dot(colour.rgb, float3(0.3, 0.59, 0.11));
    return float4(lerp(colour.rgb, grey * float3(1.0, 0.8, 0.55), strong ? Amount : 0.0), 1.0);
}
technique Sepia
{
    pass Pass1
    {
        PixelShader = compile ps_2_0 PixelShaderFunction(true);
        CullMode = None;
    }
}
)";

constexpr const char* kUnfinished = "float4 main(float2 t : TEXCOORD0) : COLOR0\n{\n    return undefinedThing;\n}\n";

// Our own names in the user's folder, in any case: ScreenSize, TexelSize, Time.
constexpr const char* kNames = R"(float2 screensize;
float4 TexelSize;
float TIME;
float4 main(float2 tex : TEXCOORD0) : COLOR
{
    return float4(screensize.x / 320.0, TexelSize.y * 60.0, TIME > 0.1 ? 1.0 : 0.0, 1.0);
}
)";

constexpr const char* kSolidRed = "float4 main() : COLOR0\n{\n    return float4(1.0f, 0.0f, 0.0f, 1.0f);\n}\n";

struct SPixel
{
    int R, G, B;
};

class UserFilters : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Root = fs::current_path();
        // A folder per test: ctest runs them side by side.
        Work = EnterDataCopy(Root, std::string("tessavin-user-filters-") +
                                       ::testing::UnitTest::GetInstance()->current_test_info()->name());
#ifdef _WIN32
        _putenv_s("APPDATA", (Work / "user").string().c_str());
        const fs::path user = Work / "user" / "Tessavin" / "Filters";
#else
        setenv("XDG_DATA_HOME", (Work / "user").c_str(), 1);
        const fs::path user = Work / "user" / "tessavin" / "Filters";
#endif
        fs::create_directories(Work / "Filters");
        fs::create_directories(user);
        Write(Work / "Filters" / "Emboss.psh", kEmboss);
        Write(Work / "Filters" / "Probe.psh", kProbe);
        Write(Work / "Filters" / "Sepia.fx", kSepia);
        Write(Work / "Filters" / "Unfinished.hlsl", kUnfinished);
        Write(user / "Znames.hlsl", kNames);
        Write(Work / "red.psh", kSolidRed);
    }

    void TearDown() override
    {
        fs::current_path(Root);
        fs::remove_all(Work);
    }

    static void Write(const fs::path& path, const char* text) { std::ofstream(path) << text; }

    // 30 frames of 160x120 with extra options; frame 25 read back, and the
    // filter's name at the end.
    SShot Run(const std::vector<std::string>& extra)
    {
        std::vector<std::string> args = {"--frames", "30", "--fixed-dt", "0.016", "--shots", "25"};
        args.insert(args.end(), extra.begin(), extra.end());
        ResetProblems();
        SetCurrentFilter(kNoFilter);
        const SShot shot = RunCapture(args).at(25);
        Name = CurrentFilterName();
        return shot;
    }

    fs::path Root, Work;
    std::string Name;
};

SPixel At(const SShot& shot, std::uint32_t x, std::uint32_t y)
{
    const std::size_t i = (static_cast<std::size_t>(y) * shot.Width + x) * 4;
    return {shot.Pixels[i], shot.Pixels[i + 1], shot.Pixels[i + 2]};
}

// Mean channel difference over the lower half (below the overlay's lines),
// and the mean of one channel there.
double MeanDifference(const SShot& a, const SShot& b)
{
    double sum = 0.0;
    const std::size_t from = a.Pixels.size() / 2;
    for (std::size_t i = from; i < a.Pixels.size() && i < b.Pixels.size(); ++i)
    {
        sum += std::abs(a.Pixels[i] - b.Pixels[i]);
    }
    return sum / static_cast<double>(a.Pixels.size() - from);
}

double MeanChannel(const SShot& shot, int channel)
{
    double sum = 0.0;
    std::size_t count = 0;
    for (std::size_t i = shot.Pixels.size() / 2 + static_cast<std::size_t>(channel); i < shot.Pixels.size(); i += 4)
    {
        sum += shot.Pixels[i];
        ++count;
    }
    return sum / static_cast<double>(count);
}

TEST_F(UserFilters, KeysChooseThemInNameOrderAndEachDrawsWhileTheBrokenOneIsNamed)
{
    const SShot none = Run({});
    EXPECT_EQ(Name, "None");

    struct SCase
    {
        std::vector<std::string> Presses;
        const char* Name;
        bool Differs; // from no filter
    } const cases[] = {
        {{"2:52"}, "Emboss", true},
        {{"2:54"}, "Sepia", true},
        {{"2:55"}, "Unfinished", false}, // no good version: drawn as none
        {{"2:34", "3:34", "4:34", "5:34", "6:34"}, "Probe", true},
        {{"2:33", "3:33"}, "Unfinished", false},
        {{"2:52", "3:49"}, "Tint", true}, // the built-in keys keep their meaning
        {{"2:52", "3:57"}, "Emboss", true}, // key 9: no ninth filter
    };
    for (const SCase& c : cases)
    {
        std::vector<std::string> extra;
        for (const std::string& press : c.Presses)
        {
            extra.push_back("--press");
            extra.push_back(press);
        }
        const SShot shot = Run(extra);
        EXPECT_EQ(Name, c.Name) << c.Presses.front();
        const double difference = MeanDifference(shot, none);
        if (c.Differs)
        {
            EXPECT_GT(difference, 4.0) << c.Name;
            EXPECT_GT(MeanChannel(shot, 0) + MeanChannel(shot, 1), 40.0) << c.Name << " is black";
        }
        else
        {
            EXPECT_LT(difference, 2.0) << c.Name;
        }
        EXPECT_NE(ProblemOverlayLine().find("Unfinished.hlsl(3)"), std::string::npos) << ProblemOverlayLine();
    }
    const SShot sepia = Run({"--press", "2:54"});
    EXPECT_GT(MeanChannel(sepia, 0), MeanChannel(sepia, 2) + 10.0) << "not toned";
}

TEST_F(UserFilters, TheHostsValuesReachThem)
{
    // Probe (key 5) in the data folder, the user folder's file (key 8).
    for (const char* key : {"2:53", "2:56"})
    {
        const SShot shot = Run({"--press", key});
        const SPixel left = At(shot, 0, shot.Height - 1);
        const SPixel right = At(shot, shot.Width - 1, shot.Height - 1);
        EXPECT_NEAR(left.R, 128, 2) << key << ": width";
        EXPECT_NEAR(left.G, 128, 2) << key << ": 1 / height";
        if (key[2] == '3')
        {
            EXPECT_LT(left.B, 4) << "TEXCOORD0 at the left edge";
            EXPECT_GT(right.B, 251) << "TEXCOORD0 at the right edge";
        }
        else
        {
            EXPECT_GT(right.B, 251) << "Time";
        }
    }
}

// Their own constants are tuned as the built-in filters' are (by file name,
// in any case); those the host sets are not, once the filter has drawn.
TEST_F(UserFilters, TheirOwnConstantsAreTunedAndTheHostsAreNot)
{
    const SShot none = Run({});
    const SShot untoned = Run({"--press", "2:54", "--set", "sepia.FX:Amount=0"});
    EXPECT_LT(MeanDifference(untoned, none), 2.0);

    std::vector<ETuneResult> results;
    std::vector<bool> drawn;
    SetCurrentFilter(kNoFilter);
    RunCapture({"--frames", "5", "--press", "1:56"}, [&](int frame) {
        if (frame == 4)
        {
            results = {SetTunableValue("Znames.hlsl", "TIME", {1.0f}), SetTunableValue("Sepia.fx", "Amount", {0.5f})};
            for (const STunableTable& table : TunableTables())
            {
                if (table.File == "Znames.hlsl" || table.File == "Sepia.fx")
                {
                    drawn.push_back(table.Drawn);
                }
            }
        }
    });
    EXPECT_EQ(results, (std::vector<ETuneResult>{kTuneSetByProgram, kTuned}));
    EXPECT_EQ(drawn, (std::vector<bool>{false, true})) << "Sepia, in name order, has not drawn; Znames has";
}

TEST_F(UserFilters, FilesAddedAndChangedWhileRunningTakeEffect)
{
    // Emboss chosen, then replaced by a solid red.
    SShot shot = Run({"--press", "2:52", "--replace", "20:Filters/Emboss.psh:" + (Work / "red.psh").string()});
    SPixel corner = At(shot, shot.Width - 2, shot.Height - 2);
    EXPECT_EQ(corner.R, 255);
    EXPECT_EQ(corner.G, 0);

    // A new file: Aardvark comes first, so key 4 chooses it.
    shot = Run({"--replace", "10:Filters/Aardvark.psh:" + (Work / "red.psh").string(), "--press", "15:52"});
    EXPECT_EQ(Name, "Aardvark");
    corner = At(shot, shot.Width - 2, shot.Height - 2);
    EXPECT_EQ(corner.R, 255);
    EXPECT_EQ(corner.G, 0);

    // Mended: the problem line goes; removed: the one in use stays chosen
    // while it is there, whatever its number, then none is.
    shot = Run({"--replace", "10:Filters/Unfinished.hlsl:" + (Work / "red.psh").string()});
    EXPECT_EQ(ProblemOverlayLine(), "");

    fs::remove(Work / "Filters" / "Aardvark.psh");
    const std::map<int, SShot> shots = RunCapture(
        {"--frames", "30", "--fixed-dt", "0.016", "--shots", "15,25", "--press", "2:53"}, [this](int frame) {
            if (frame == 10 || frame == 20)
            {
                fs::remove(Work / "Filters" / (frame == 10 ? "Emboss.psh" : "Probe.psh"));
                CheckShaderFilesNow();
            }
        });
    EXPECT_NEAR(At(shots.at(15), 0, 119).R, 128, 2) << "Probe, now the first, is no longer shown";
    EXPECT_EQ(CurrentFilterName(), "None");
}

} // namespace
} // namespace gen
