// The filters on a real device (headless Mesa under Xvfb): a known pattern
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
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

using namespace gen;

// The loop's scene entry points, which ChangeDisplayMode's library refers to;
// these tests drive post-processing themselves.
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

constexpr std::uint32_t kWidth = 160;
constexpr std::uint32_t kHeight = 120;

// What the stand-in scene draws, and what it saw.
CTexture* Pattern = nullptr;
std::vector<std::uint8_t> PatternPixels;
std::vector<std::uint8_t> PolyCopySeen;
std::uint32_t PolyTargetWidth = 0;
int OrdinaryPasses = 0;
int PolyPasses = 0;
std::uint32_t PolyPassColour = 0; // non-zero: the polygon pass clears to it

std::vector<std::uint8_t> MakePattern(std::uint32_t width, std::uint32_t height, unsigned seed)
{
    std::mt19937 random(seed);
    std::vector<std::uint8_t> rgba(width * height * 4);
    for (std::size_t i = 0; i < rgba.size(); ++i)
    {
        rgba[i] = (i % 4 == 3) ? 255 : static_cast<std::uint8_t>(random() & 0xFF);
    }
    return rgba;
}

// Copies a texture over the whole current target, texel for pixel.
void DrawTextureOverTarget(CTexture* texture)
{
    Device->SetTexture(0, texture);
    ApplyPostProcess(kNoFilter);
    const float topLeft[2] = {0.0f, 0.0f};
    const float bottomRight[2] = {1.0f, 1.0f};
    GetFilterConstantTable(kNoFilter)->SetFloatArray("UVTopLeft", topLeft, 2);
    GetFilterConstantTable(kNoFilter)->SetFloatArray("UVBottomRight", bottomRight, 2);
    Device->SetSamplerState(0, kSampMagFilter, kFilterPoint);
    Device->SetSamplerState(0, kSampMinFilter, kFilterPoint);
    Device->SetRenderState(kRSAlphaBlendEnable, 0);
    DrawScreenQuad(0, 0, static_cast<float>(ViewportWidth), static_cast<float>(ViewportHeight), 0, 0, 1, 1, false,
                   0);
    Device->SetTexture(0, nullptr);
}

void DrawStandInScene(CCamera&, bool postProcessPass)
{
    if (!postProcessPass)
    {
        ++OrdinaryPasses;
        DrawTextureOverTarget(Pattern);
        return;
    }
    ++PolyPasses;
    std::uint32_t w = 0, h = 0;
    std::vector<std::uint8_t> ignored;
    Device->ReadRenderTarget(ignored, w, h);
    PolyTargetWidth = w;
    // The copy the polygon surfaces read must hold the ordinary pass.
    if (CTexture* copy = GetPolyPostProcessSceneTexture())
    {
        CSurface* surface = copy->GetSurfaceLevel(0);
        Device->SetRenderTarget(0, surface);
        Device->ReadRenderTarget(PolyCopySeen, w, h);
        Device->SetRenderTarget(0, GetSceneSurface());
        SafeRelease(surface);
    }
    if (PolyPassColour)
    {
        Device->Clear(kClearTarget, PolyPassColour, 1.0f, 0);
    }
}

