// The filters on a real device (headless Mesa under Xvfb): a random pattern
// stands in for the scene, and the back buffer is read back.
#include "App/AppFrame.h"
#include "App/Device.h"
#include "Effects/PostProcess.h"
#include "Scene/CCamera.h"
#include "Scene/Scene.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

using namespace gen;

// The loop's scene entry points, which the display-mode change's library
// refers to; these tests drive post-processing themselves.
namespace gen
{
bool SceneSetup()
{
    return true;
}
void SceneRender(float) {}
void SceneUpdate(float) {}
void SceneShutdown() {}
} // namespace gen

namespace
{

constexpr int kWidth = 160;
constexpr int kHeight = 120;

// The stand-in scene: what it draws and what it saw.
CTexture* Pattern = nullptr;
std::vector<std::uint8_t> PatternPixels;
std::vector<std::uint8_t> PolyCopySeen;
int OrdinaryPasses = 0, PolyPasses = 0;
std::uint32_t PolyPassColour = 0; // non-zero: the polygon pass clears to it
std::uint32_t OrdinaryColour = 0; // non-zero: the ordinary pass clears to it instead of the pattern

void DrawStandInScene(CCamera& camera, bool postProcessPass)
{
    if (!postProcessPass)
    {
        ++OrdinaryPasses;
        // A polygon surface around the camera: it may read the whole screen.
        NotePolygonSurface(camera, CMatrix4x4::kIdentity, camera.GetPosition() - CVector3(1.0f, 1.0f, 1.0f),
                           camera.GetPosition() + CVector3(1.0f, 1.0f, 1.0f), 0.0f);
        if (OrdinaryColour)
        {
            Device->Clear(kClearTarget, OrdinaryColour, 1.0f, 0);
            return;
        }
        // The pattern texel for pixel, through the no-filter shader.
        Device->SetTexture(0, Pattern);
        ApplyPostProcess(kNoFilter);
        const float topLeft[2] = {0.0f, 0.0f}, bottomRight[2] = {1.0f, 1.0f};
        GetFilterConstantTable(kNoFilter)->SetFloatArray("UVTopLeft", topLeft, 2);
        GetFilterConstantTable(kNoFilter)->SetFloatArray("UVBottomRight", bottomRight, 2);
        Device->SetSamplerState(0, kSampMagFilter, kFilterPoint);
        Device->SetSamplerState(0, kSampMinFilter, kFilterPoint);
        DrawScreenQuad(0, 0, kWidth, kHeight, 0, 0, 1, 1, false, 0);
        Device->SetTexture(0, nullptr);
        return;
    }
    ++PolyPasses;
    // The copy the polygon surfaces read must hold the ordinary pass.
    CSurface* surface = GetPolyPostProcessSceneTexture()->GetSurfaceLevel(0);
    std::uint32_t w = 0, h = 0;
    Device->SetRenderTarget(0, surface);
    Device->ReadRenderTarget(PolyCopySeen, w, h);
    Device->SetRenderTarget(0, GetSceneSurface());
    SafeRelease(surface);
    if (PolyPassColour)
    {
        Device->Clear(kClearTarget, PolyPassColour, 1.0f, 0);
    }
}

std::uint8_t Byte(float c)
{
    return static_cast<std::uint8_t>(std::lround(std::clamp(c, 0.0f, 1.0f) * 255.0f));
}

using TExpected = std::function<int(int x, int y, int c)>;
using TRegion = std::function<bool(int x, int y)>;

// Largest difference of a colour channel from the expected one in a region.
int MaxDifference(const std::vector<std::uint8_t>& got, const TExpected& expected,
                  const TRegion& region = [](int, int) { return true; })
{
    int worst = 0;
    for (int y = 0; y < kHeight; ++y)
    {
        for (int x = 0; x < kWidth; ++x)
        {
            for (int c = 0; region(x, y) && c < 3; ++c)
            {
                worst = std::max(worst, std::abs(got[(y * kWidth + x) * 4 + c] - expected(x, y, c)));
            }
        }
    }
    return worst;
}

int Scene(int x, int y, int c)
{
    return PatternPixels[(y * kWidth + x) * 4 + c];
}

TExpected Tinted()
{
    const CVector4 tint = TintColourFromHSL(FilterValues().TintHue, 50.0f, 30.0f);
    const float tints[3] = {tint.x, tint.y, tint.z};
    return [=](int x, int y, int c) { return Byte(Scene(x, y, c) / 255.0f * tints[c] * 2.2f); };
}

TExpected Solid(std::uint8_t r, std::uint8_t g, std::uint8_t b)
{
    return [=](int, int, int c) { return c == 0 ? r : c == 1 ? g : b; };
}

class PostProcessRender : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(InitVideo(true));
        ASSERT_TRUE(Window.Create("Effects test", 0, 0, 808, 634));
        Window.SetClientSize(kWidth, kHeight);
        ASSERT_TRUE(D3DSetup(Window));
        ASSERT_EQ(ViewportWidth, static_cast<std::uint32_t>(kWidth));
        FontOnlyPoolCount = Device->GetDefaultPoolCount();
        ASSERT_TRUE(SetupPostProcessing()) << LastShaderLog();

