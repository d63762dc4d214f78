// The filters on a device, read back: a random pattern stands in for the
// scene, and each filter's image is compared with what it should make of it.
#include "App/AppFrame.h"
#include "App/DisplayMode.h"
#include "Device/Device.h"
#include "Effects/PostProcess.h"
#include "Camera/CCamera.h"
#include "Scene/Scene.h"
#include "Support/Drawing.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <functional>
#include <random>
#include <unistd.h>

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
std::vector<std::uint8_t> PatternPixels, PolyCopySeen;
int OrdinaryPasses = 0, PolyPasses = 0;
std::uint32_t OrdinaryColour = 0; // non-zero: the ordinary pass clears to it instead of drawing the pattern
std::uint32_t PolyPassColour = 0; // non-zero: the polygon pass clears to it

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

using TExpected = std::function<int(int x, int y, int c)>;
using TRegion = std::function<bool(int x, int y)>;

int Scene(int x, int y, int c)
{
    return PatternPixels[(y * kWidth + x) * 4 + c];
}

int Byte(float c)
{
    return static_cast<int>(std::lround(std::clamp(c, 0.0f, 1.0f) * 255.0f));
}

TExpected Tinted()
{
    const CVector4 tint = TintColourFromHSL(FilterValues().TintHue, 50.0f, 30.0f);
    const float tints[3] = {tint.x, tint.y, tint.z};
    return [=](int x, int y, int c) { return Byte(Scene(x, y, c) / 255.0f * tints[c] * 2.2f); };
}

TExpected Solid(int r, int g, int b)
{
    return [=](int, int, int c) { return c == 0 ? r : c == 1 ? g : b; };
}

// Largest difference of a colour channel from the expected one in a region.
int MaxDifference(const std::vector<std::uint8_t>& got, const TExpected& expected,
                  const TRegion& region = [](int, int) { return true; })
{
    int worst = 0;
    for (int i = 0; i < kWidth * kHeight * 4; ++i)
    {
        const int x = i / 4 % kWidth, y = i / 4 / kWidth;
        if (i % 4 != 3 && region(x, y))
        {
            worst = std::max(worst, std::abs(got[i] - expected(x, y, i % 4)));
        }
    }
    return worst;
}

class PostProcessRender : public CDrawingTest
{
public:
    PostProcessRender() : CDrawingTest(kWidth, kHeight) {}

    void SetUp() override
    {
        CDrawingTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
        {
            return;
        }
        FontOnlyPoolCount = Device->GetDefaultPoolCount();
        ASSERT_TRUE(SetupPostProcessing()) << LastShaderLog();
        AddDeviceResetListener({&ReleasePostProcessing, &SetupPostProcessing});
        std::mt19937 random(7);
        PatternPixels.resize(kWidth * kHeight * 4);
        for (std::size_t i = 0; i < PatternPixels.size(); ++i)
        {
            PatternPixels[i] = i % 4 == 3 ? 255 : static_cast<std::uint8_t>(random());
        }
        Pattern = Device->CreateTextureFromPixels(kWidth, kHeight, PatternPixels.data(), false);
        SetSceneDrawFunction(&DrawStandInScene);
        CurrentFilter = kNoFilter;
        FilterValues() = SFilterValues();
        OrdinaryPasses = PolyPasses = 0;
        OrdinaryColour = PolyPassColour = 0;
    }

    void TearDown() override
    {
        SetSceneDrawFunction(nullptr);
        SafeRelease(Pattern);
        ReleasePostProcessing();
        CDrawingTest::TearDown();
    }

    // One frame's post-processing over a grey back buffer, so that anything
    // not drawn shows, read back.
    const std::vector<std::uint8_t>& Frame()
    {
        EXPECT_TRUE(Device->BeginScene());
        Device->Clear(kClearTarget | kClearZBuffer | kClearStencil, ColourARGB(255, 128, 128, 128), 1.0f, 0);
        FullScreenPostProcess(0.02f, Camera);
        Device->EndScene();
        Read(true);
        return Pixels;
    }

    // The area filter over the last frame, read back.
    bool Area(const CVector3& centre, EPostProcess filter)
    {
        Device->BeginScene();
        const bool drew = AreaPostProcess(centre, 20.0f, 20.0f, -9.0f, filter, Camera);
        Device->EndScene();
        Read(true);
        return drew;
    }

    CCamera Camera{kZero, kZero, 1.0f, 1000.0f, 1.0471976f, 4.0f / 3.0f};
    unsigned FontOnlyPoolCount = 0;
};

