// The program's road with stand-ins for the scene and the post-processing:
// start-up order and failures, the loop's frame order, keys, display modes.
#include "App/AppFrame.h"
#include "App/Device.h"
#include "App/Input.h"
#include "Effects/PostProcess.h"
#include "Platform/CWindow.h"
#include "Scene/Scene.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace gen
{

namespace
{
std::vector<std::string> gCalls;
bool gSceneSetupResult = true;
std::string gFilterShader = "PP_NoFilter.psh";
std::vector<float> gFrameTimes;
CPixelShader* gShader = nullptr;
CConstantTable* gTable = nullptr;
} // namespace

// Stand-ins, linked in place of the scene and post-processing libraries.
bool SceneSetup()
{
    gCalls.push_back("SceneSetup");
    return gSceneSetupResult;
}

void SceneRender(float t)
{
    gCalls.push_back("SceneRender");
    gFrameTimes.push_back(t);
    if (Device->BeginScene())
    {
        Device->Clear(kClearTarget | kClearZBuffer, ColourARGB(255, 20, 40, 60), 1.0f, 0);
        Device->EndScene();
    }
    Device->Present();
}

void SceneUpdate(float)
{
    gCalls.push_back("SceneUpdate");
}

void SceneShutdown()
{
    gCalls.push_back("SceneShutdown");
}

bool SetupPostProcessing()
{
    gCalls.push_back("SetupPostProcessing");
    return LoadPixelShader(gFilterShader, gShader, gTable);
}

void ReleasePostProcessing()
{
    gCalls.push_back("ReleasePostProcessing");
    SafeRelease(gTable);
    SafeRelease(gShader);
}

namespace
{

class AppFrameTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        gCalls.clear();
        gFrameTimes.clear();
        gSceneSetupResult = true;
        gFilterShader = "PP_NoFilter.psh";
        GlobalInput().Clear();
        options.Headless = true;
        options.FrameTime = [](float) { return 0.01f; };
    }

    int Count(const std::string& name) const
    {
        int n = 0;
        for (const std::string& c : gCalls)
        {
            n += c == name;
        }
        return n;
    }

    SAppOptions options;
};

TEST_F(AppFrameTest, WithoutADeviceShutdownStillRunsAndTheExitCodeIsZero)
{
    // The dummy video driver has no OpenGL: the device cannot be created.
    SDL_SetHintWithPriority(SDL_HINT_VIDEODRIVER, "dummy", SDL_HINT_OVERRIDE);
    options.Headless = false;
    EXPECT_EQ(RunApplication(options), 0);
    SDL_ResetHint(SDL_HINT_VIDEODRIVER);
    EXPECT_EQ(gCalls, (std::vector<std::string>{"ReleasePostProcessing", "SceneShutdown"}));
    EXPECT_EQ(Device, nullptr);
}

TEST_F(AppFrameTest, MissingShaderEndsStartUpBeforeAnyFrame)
{
    gFilterShader = "NoSuchShader.psh";
    EXPECT_EQ(RunApplication(options), 0);
    if (Count("SceneSetup") == 0)
    {
        GTEST_SKIP() << "no OpenGL 3.3 device";
    }
    EXPECT_EQ(gCalls, (std::vector<std::string>{"SceneSetup", "SetupPostProcessing", "ReleasePostProcessing",
                                                "SceneShutdown"}));
    EXPECT_NE(LastShaderLog().find("NoSuchShader.psh"), std::string::npos);
    EXPECT_EQ(Device, nullptr);
    EXPECT_EQ(Font, nullptr);
}

TEST_F(AppFrameTest, FailedSceneSetupSkipsPostProcessingSetup)
{
    gSceneSetupResult = false;
    EXPECT_EQ(RunApplication(options), 0);
    if (Count("SceneSetup") == 0)
    {
        GTEST_SKIP() << "no OpenGL 3.3 device";
    }
    EXPECT_EQ(gCalls, (std::vector<std::string>{"SceneSetup", "ReleasePostProcessing", "SceneShutdown"}));
}