std::uint8_t Byte(float c)
{
    return static_cast<std::uint8_t>(std::lround(std::clamp(c, 0.0f, 1.0f) * 255.0f));
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
        ASSERT_EQ(ViewportWidth, kWidth);
        ASSERT_EQ(ViewportHeight, kHeight);
        FontOnlyPoolCount = Device->GetDefaultPoolCount();
        ASSERT_TRUE(SetupPostProcessing()) << LastShaderLog();

        PatternPixels = MakePattern(kWidth, kHeight, 7);
        Pattern = Device->CreateTextureFromPixels(kWidth, kHeight, PatternPixels.data(), false);
        ASSERT_NE(Pattern, nullptr);
        SetSceneDrawFunction(&DrawStandInScene);
        CurrentFilter = kNoFilter;
        FilterValues() = SFilterValues();
        OrdinaryPasses = PolyPasses = 0;
        PolyPassColour = 0;
        PolyCopySeen.clear();
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

    // One frame's post-processing, the back buffer first filled with grey
    // so that anything not drawn shows.
    void Frame(float t = 0.02f)
    {
        ASSERT_TRUE(Device->BeginScene());
        Device->Clear(kClearTarget | kClearZBuffer | kClearStencil, ColourARGB(255, 128, 128, 128), 1.0f, 0);
        FullScreenPostProcess(t, Camera);
        Device->EndScene();
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

    // Largest difference of a colour channel against expected(x, y, channel).
    template <typename TExpected>
    int MaxDifference(const std::vector<std::uint8_t>& got, TExpected expected, int x0 = 0, int y0 = 0,
                      int x1 = static_cast<int>(kWidth), int y1 = static_cast<int>(kHeight))
    {
        int worst = 0;
        for (int y = y0; y < y1; ++y)
        {
            for (int x = x0; x < x1; ++x)
            {
                for (int c = 0; c < 3; ++c)
                {
                    const int g = got[(static_cast<std::size_t>(y) * kWidth + x) * 4 + c];
                    worst = std::max(worst, std::abs(g - static_cast<int>(expected(x, y, c))));
                }
            }
        }
        return worst;
    }

    std::uint8_t Scene(int x, int y, int c) const
    {
        return PatternPixels[(static_cast<std::size_t>(y) * kWidth + x) * 4 + c];
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
    const auto got = BackBuffer();
    EXPECT_EQ(MaxDifference(got, [&](int x, int y, int c) { return Scene(x, y, c); }), 0);

    // The scene texture is the back buffer's size and holds the same image.
    ASSERT_NE(GetSceneTexture(), nullptr);
    EXPECT_EQ(GetSceneTexture()->GetWidth(), kWidth);
    EXPECT_EQ(GetSceneTexture()->GetHeight(), kHeight);
    Device->SetRenderTarget(0, GetSceneSurface());
    std::vector<std::uint8_t> scene;
    std::uint32_t w = 0, h = 0;
    ASSERT_TRUE(Device->ReadRenderTarget(scene, w, h));
    EXPECT_EQ(MaxDifference(scene, [&](int x, int y, int c) { return got[(y * kWidth + x) * 4 + c]; }), 0);

    // Both passes ran, the polygon pass into the scene texture and with a copy
    // of the ordinary pass to read.
    EXPECT_EQ(OrdinaryPasses, 1);
    EXPECT_EQ(PolyPasses, 1);
    EXPECT_EQ(PolyTargetWidth, kWidth);
    ASSERT_EQ(PolyCopySeen.size(), PatternPixels.size());
    EXPECT_EQ(MaxDifference(PolyCopySeen, [&](int x, int y, int c) { return Scene(x, y, c); }), 0);
    EXPECT_NE(GetPolyPostProcessSceneTexture(), GetSceneTexture());
}

TEST_F(PostProcessRender, PolygonPassDrawsOverTheOrdinaryPassBeforeTheFilter)
{
    PolyPassColour = ColourARGB(255, 10, 200, 30);
    Frame();
    const auto got = BackBuffer();
    const std::uint8_t expected[3] = {10, 200, 30};
    EXPECT_EQ(MaxDifference(got, [&](int, int, int c) { return expected[c]; }), 0);
    // The copy still shows the ordinary pass only.
    EXPECT_EQ(MaxDifference(PolyCopySeen, [&](int x, int y, int c) { return Scene(x, y, c); }), 0);
}

TEST_F(PostProcessRender, TintAndHighContrastFollowTheirFormulas)
{
    CurrentFilter = kTint;
    FilterValues().TintHue = 200.0f;
    Frame();
    // The update stepped the hue before the tint was applied.
    EXPECT_FLOAT_EQ(FilterValues().TintHue, 200.1f);
    const CVector4 tint = TintColourFromHSL(200.1f, 50.0f, 30.0f);
    const float tints[3] = {tint.x, tint.y, tint.z};
    auto got = BackBuffer();
    EXPECT_LE(MaxDifference(got, [&](int x, int y, int c) { return Byte(Scene(x, y, c) / 255.0f * tints[c] * 2.2f); }),
              1);

    // The shader scales each channel's distance from mid grey by one plus the
    // level: the start level 1 doubles the contrast.
    CurrentFilter = kHighContrast;
    for (const float level : {1.0f, 0.4f, -1.5f})
    {
        FilterValues().ContrastLevel = level;
        Frame();
        got = BackBuffer();
        EXPECT_LE(MaxDifference(got,
                                [&](int x, int y, int c) {
                                    return Byte((Scene(x, y, c) / 255.0f - 0.5f) * (1.0f + level) + 0.5f);
                                }),
                  1)
            << "level " << level;
    }
}

TEST_F(PostProcessRender, UnderWaterSwaysAndTurnsBlueGreen)
{
    CurrentFilter = kUnderWater;
    Frame();
    const auto got = BackBuffer();
    double sum[3] = {0, 0, 0};
    std::size_t moved = 0;
    for (std::size_t i = 0; i < got.size(); i += 4)
    {
        for (int c = 0; c < 3; ++c)
        {
            sum[c] += got[i + c];
        }
        moved += got[i + 1] != PatternPixels[i + 1];
    }
    EXPECT_LT(sum[0] * 2.0, sum[1]);
    EXPECT_LT(sum[0] * 2.0, sum[2]);
    EXPECT_GT(moved, got.size() / 8);
    // The filter's clamped addressing is undone for the scene's materials.
    EXPECT_EQ(Device->GetSamplerState(0, kSampAddressU), kAddressWrap);
    EXPECT_EQ(Device->GetSamplerState(0, kSampMagFilter), kFilterLinear);
    EXPECT_EQ(Device->GetRenderState(kRSAlphaBlendEnable), 0u);
}

TEST_F(PostProcessRender, AreaFilterCoversTheProjectedSquareOnly)
{
    const CVector3 centre(6.0f, -3.0f, 60.0f);
    SAreaRect rect;
    ASSERT_TRUE(AreaRectangle(Camera.GetPosition(), Camera.ViewMatrix, Camera.ProjMatrix, kWidth, kHeight, centre,
                              20.0f, 20.0f, -9.0f, rect));
    ASSERT_GT(rect.Left, 2.0f);
    ASSERT_LT(rect.Right, kWidth - 2.0f);
    ASSERT_GT(rect.Right - rect.Left, 20.0f);

    // The tint filter in the area shows exactly where the quad went and
    // which part of the scene texture it read.
    Frame();
    ASSERT_TRUE(Device->BeginScene());
    EXPECT_TRUE(AreaPostProcess(centre, 20.0f, 20.0f, -9.0f, kTint, Camera));
    Device->EndScene();
    const CVector4 tint = TintColourFromHSL(FilterValues().TintHue, 50.0f, 30.0f);
    const float tints[3] = {tint.x, tint.y, tint.z};
    const auto got = BackBuffer();
    auto inside = [&](int x, int y) {
        return x > rect.Left + 1 && x < rect.Right - 1 && y > rect.Top + 1 && y < rect.Bottom - 1;
    };
    auto outside = [&](int x, int y) {
        return x < rect.Left - 1 || x > rect.Right + 1 || y < rect.Top - 1 || y > rect.Bottom + 1;
    };
    int worstInside = 0, worstOutside = 0;
    for (int y = 0; y < static_cast<int>(kHeight); ++y)
    {
        for (int x = 0; x < static_cast<int>(kWidth); ++x)
        {
            for (int c = 0; c < 3; ++c)
            {
                const int g = got[(y * kWidth + x) * 4 + c];
                if (inside(x, y))
                {
                    worstInside = std::max(worstInside, std::abs(g - Byte(Scene(x, y, c) / 255.0f * tints[c] * 2.2f)));
                }
                else if (outside(x, y))
                {
                    worstOutside = std::max(worstOutside, std::abs(g - Scene(x, y, c)));
                }
            }
        }
    }
    EXPECT_LE(worstInside, 1);
    EXPECT_EQ(worstOutside, 0);
}

TEST_F(PostProcessRender, AreaFilterIsHiddenByNearerSceneryAndBehindTheCamera)
{
    Frame();
    // Depth 0 everywhere: everything is nearer than the pulled point.
    ASSERT_TRUE(Device->BeginScene());
    Device->Clear(kClearZBuffer, 0, 0.0f, 0);
    EXPECT_TRUE(AreaPostProcess(CVector3(0, 0, 60), 20.0f, 20.0f, -9.0f, kTint, Camera));
    // Behind the camera: nothing drawn, "Wall1"'s area still draws afterwards.
    EXPECT_FALSE(AreaPostProcess(CVector3(0, 0, -60), 20.0f, 20.0f, -9.0f, kTint, Camera));
    Device->EndScene();
    auto got = BackBuffer();
    EXPECT_EQ(MaxDifference(got, [&](int x, int y, int c) { return Scene(x, y, c); }), 0);

    // Heat haze: a soft-edged shimmer inside the area, nothing outside.
    ASSERT_TRUE(Device->BeginScene());
    Device->Clear(kClearZBuffer, 0, 1.0f, 0);
    FilterValues().HeatHazeWiggle = 1.0f;
    EXPECT_TRUE(AreaPostProcess(CVector3(0, 0, 60), 30.0f, 30.0f, 0.0f, kHeatHaze, Camera));
    Device->EndScene();
    got = BackBuffer();
    SAreaRect rect;
    ASSERT_TRUE(AreaRectangle(kZero, Camera.ViewMatrix, Camera.ProjMatrix, kWidth, kHeight, CVector3(0, 0, 60), 30.0f,
                              30.0f, 0.0f, rect));
    int changedInside = 0, changedOutside = 0;
    for (int y = 0; y < static_cast<int>(kHeight); ++y)
    {
        for (int x = 0; x < static_cast<int>(kWidth); ++x)
        {
            const bool changed = got[(y * kWidth + x) * 4] != Scene(x, y, 0);
            const bool in = x >= rect.Left - 1 && x <= rect.Right + 1 && y >= rect.Top - 1 && y <= rect.Bottom + 1;
            (in ? changedInside : changedOutside) += changed;
        }
    }
    EXPECT_GT(changedInside, 50);
    EXPECT_EQ(changedOutside, 0);
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
    ASSERT_EQ(ViewportHeight, 150u);
    EXPECT_EQ(CurrentFilter, kHighContrast);
    EXPECT_FLOAT_EQ(FilterValues().ContrastLevel, 1.25f);
    EXPECT_FLOAT_EQ(FilterValues().TintHue, hue);
    ASSERT_NE(GetSceneTexture(), nullptr);
    EXPECT_EQ(GetSceneTexture()->GetWidth(), 200u);
    EXPECT_EQ(GetSceneTexture()->GetHeight(), 150u);
    ASSERT_NE(GetPolyPostProcessSceneTexture(), nullptr);
    EXPECT_EQ(GetPolyPostProcessSceneTexture()->GetWidth(), 200u);

    // The frame still works at the new size.
    CurrentFilter = kNoFilter;
    Frame();
    std::vector<std::uint8_t> rgba;
    std::uint32_t w = 0, h = 0;
    ASSERT_TRUE(Device->ReadBackBuffer(rgba, w, h));
    EXPECT_EQ(w, 200u);
    EXPECT_EQ(h, 150u);
}

TEST_F(PostProcessRender, SetupFailsWithoutAnyFilterShaderOrImageAndReleasesCleanly)
{
    ReleasePostProcessing();
    EXPECT_EQ(Device->GetDefaultPoolCount(), FontOnlyPoolCount);
    ReleasePostProcessing(); // a second release releases nothing twice
    EXPECT_EQ(GetSceneTexture(), nullptr);

    namespace fs = std::filesystem;
    const fs::path root = fs::current_path();
    const fs::path work = fs::temp_directory_path() / ("tessavin-effects-" + std::to_string(::getpid()));
    fs::remove_all(work);
    fs::create_directories(work / "Source" / "Render");
    fs::create_directories(work / "Media");
    for (const char* file : {"PP_NoFilter.psh", "PP_Tint.psh", "PP_HighContrast.psh", "PP_UnderWater.psh",
                             "PP_Distort.psh", "PP_HeatHaze.psh"})
    {
        fs::copy_file(root / "Source" / "Render" / file, work / "Source" / "Render" / file);
    }
    for (const char* file : {"Noise.png", "Burn.png"})
    {
        fs::copy_file(root / "Media" / file, work / "Media" / file);
    }
    fs::current_path(work);

    // "PP_Spiral.psh" is missing although no key selects it.
    EXPECT_FALSE(SetupPostProcessing());
    ReleasePostProcessing();
    EXPECT_EQ(Device->GetDefaultPoolCount(), FontOnlyPoolCount);

    // All shaders, but "Distort.png" is missing.
    fs::copy_file(root / "Source" / "Render" / "PP_Spiral.psh", work / "Source" / "Render" / "PP_Spiral.psh");
    EXPECT_FALSE(SetupPostProcessing());
    ReleasePostProcessing();

    fs::copy_file(root / "Media" / "Distort.png", work / "Media" / "Distort.png");
    EXPECT_TRUE(SetupPostProcessing());
    // Setting up again replaces the resources instead of adding to them.
    const unsigned count = Device->GetDefaultPoolCount();
    EXPECT_GT(count, FontOnlyPoolCount);
    EXPECT_TRUE(SetupPostProcessing());
    EXPECT_EQ(Device->GetDefaultPoolCount(), count);

    fs::current_path(root);
    fs::remove_all(work);
}

void ClearToOrange(CCamera&, bool postProcessPass)
{
    if (!postProcessPass)
    {
        Device->Clear(kClearTarget, ColourARGB(255, 250, 120, 0), 1.0f, 0);
    }
}

TEST_F(PostProcessRender, WithoutItsResourcesTheFrameStillShowsTheScene)
{
    // As after a reset whose set-up failed: nothing to filter with.
    ReleasePostProcessing();
    SetSceneDrawFunction(&ClearToOrange);
    Frame();
    const auto got = BackBuffer();
    const std::uint8_t expected[3] = {250, 120, 0};
    EXPECT_EQ(MaxDifference(got, [&](int, int, int c) { return expected[c]; }), 0);
    ASSERT_TRUE(Device->BeginScene());
    EXPECT_FALSE(AreaPostProcess(CVector3(0, 0, 60), 20.0f, 20.0f, -9.0f, kHeatHaze, Camera));
    Device->EndScene();
}

} // namespace