        std::mt19937 random(7);
        PatternPixels.resize(kWidth * kHeight * 4);
        for (std::size_t i = 0; i < PatternPixels.size(); ++i)
        {
            PatternPixels[i] = i % 4 == 3 ? 255 : static_cast<std::uint8_t>(random());
        }
        Pattern = Device->CreateTextureFromPixels(kWidth, kHeight, PatternPixels.data(), false);
        ASSERT_NE(Pattern, nullptr);
        SetSceneDrawFunction(&DrawStandInScene);
        CurrentFilter = kNoFilter;
        FilterValues() = SFilterValues();
        OrdinaryPasses = PolyPasses = 0;
        PolyPassColour = OrdinaryColour = 0;
    }

    void TearDown() override
    {
        SetSceneDrawFunction(nullptr);
        SafeRelease(Pattern);
        ReleasePostProcessing();
        D3DShutdown();
        Window.Destroy();
        QuitVideo();
    }

    // One frame's post-processing over a grey back buffer, so that anything
    // not drawn shows.
    void Frame()
    {
        ASSERT_TRUE(Device->BeginScene());
        Device->Clear(kClearTarget | kClearZBuffer | kClearStencil, ColourARGB(255, 128, 128, 128), 1.0f, 0);
        FullScreenPostProcess(0.02f, Camera);
        Device->EndScene();
    }

    bool Area(const CVector3& centre, float size, float offset, EPostProcess filter)
    {
        Device->BeginScene();
        const bool drew = AreaPostProcess(centre, size, size, offset, filter, Camera);
        Device->EndScene();
        return drew;
    }

    std::vector<std::uint8_t> BackBuffer()
    {
        std::vector<std::uint8_t> rgba;
        std::uint32_t w = 0, h = 0;
        EXPECT_TRUE(Device->ReadBackBuffer(rgba, w, h));
        EXPECT_EQ(w, ViewportWidth);
        EXPECT_EQ(h, ViewportHeight);
        return rgba;
    }

    CWindow Window;
    CCamera Camera{kZero, kZero, 1.0f, 1000.0f, 1.0471976f, 4.0f / 3.0f};
    unsigned FontOnlyPoolCount = 0;
};

TEST_F(PostProcessRender, NoFilterCopiesTheScenePixelForPixel)
{
    // A material may leave clockwise culling behind; the quads must not vanish.
    Device->SetRenderState(kRSCullMode, kCullCW);
    Frame();
    EXPECT_EQ(Device->GetRenderState(kRSCullMode), kCullCW);
    EXPECT_EQ(MaxDifference(BackBuffer(), Scene), 0);
    EXPECT_EQ(GetSceneTexture()->GetWidth(), ViewportWidth);
    EXPECT_EQ(GetSceneTexture()->GetHeight(), ViewportHeight);

    // Both passes ran; the polygon pass had a copy of the ordinary pass to read.
    EXPECT_EQ(OrdinaryPasses, 1);
    EXPECT_EQ(PolyPasses, 1);
    ASSERT_EQ(PolyCopySeen.size(), PatternPixels.size());
    EXPECT_EQ(MaxDifference(PolyCopySeen, Scene), 0);

    // What the polygon pass draws reaches the screen; its copy keeps the ordinary pass.
    PolyPassColour = ColourARGB(255, 10, 200, 30);
    Frame();
    EXPECT_EQ(MaxDifference(BackBuffer(), Solid(10, 200, 30)), 0);
    EXPECT_EQ(MaxDifference(PolyCopySeen, Scene), 0);
}

