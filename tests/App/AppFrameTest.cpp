// The program's road with stand-ins for the scene and the post-processing:
// start-up order and failures, the loop's frame order, keys, display modes.
#include "App/AppFrame.h"
#include "App/DroppedFiles.h"
#include "Device/Device.h"
#include "Device/Input.h"
#include "Effects/PostProcess.h"
#include "Platform/CWindow.h"
#include "Scene/Scene.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
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

void SetSceneOverlayFunction(TOverlayDrawFunction) {}

bool OpenDroppedFile(const std::string& path)
{
    gCalls.push_back("OpenDroppedFile " + path);
    return true;
}

bool AddSceneMesh(const std::string& path)
{
    gCalls.push_back("AddSceneMesh " + path);
    return true;
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

// The program's options with the loop's frame as the tests steer it: a frame
// limit, input before chosen frames, a replaced time step.
struct STestOptions : SAppOptions, CFrame
{
    int MaxFrames = 0; // 0: until the window closes
    std::function<float(float measured)> FrameTime;
    std::function<void(int frame)> BeforeFrame;
    int FramesRun = 0;

    bool Continue() override
    {
        if (MaxFrames > 0 && FramesRun >= MaxFrames)
        {
            return false;
        }
        if (BeforeFrame)
        {
            BeforeFrame(FramesRun);
        }
        return true;
    }
    void Render(float t) override { SceneRender(FrameTime ? FrameTime(t) : t); }
    void Update(float t) override
    {
        SceneUpdate(FrameTime ? FrameTime(t) : t);
        ++FramesRun;
    }
};

int RunApplication(STestOptions& options)
{
    options.FramesRun = 0;
    options.Frame = &options;
    return RunApplication(static_cast<const SAppOptions&>(options));
}

// Runs the program expecting exit code status; skips the test when the
// program could not create its device.
#define RUN_OR_SKIP_WITH(options, status)                                                                              \
    {                                                                                                                  \
        const int exitCode = RunApplication(options);                                                                  \
        if (Count("SceneSetup") == 0)                                                                                  \
        {                                                                                                              \
            GTEST_SKIP() << "no OpenGL 3.3 device";                                                                    \
        }                                                                                                              \
        EXPECT_EQ(exitCode, status);                                                                                   \
    }
#define RUN_OR_SKIP(options) RUN_OR_SKIP_WITH(options, 0)

class AppFrame : public ::testing::Test
{
protected:
    void SetUp() override
    {
        gCalls.clear();
        gFrameTimes.clear();
        gSceneSetupResult = true;
        gFilterShader = "PP_NoFilter.psh";
        GlobalInput().Clear();
        Options.Headless = true;
        Options.FrameTime = [](float) { return 0.01f; };
    }

    static int Count(const std::string& name) { return static_cast<int>(std::count(gCalls.begin(), gCalls.end(), name)); }

    STestOptions Options;
};

TEST_F(AppFrame, WithoutADeviceShutdownStillRunsAndTheFailureIsExplained)
{
    // The dummy video driver has no OpenGL: the device cannot be created.
    SDL_SetHintWithPriority(SDL_HINT_VIDEODRIVER, "dummy", SDL_HINT_OVERRIDE);
    Options.Headless = false;
    testing::internal::CaptureStderr(); // no display: the message goes to standard error
    EXPECT_EQ(RunApplication(Options), 1);
    const std::string message = testing::internal::GetCapturedStderr();
    SDL_ResetHint(SDL_HINT_VIDEODRIVER);
    EXPECT_EQ(gCalls, (std::vector<std::string>{"ReleasePostProcessing", "SceneShutdown"}));
    EXPECT_EQ(Device, nullptr);
    EXPECT_NE(message.find("Start-up Error: Tessavin could not start: creating the graphics device failed."),
              std::string::npos)
        << message;
}

TEST_F(AppFrame, AFailedSetUpEndsStartUpBeforeAnyFrame)
{
    gFilterShader = "NoSuchShader.psh";
    RUN_OR_SKIP_WITH(Options, 1);
    EXPECT_EQ(gCalls, (std::vector<std::string>{"SceneSetup", "SetupPostProcessing", "ReleasePostProcessing",
                                                "SceneShutdown"}));
    EXPECT_NE(LastShaderLog().find("NoSuchShader.psh"), std::string::npos);
    EXPECT_EQ(Device, nullptr);
    EXPECT_EQ(Font, nullptr);

    // A failed scene set-up skips the post-processing set-up.
    gCalls.clear();
    gSceneSetupResult = false;
    EXPECT_EQ(RunApplication(Options), 1);
    EXPECT_EQ(gCalls, (std::vector<std::string>{"SceneSetup", "ReleasePostProcessing", "SceneShutdown"}));
}

// --mesh places its files once the scene is set up; a file dropped on the
// window reaches the drop handler between frames.
TEST_F(AppFrame, MeshesAfterSetUpAndDroppedFilesBetweenFrames)
{
    Options.MaxFrames = 3;
    Options.Meshes = {"/a/Zoë.x"};
    Options.BeforeFrame = [](int frame) {
        if (frame == 1)
        {
            SDL_Event drop{};
            drop.type = SDL_DROPFILE;
            drop.drop.file = SDL_strdup("/b/Sepia.psh");
            SDL_PushEvent(&drop);
        }
    };
    RUN_OR_SKIP(Options);
    const auto at = [](const std::string& name) { return std::find(gCalls.begin(), gCalls.end(), name) - gCalls.begin(); };
    EXPECT_LT(at("SetupPostProcessing"), at("AddSceneMesh /a/Zoë.x"));
    EXPECT_LT(at("AddSceneMesh /a/Zoë.x"), at("SceneRender"));
    const auto dropped = at("OpenDroppedFile /b/Sepia.psh");
    ASSERT_LT(dropped, static_cast<std::ptrdiff_t>(gCalls.size()));
    // Pushed as frame 1 began: handled before frame 2, the loop taking events before frames.
    EXPECT_EQ(std::count(gCalls.begin(), gCalls.begin() + dropped, "SceneUpdate"), 2);
}

TEST_F(AppFrame, EachFrameRendersThenUpdatesAndEscapeEndsAfterItsFrame)
{
    Options.MaxFrames = 50;
    Options.BeforeFrame = [](int frame) {
        if (frame == 2)
        {
            KeyDownEvent(kKeyEscape);
        }
    };
    RUN_OR_SKIP(Options);
    EXPECT_EQ(gCalls, (std::vector<std::string>{"SceneSetup", "SetupPostProcessing", "SceneRender", "SceneUpdate",
                                                "SceneRender", "SceneUpdate", "SceneRender", "SceneUpdate",
                                                "ReleasePostProcessing", "SceneShutdown"}));
    EXPECT_EQ(gFrameTimes, (std::vector<float>{0.01f, 0.01f, 0.01f}));
}

TEST_F(AppFrame, HeldF1TogglesFullScreenOnceAndTheNextPressReturns)
{
    Options.MaxFrames = 8;
    std::vector<bool> fullScreen;
    std::vector<std::uint32_t> widths;
    Options.BeforeFrame = [&](int frame) {
        if (frame > 0)
        {
            fullScreen.push_back(FullScreen);
            widths.push_back(ViewportWidth);
        }
        if (frame == 3)
        {
            KeyUpEvent(kKeyF1);
        }
        else if (frame <= 2 || frame == 5) // frames 1 and 2 repeat while held
        {
            KeyDownEvent(kKeyF1);
        }
    };
    RUN_OR_SKIP(Options);
    EXPECT_EQ(fullScreen, (std::vector<bool>{true, true, true, true, true, false, false}));
    ASSERT_EQ(widths.size(), 7u);
    EXPECT_EQ(widths[6], 800u); // the windowed client size saved when full screen began
}

} // namespace
} // namespace gen
