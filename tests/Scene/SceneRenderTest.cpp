// The scene's frame on a device: the shipped level through the
// post-processing pass with the overlay on top, and frames that cannot draw
// the whole scene.
#include "Scene/Scene.h"

#include "Device/Input.h"
#include "App/Overlay.h"
#include "Effects/PostProcess.h"
#include "Entities/CEntityManager.h"
#include "Camera/CCamera.h"
#include "Support/Drawing.h"

namespace gen
{
namespace
{

class SceneRender : public CDrawingTest
{
public:
    SceneRender() : CDrawingTest(320, 240) {}

    void SetUp() override
    {
        CDrawingTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
        {
            return;
        }
        GlobalInput().Clear();
        OverlayStats().Clear();
        SetSceneOverlayFunction(&RenderOverlay); // as the program does
        SetCurrentFilter(kNoFilter);
        ASSERT_TRUE(SceneSetup());
        ASSERT_TRUE(SetupPostProcessing());
        Device->Clear(kClearTarget, ColourARGB(255, 255, 0, 255), 1.0f, 0);
    }

    void TearDown() override
    {
        ReleasePostProcessing();
        SceneShutdown();
        SetSceneOverlayFunction(nullptr);
        SetCurrentFilter(kNoFilter);
        CDrawingTest::TearDown();
    }
};

TEST_F(SceneRender, AFrameShowsTheLevelThroughTheFilterWithTheOverlayOnTop)
{
    SetCurrentFilter(kTint);
    // A frame long enough to complete the overlay's first averaging window,
    // so the yellow statistics are drawn too.
    gen::SceneRender(0.3f);
    Read(true);
    EXPECT_FLOAT_EQ(GetSceneCamera()->Aspect, 320.0f / 240.0f);
    // The whole back buffer is covered (no magenta left) by a varied image.
    const std::set<std::uint32_t> colours = Colours(0, 0, Width, Height);
    EXPECT_EQ(colours.count(0xFF00FFu), 0u);
    EXPECT_GT(colours.size(), 200u);
    // The tint never yields pure yellow or white; the overlay's text does: the
    // two statistics lines at the top, the filter line at y = 32, each with a
    // black shadow.
    const SFound yellow = Find([](const SPixel& p) { return p == SPixel{255, 255, 0}; });
    const SFound white = Find([](const SPixel& p) { return p == SPixel{255, 255, 255}; });
    EXPECT_LE(yellow.Top, 4);
    EXPECT_LT(yellow.Bottom, 32);
    EXPECT_TRUE(white.Top >= 30 && white.Top <= 36) << white.Top;
    EXPECT_LT(white.Bottom, 48);
    EXPECT_GT(Find([](const SPixel& p) { return p == SPixel{0, 0, 0}; }).Count, 20);

    // The next frame after an update shows the moved scene.
    const std::vector<std::uint8_t> first = Pixels;
    gen::SceneUpdate(0.5f);
    gen::SceneRender(0.02f);
    Read(true);
    EXPECT_NE(Pixels, first);
}

TEST_F(SceneRender, FramesThatCannotDrawTheWholeSceneDoNoHarm)
{
    // A scene that cannot begin draws nothing.
    ASSERT_TRUE(Device->BeginScene());
    gen::SceneRender(0.02f);
    Device->EndScene();
    Read(true);
    EXPECT_EQ(Colours(0, 0, Width, Height), (std::set<std::uint32_t>{0xFF00FFu}));

    // A level without the named entities still renders.
    CEntityManager& manager = GetEntityManager();
    for (const char* name : {"Cubey", "Wall1", "PostProcessBlock"})
    {
        while (CEntity* entity = manager.GetEntity(name))
        {
            manager.DestroyEntity(entity->GetUID());
        }
    }
    gen::SceneUpdate(0.02f);
    gen::SceneRender(0.02f);
    Read(true);
    EXPECT_GT(Colours(0, 0, Width, Height).size(), 100u);

    // A minimised window keeps the last aspect.
    ViewportHeight = 0;
    gen::SceneRender(0.02f);
    ViewportHeight = Height;
    EXPECT_FLOAT_EQ(GetSceneCamera()->Aspect, 320.0f / 240.0f);
}

} // namespace
} // namespace gen