TEST_F(PostProcessRender, TintHighContrastAndUnderWater)
{
    CurrentFilter = kTint;
    FilterValues().TintHue = 200.0f;
    Frame();
    // The update steps the hue before the tint is applied.
    EXPECT_FLOAT_EQ(FilterValues().TintHue, 200.1f);
    EXPECT_LE(MaxDifference(BackBuffer(), Tinted()), 1);

    // The shader scales each channel's distance from mid grey by one plus
    // the level: the start level 1 doubles the contrast, -1.5 inverts it.
    CurrentFilter = kHighContrast;
    for (const float level : {1.0f, 0.4f, -1.5f})
    {
        FilterValues().ContrastLevel = level;
        Frame();
        const TExpected contrast = [=](int x, int y, int c) {
            return Byte((Scene(x, y, c) / 255.0f - 0.5f) * (1.0f + level) + 0.5f);
        };
        EXPECT_LE(MaxDifference(BackBuffer(), contrast), 1) << "level " << level;
    }

    // Under water: blue-green, and its clamped addressing is undone for the
    // scene's materials.
    CurrentFilter = kUnderWater;
    Frame();
    const auto got = BackBuffer();
    double sum[3] = {0, 0, 0};
    for (std::size_t i = 0; i < got.size(); i += 4)
    {
        for (int c = 0; c < 3; ++c)
        {
            sum[c] += got[i + c];
        }
    }
    EXPECT_LT(sum[0] * 2.0, sum[1]);
    EXPECT_LT(sum[0] * 2.0, sum[2]);
    EXPECT_EQ(Device->GetSamplerState(0, kSampAddressU), kAddressWrap);
    EXPECT_EQ(Device->GetSamplerState(0, kSampMagFilter), kFilterLinear);
    EXPECT_EQ(Device->GetRenderState(kRSAlphaBlendEnable), 0u);
}

TEST_F(PostProcessRender, AreaFilterCoversTheProjectedSquareOnly)
{
    const CVector3 centre(6.0f, -3.0f, 60.0f);
    SAreaRect r;
    ASSERT_TRUE(AreaRectangle(kZero, Camera.ViewMatrix, Camera.ProjMatrix, kWidth, kHeight, centre, 20, 20, -9, r));
    ASSERT_GT(r.Left, 2.0f);
    ASSERT_LT(r.Right, kWidth - 2.0f);
    ASSERT_GT(r.Right - r.Left, 20.0f);
    const TRegion inside = [&](int x, int y) {
        return x > r.Left + 1 && x < r.Right - 1 && y > r.Top + 1 && y < r.Bottom - 1;
    };
    const TRegion outside = [&](int x, int y) {
        return x < r.Left - 1 || x > r.Right + 1 || y < r.Top - 1 || y > r.Bottom + 1;
    };

    // The tint filter in the area shows where the quad went and which part
    // of the scene texture it read.
    Frame();
    EXPECT_TRUE(Area(centre, 20.0f, -9.0f, kTint));
    auto got = BackBuffer();
    EXPECT_LE(MaxDifference(got, Tinted(), inside), 1);
    EXPECT_EQ(MaxDifference(got, Scene, outside), 0);

    // Heat haze: a shimmer inside, nothing outside.
    Frame();
    FilterValues().HeatHazeWiggle = 1.0f;
    EXPECT_TRUE(Area(centre, 20.0f, -9.0f, kHeatHaze));
    got = BackBuffer();
    EXPECT_GT(MaxDifference(got, Scene, inside), 20);
    EXPECT_EQ(MaxDifference(got, Scene, outside), 0);
}

TEST_F(PostProcessRender, AreaFilterIsHiddenByNearerSceneryAndBehindTheCamera)
{
    Frame();
    // Depth 0 everywhere: all the scenery is nearer than the pulled point.
    Device->Clear(kClearZBuffer, 0, 0.0f, 0);
    EXPECT_TRUE(Area(CVector3(0, 0, 60), 20.0f, -9.0f, kTint));
    EXPECT_EQ(MaxDifference(BackBuffer(), Scene), 0);

    Device->Clear(kClearZBuffer, 0, 1.0f, 0);
    EXPECT_FALSE(Area(CVector3(0, 0, -60), 20.0f, -9.0f, kTint));
    EXPECT_EQ(MaxDifference(BackBuffer(), Scene), 0);
}