TEST_F(PostProcessRender, NoFilterCopiesTheScenePixelForPixelAfterBothPasses)
{
    // A material may leave clockwise culling behind; the quads must not vanish.
    Device->SetRenderState(kRSCullMode, kCullCW);
    EXPECT_EQ(MaxDifference(Frame(), Scene), 0);
    EXPECT_EQ(Device->GetRenderState(kRSCullMode), kCullCW);
    EXPECT_EQ(GetSceneTexture()->GetWidth(), static_cast<std::uint32_t>(kWidth));
    // Both passes ran; the polygon pass had a copy of the ordinary pass to read.
    EXPECT_EQ(OrdinaryPasses, 1);
    EXPECT_EQ(PolyPasses, 1);
    ASSERT_EQ(PolyCopySeen.size(), PatternPixels.size());
    EXPECT_EQ(MaxDifference(PolyCopySeen, Scene), 0);

    // What the polygon pass draws reaches the screen; its copy keeps the ordinary pass.
    PolyPassColour = ColourARGB(255, 10, 200, 30);
    EXPECT_EQ(MaxDifference(Frame(), Solid(10, 200, 30)), 0);
    EXPECT_EQ(MaxDifference(PolyCopySeen, Scene), 0);
}

TEST_F(PostProcessRender, TintAndHighContrastFiltersColourEachPixel)
{
    CurrentFilter = kTint;
    FilterValues().TintHue = 200.0f;
    Frame();
    // The update steps the hue before the tint is applied.
    EXPECT_FLOAT_EQ(FilterValues().TintHue, 200.1f);
    EXPECT_LE(MaxDifference(Pixels, Tinted()), 1);

    // The shader scales each channel's distance from mid grey by one plus the
    // level: the start level 1 doubles the contrast, -1.5 inverts it.
    CurrentFilter = kHighContrast;
    for (const float level : {1.0f, 0.4f, -1.5f})
    {
        FilterValues().ContrastLevel = level;
        const TExpected contrast = [=](int x, int y, int c) {
            return Byte((Scene(x, y, c) / 255.0f - 0.5f) * (1.0f + level) + 0.5f);
        };
        EXPECT_LE(MaxDifference(Frame(), contrast), 1) << "level " << level;
    }

    // Under water is blue-green, and its clamped addressing is undone for the scene's materials.
    CurrentFilter = kUnderWater;
    Frame();
    double sum[4] = {0, 0, 0, 0};
    for (std::size_t i = 0; i < Pixels.size(); ++i)
    {
        sum[i % 4] += Pixels[i];
    }
    EXPECT_LT(sum[0] * 2.0, sum[1]);
    EXPECT_LT(sum[0] * 2.0, sum[2]);
    EXPECT_EQ(Device->GetSamplerState(0, kSampAddressU), kAddressWrap);
    EXPECT_EQ(Device->GetSamplerState(0, kSampMagFilter), kFilterLinear);
    EXPECT_EQ(Device->GetRenderState(kRSAlphaBlendEnable), 0u);
}

TEST_F(PostProcessRender, AreaFiltersCoverTheProjectedSquareUnlessHidden)
{
    const CVector3 centre(6.0f, -3.0f, 60.0f);
    SAreaRect r;
    ASSERT_TRUE(AreaRectangle(kZero, Camera.ViewMatrix, Camera.ProjMatrix, kWidth, kHeight, centre, 20, 20, -9, r));
    ASSERT_TRUE(r.Left > 2.0f && r.Right < kWidth - 2.0f && r.Right - r.Left > 20.0f);
    const TRegion inside = [&](int x, int y) {
        return x > r.Left + 1 && x < r.Right - 1 && y > r.Top + 1 && y < r.Bottom - 1;
    };
    const TRegion outside = [&](int x, int y) {
        return x < r.Left - 1 || x > r.Right + 1 || y < r.Top - 1 || y > r.Bottom + 1;
    };
    // The tint in the area shows where the quad went and which part of the
    // scene texture it read; heat haze shimmers inside, nothing outside.
    Frame();
    EXPECT_TRUE(Area(centre, kTint));
    EXPECT_LE(MaxDifference(Pixels, Tinted(), inside), 1);
    EXPECT_EQ(MaxDifference(Pixels, Scene, outside), 0);
    Frame();
    FilterValues().HeatHazeWiggle = 1.0f;
    EXPECT_TRUE(Area(centre, kHeatHaze));
    EXPECT_GT(MaxDifference(Pixels, Scene, inside), 20);
    EXPECT_EQ(MaxDifference(Pixels, Scene, outside), 0);

    // Depth 0 everywhere: all the scenery is nearer than the pulled point.
    Frame();
    Device->Clear(kClearZBuffer, 0, 0.0f, 0);
    EXPECT_TRUE(Area(centre, kTint));
    EXPECT_EQ(MaxDifference(Pixels, Scene), 0);
    // Behind the camera nothing is drawn.
    Device->Clear(kClearZBuffer, 0, 1.0f, 0);
    EXPECT_FALSE(Area(CVector3(0, 0, -60), kTint));
    EXPECT_EQ(MaxDifference(Pixels, Scene), 0);
}