TEST_F(AppFrameTest, EachFrameRendersThenUpdatesAndEscapeEndsAfterItsFrame)
{
    options.MaxFrames = 50;
    options.BeforeFrame = [](int frame) {
        if (frame == 2)
        {
            KeyDownEvent(kKeyEscape);
        }
    };
    EXPECT_EQ(RunApplication(options), 0);
    if (Count("SceneSetup") == 0)
    {
        GTEST_SKIP() << "no OpenGL 3.3 device";
    }
    const std::vector<std::string> expected = {"SceneSetup",  "SetupPostProcessing", "SceneRender",
                                               "SceneUpdate", "SceneRender",         "SceneUpdate",
                                               "SceneRender", "SceneUpdate",         "ReleasePostProcessing",
                                               "SceneShutdown"};
    EXPECT_EQ(gCalls, expected);
    EXPECT_EQ(gFrameTimes, (std::vector<float>{0.01f, 0.01f, 0.01f}));
}

TEST_F(AppFrameTest, MeasuredFrameTimesAreSmallAndPositive)
{
    options.FrameTime = nullptr;
    options.MaxFrames = 3;
    RunApplication(options);
    if (Count("SceneSetup") == 0)
    {
        GTEST_SKIP() << "no OpenGL 3.3 device";
    }
    ASSERT_EQ(gFrameTimes.size(), 3u);
    for (float t : gFrameTimes)
    {
        EXPECT_GE(t, 0.0f);
        EXPECT_LT(t, 5.0f);
    }
}

TEST_F(AppFrameTest, ResizeResetsTheDeviceOnlyWhenTheClientSizeChanges)
{
    options.MaxFrames = 2;
    std::vector<std::uint32_t> widths;
    int releasesBefore = 0, releasesAfterSame = 0, releasesAfterNew = 0;
    bool sameResult = false, newResult = false;
    options.BeforeFrame = [&](int frame) {
        if (frame != 1)
        {
            return;
        }
        CWindow& window = *MainWindow();
        releasesBefore = Count("ReleasePostProcessing");
        sameResult = ChangeDisplayMode(window, false);
        releasesAfterSame = Count("ReleasePostProcessing");
        widths.push_back(ViewportWidth);
        window.SetClientSize(320, 240);
        newResult = ChangeDisplayMode(window, false);
        releasesAfterNew = Count("ReleasePostProcessing");
        widths.push_back(ViewportWidth);
        widths.push_back(ViewportHeight);
        widths.push_back(Device->GetBackBufferWidth());
    };
    RunApplication(options);
    if (Count("SceneSetup") == 0)
    {
        GTEST_SKIP() << "no OpenGL 3.3 device";
    }
    EXPECT_TRUE(sameResult);
    EXPECT_TRUE(newResult);
    EXPECT_EQ(releasesAfterSame, releasesBefore);
    EXPECT_EQ(releasesAfterNew, releasesBefore + 1);
    EXPECT_EQ(widths, (std::vector<std::uint32_t>{800, 320, 240, 320}));
    // Post-processing was set up again after the reset.
    EXPECT_EQ(Count("SetupPostProcessing"), 2);
}

TEST_F(AppFrameTest, HeldF1TogglesFullScreenOnceAndTheNextPressReturns)
{
    options.MaxFrames = 8;
    std::vector<bool> fullScreen;
    std::vector<std::uint32_t> widths;
    options.BeforeFrame = [&](int frame) {
        if (frame > 0)
        {
            fullScreen.push_back(FullScreen);
            widths.push_back(ViewportWidth);
        }
        if (frame == 0)
        {
            KeyDownEvent(kKeyF1);
        }
        if (frame == 1 || frame == 2)
        {
            KeyDownEvent(kKeyF1); // auto-repeat while held
        }
        if (frame == 3)
        {
            KeyUpEvent(kKeyF1);
        }
        if (frame == 5)
        {
            KeyDownEvent(kKeyF1);
        }
    };
    RunApplication(options);
    if (Count("SceneSetup") == 0)
    {
        GTEST_SKIP() << "no OpenGL 3.3 device";
    }
    ASSERT_EQ(fullScreen.size(), 7u);
    EXPECT_EQ(fullScreen, (std::vector<bool>{true, true, true, true, true, false, false}));
    std::int32_t displayWidth = 1280, displayHeight = 1024;
    InitVideo(true);
    GetPrimaryDisplaySize(displayWidth, displayHeight);
    QuitVideo();
    EXPECT_EQ(widths[0], static_cast<std::uint32_t>(displayWidth));
    EXPECT_EQ(widths[6], 800u); // the windowed client size saved when full screen began
}

} // namespace
} // namespace gen