TEST_F(PostProcessRender, ResizeKeepsTheFilterAndFollowsTheBackBuffer)
{
    CurrentFilter = kHighContrast;
    FilterValues().ContrastLevel = 1.25f;
    Frame();
    const float hue = FilterValues().TintHue;

    Window.SetClientSize(200, 150);
    ASSERT_TRUE(ChangeDisplayMode(Window, false));
    ASSERT_EQ(ViewportWidth, 200u);
    EXPECT_EQ(CurrentFilter, kHighContrast);
    EXPECT_FLOAT_EQ(FilterValues().ContrastLevel, 1.25f);
    EXPECT_FLOAT_EQ(FilterValues().TintHue, hue);
    for (CTexture* texture : {GetSceneTexture(), GetPolyPostProcessSceneTexture()})
    {
        ASSERT_NE(texture, nullptr);
        EXPECT_EQ(texture->GetWidth(), 200u);
        EXPECT_EQ(texture->GetHeight(), 150u);
    }
    OrdinaryColour = ColourARGB(255, 0, 0, 255);
    CurrentFilter = kNoFilter;
    Frame();
    std::vector<std::uint8_t> rgba;
    std::uint32_t w = 0, h = 0;
    ASSERT_TRUE(Device->ReadBackBuffer(rgba, w, h));
    ASSERT_EQ(rgba.size(), 200u * 150u * 4u);
    EXPECT_EQ(rgba[(149 * 200 + 199) * 4 + 2], 255); // the last pixel too
}

TEST_F(PostProcessRender, SetupFailsWithoutAnyFilterShaderOrImage)
{
    ReleasePostProcessing();
    ReleasePostProcessing(); // a second release releases nothing twice
    EXPECT_EQ(Device->GetDefaultPoolCount(), FontOnlyPoolCount);

    namespace fs = std::filesystem;
    const fs::path root = fs::current_path();
    const fs::path work = fs::temp_directory_path() / ("tessavin-effects-" + std::to_string(::getpid()));
    fs::remove_all(work);
    fs::create_directories(work / "Source" / "Render");
    fs::create_directories(work / "Media");
    auto copy = [&](const char* folder, const char* file) {
        fs::copy_file(root / folder / file, work / folder / file);
    };
    for (const char* file : {"PP_NoFilter.psh", "PP_Tint.psh", "PP_HighContrast.psh", "PP_UnderWater.psh",
                             "PP_Distort.psh", "PP_HeatHaze.psh"})
    {
        copy("Source/Render", file);
    }
    copy("Media", "Noise.png");
    copy("Media", "Burn.png");
    fs::current_path(work);

    // "PP_Spiral.psh" is missing although no key selects it.
    EXPECT_FALSE(SetupPostProcessing());
    ReleasePostProcessing();
    EXPECT_EQ(Device->GetDefaultPoolCount(), FontOnlyPoolCount);
    copy("Source/Render", "PP_Spiral.psh");
    EXPECT_FALSE(SetupPostProcessing()); // "Distort.png" is missing
    copy("Media", "Distort.png");
    EXPECT_TRUE(SetupPostProcessing());
    // Setting up again replaces the resources instead of adding to them.
    const unsigned count = Device->GetDefaultPoolCount();
    EXPECT_TRUE(SetupPostProcessing());
    EXPECT_EQ(Device->GetDefaultPoolCount(), count);

    fs::current_path(root);
    fs::remove_all(work);
}

TEST_F(PostProcessRender, WithoutItsResourcesTheFrameStillShowsTheScene)
{
    // As after a reset whose set-up failed: nothing to filter with.
    ReleasePostProcessing();
    OrdinaryColour = ColourARGB(255, 250, 120, 0);
    Frame();
    EXPECT_EQ(MaxDifference(BackBuffer(), Solid(250, 120, 0)), 0);
    EXPECT_FALSE(Area(CVector3(0, 0, 60), 20.0f, -9.0f, kHeatHaze));
}

} // namespace