TEST_F(PostProcessRender, OnlyANewClientSizeResetsAndTheFilterFollowsIt)
{
    CurrentFilter = kHighContrast;
    Frame();
    // The same size resets nothing: a reset would be refused while we hold a render target.
    CTexture* held = GetSceneTexture();
    held->AddRef();
    EXPECT_TRUE(ChangeDisplayMode(Window, false));
    held->Release();
    Window.SetClientSize(200, 150);
    ASSERT_TRUE(ChangeDisplayMode(Window, false));
    EXPECT_EQ(ViewportWidth, 200u);
    EXPECT_EQ(Device->GetBackBufferHeight(), 150u);
    EXPECT_EQ(CurrentFilter, kHighContrast);
    for (CTexture* texture : {GetSceneTexture(), GetPolyPostProcessSceneTexture()})
    {
        ASSERT_NE(texture, nullptr);
        EXPECT_EQ(texture->GetWidth(), 200u);
        EXPECT_EQ(texture->GetHeight(), 150u);
    }
    OrdinaryColour = ColourARGB(255, 0, 0, 255);
    CurrentFilter = kNoFilter;
    Frame();
    ASSERT_EQ(Pixels.size(), 200u * 150u * 4u);
    EXPECT_EQ(Pixels[(149 * 200 + 199) * 4 + 2], 255); // the last pixel too
}

TEST_F(PostProcessRender, SetupFailsWithoutAnyFilterShaderOrImageAndTheFrameStillShowsTheScene)
{
    ReleasePostProcessing();
    ReleasePostProcessing(); // a second release releases nothing twice
    EXPECT_EQ(Device->GetDefaultPoolCount(), FontOnlyPoolCount);
    // As after a reset whose set-up failed: nothing to filter with.
    OrdinaryColour = ColourARGB(255, 250, 120, 0);
    EXPECT_EQ(MaxDifference(Frame(), Solid(250, 120, 0)), 0);
    EXPECT_FALSE(Area(CVector3(0, 0, 60), kHeatHaze));

    namespace fs = std::filesystem;
    const fs::path root = fs::current_path();
    const fs::path work = fs::temp_directory_path() / ("tessavin-effects-" + std::to_string(::getpid()));
    fs::remove_all(work);
    fs::create_directories(work / "Source" / "Render");
    fs::create_directories(work / "Media");
    for (const char* file : {"Source/Render/PP_NoFilter.psh", "Source/Render/PP_Tint.psh",
                             "Source/Render/PP_HighContrast.psh", "Source/Render/PP_UnderWater.psh",
                             "Source/Render/PP_Distort.psh", "Source/Render/PP_HeatHaze.psh", "Media/Noise.png",
                             "Media/Burn.png"})
    {
        fs::copy_file(root / file, work / file);
    }
    fs::current_path(work);
    // "PP_Spiral.psh" is missing although no key selects it.
    EXPECT_FALSE(SetupPostProcessing());
    ReleasePostProcessing();
    EXPECT_EQ(Device->GetDefaultPoolCount(), FontOnlyPoolCount);
    fs::copy_file(root / "Source/Render/PP_Spiral.psh", work / "Source/Render/PP_Spiral.psh");
    EXPECT_FALSE(SetupPostProcessing()); // "Distort.png" is missing
    fs::copy_file(root / "Media/Distort.png", work / "Media/Distort.png");
    EXPECT_TRUE(SetupPostProcessing());
    // Setting up again replaces the resources instead of adding to them.
    const unsigned count = Device->GetDefaultPoolCount();
    EXPECT_TRUE(SetupPostProcessing());
    EXPECT_EQ(Device->GetDefaultPoolCount(), count);
    fs::current_path(root);
    fs::remove_all(work);
}

} // namespace
