// The scene's frame on a device (OpenGL 3.3; under Xvfb without a display):
// the shipped level through the post-processing pass, the overlay on top of
// every filter, and a frame whose scene cannot begin.
#include "Scene/Scene.h"

#include "App/Device.h"
#include "App/Input.h"
#include "App/Overlay.h"
#include "Effects/PostProcess.h"
#include "Entities/CEntityManager.h"
#include "Scene/CCamera.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <vector>

namespace gen
{
namespace
{

class SceneRender : public ::testing::Test
{
protected:
    static constexpr std::uint32_t kWidth = 320;
    static constexpr std::uint32_t kHeight = 240;

    void SetUp() override
    {
        ASSERT_TRUE(InitVideo(true));
        ASSERT_TRUE(Window.Create("scene test", 0, 0, kWidth + 8, kHeight + 34));
        SPresentParameters params;
        params.BackBufferWidth = kWidth;
        params.BackBufferHeight = kHeight;
        Device = CDevice::Create(Window, params);
        if (!Device)
        {
            GTEST_SKIP() << "no OpenGL 3.3 device (run under xvfb-run)";
        }
        ViewportWidth = Device->GetBackBufferWidth();
        ViewportHeight = Device->GetBackBufferHeight();
        FreshDeviceSteps();
        ASSERT_TRUE(CreateOverlayFont());
        GlobalInput().Clear();
        OverlayStats().Clear();
        SetCurrentFilter(kNoFilter);
        ASSERT_TRUE(SceneSetup());
        ASSERT_TRUE(SetupPostProcessing());
    }

    void TearDown() override
    {
        ReleasePostProcessing();
        SceneShutdown();
        SetCurrentFilter(kNoFilter);
        SafeRelease(Font);
        SafeRelease(Device);
        ViewportWidth = ViewportHeight = 0;
        // Video stays up: unloading the GL driver hides its allocations
        // from the leak checker's suppressions.
        Window.Destroy();
    }

    void ReadBackBuffer()
    {
        std::uint32_t width = 0, height = 0;
        ASSERT_TRUE(Device->ReadBackBuffer(Pixels, width, height));
        ASSERT_EQ(width, kWidth);
        ASSERT_EQ(height, kHeight);
    }

    std::uint32_t At(std::uint32_t x, std::uint32_t y) const
    {
        const std::size_t i = (static_cast<std::size_t>(y) * kWidth + x) * 4;
        return (static_cast<std::uint32_t>(Pixels[i]) << 16) | (static_cast<std::uint32_t>(Pixels[i + 1]) << 8) |
               Pixels[i + 2];
    }

    // Distinct colours in a rectangle.
    std::set<std::uint32_t> Colours(std::uint32_t left, std::uint32_t top, std::uint32_t right,
                                    std::uint32_t bottom) const
    {
        std::set<std::uint32_t> colours;
        for (std::uint32_t y = top; y < bottom; ++y)
        {
            for (std::uint32_t x = left; x < right; ++x)
            {
                colours.insert(At(x, y));
            }
        }
        return colours;
    }

    CWindow Window;
    std::vector<std::uint8_t> Pixels;
};

TEST_F(SceneRender, DrawsTheLevelThroughThePostProcessingPass)
{
    ASSERT_NE(GetEntityManager().GetEntity("Cubey"), nullptr);
    Device->Clear(kClearTarget, ColourARGB(255, 255, 0, 255), 1.0f, 0);
    gen::SceneRender(0.02f);
    ReadBackBuffer();
    // The whole back buffer is covered (no magenta left) by a varied image.
    const std::set<std::uint32_t> colours = Colours(0, 0, kWidth, kHeight);
    EXPECT_EQ(colours.count(0xFF00FFu), 0u);
    EXPECT_GT(colours.size(), 200u);
    EXPECT_FLOAT_EQ(GetSceneCamera()->Aspect, 320.0f / 240.0f);

    // The next frame after an update shows the moved scene.
    const std::vector<std::uint8_t> first = Pixels;
    gen::SceneUpdate(0.5f);
    gen::SceneRender(0.02f);
    ReadBackBuffer();
    EXPECT_NE(Pixels, first);
}

TEST_F(SceneRender, TheOverlayIsDrawnOverTheFilter)
{
    SetCurrentFilter(kTint);
    // A frame long enough to complete the overlay's first averaging window,
    // so the yellow statistics are drawn too.
    gen::SceneRender(0.3f);
    ReadBackBuffer();
    // The tint never yields pure white or pure yellow; the overlay's text does.
    const std::set<std::uint32_t> statistics = Colours(0, 0, 120, 28);
    const std::set<std::uint32_t> filterLine = Colours(0, 32, 160, 48);
    EXPECT_EQ(statistics.count(0xFFFF00u), 1u);
    EXPECT_EQ(filterLine.count(0xFFFFFFu), 1u);
}

TEST_F(SceneRender, AFrameWhoseSceneCannotBeginDrawsNothing)
{
    Device->Clear(kClearTarget, ColourARGB(255, 255, 0, 255), 1.0f, 0);
    ASSERT_TRUE(Device->BeginScene());
    gen::SceneRender(0.02f); // its own BeginScene fails
    Device->EndScene();
    ReadBackBuffer();
    EXPECT_EQ(Colours(0, 0, kWidth, kHeight), (std::set<std::uint32_t>{0xFF00FFu}));
}

TEST_F(SceneRender, AMinimisedWindowKeepsTheLastAspect)
{
    gen::SceneRender(0.02f);
    ViewportHeight = 0; // what a minimised client area reports
    gen::SceneRender(0.02f);
    ViewportHeight = kHeight;
    EXPECT_FLOAT_EQ(GetSceneCamera()->Aspect, 320.0f / 240.0f);
}

TEST_F(SceneRender, ALevelWithoutTheNamedEntitiesStillRenders)
{
    CEntityManager& manager = GetEntityManager();
    for (const char* name : {"Cubey", "Wall1", "PostProcessBlock"})
    {
        while (CEntity* entity = manager.GetEntity(name))
        {
            manager.DestroyEntity(entity->GetUID());
        }
    }
    gen::SceneRender(0.02f);
    gen::SceneUpdate(0.02f);
    gen::SceneRender(0.02f);
    ReadBackBuffer();
    EXPECT_GT(Colours(0, 0, kWidth, kHeight).size(), 100u);
}

} // namespace
} // namespace gen
