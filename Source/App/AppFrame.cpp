#include "App/AppFrame.h"

#include "App/CTimer.h"
#include "App/DisplayMode.h"
#include "App/DroppedFiles.h"
#include "App/Overlay.h"
#include "Device/Device.h"
#include "Device/Input.h"
#include "Device/ShaderLibrary.h"
#include "Common/Message.h"
#include "Common/StartFailure.h"
#include "Effects/PostProcess.h"
#include "Platform/CWindow.h"
#include "Scene/Scene.h"

namespace gen
{

namespace
{

const char* const kCaption = "Tessavin: Post-Processing Demonstration";

CWindow* gMainWindow = nullptr;
CFrame* gRunningFrame = nullptr;

void DrawRunningFrameOverlay(float t, const char* filterName)
{
    if (gRunningFrame)
    {
        gRunningFrame->DrawOverlay(t, filterName);
    }
}

CTimer& FrameTimer()
{
    static CTimer timer;
    return timer;
}

// The window procedure's part: events to the input state, resizes to the
// display mode, a close request destroys the window.
void HandleEvent(CWindow& window, const SWindowEvent& event)
{
    switch (event.Type)
    {
    case kEventKeyDown:
    case kEventMouseDown:
        KeyDownEvent(event.Code);
        break;
    case kEventKeyUp:
    case kEventMouseUp:
        KeyUpEvent(event.Code);
        break;
    case kEventMouseMove:
        GlobalInput().MouseMoveEvent(event.X, event.Y);
        break;
    case kEventSize:
        if (Device && !ChangeDisplayMode(window, false))
        {
            window.Destroy();
        }
        break;
    case kEventClose:
        window.Destroy();
        break;
    case kEventDrop:
        OpenDroppedFile(event.Path);
        break;
    default:
        break;
    }
}

// The two keys the loop handles itself, after the frame that saw them.
void HandleFrameKeys(CWindow& window)
{
    if (KeyHit(kKeyF1) && !ChangeDisplayMode(window, true))
    {
        window.Destroy();
    }
    if (KeyHit(kKeyEscape))
    {
        window.Destroy();
    }
}

// Until the window is gone: every waiting event is handled before the next
// frame runs; the first frame's time counts from here.
void RunLoop(CWindow& window, CFrame& frame)
{
    FrameTimer().Reset();
    for (;;)
    {
        SWindowEvent event;
        if (window.PollEvent(event))
        {
            if (event.Type == kEventQuit)
            {
                return;
            }
            if (!frame.TakeEvent(event))
            {
                HandleEvent(window, event);
            }
        }
        else if (!frame.Continue())
        {
            window.Destroy();
        }
        else
        {
            const float t = FrameTimer().GetLapTime();
            WatchShaderFiles(t);
            frame.Render(t);
            frame.Update(t);
            HandleFrameKeys(window);
        }
    }
}

} // namespace

void CFrame::Render(float t)
{
    SceneRender(t);
}

void CFrame::Update(float t)
{
    SceneUpdate(t);
}

bool CFrame::TakeEvent(const SWindowEvent&)
{
    return false;
}

void CFrame::DrawOverlay(float t, const char* filterName)
{
    RenderOverlay(t, filterName);
}

CWindow* MainWindow()
{
    return gMainWindow;
}

int RunApplication(const SAppOptions& options)
{
    const bool videoStarted = InitVideo(options.Headless);
    InstallMessageBoxes(options.Headless || !videoStarted || IsHeadlessVideo());
    bool started = false;

    {
        CWindow window;
        gMainWindow = &window;
        if (videoStarted)
        {
            window.Create(kCaption, 100, 100, 808, 634);
            if (options.ClientWidth > 0 && options.ClientHeight > 0)
            {
                window.SetClientSize(options.ClientWidth, options.ClientHeight);
            }
        }

        // A failed step skips straight to shutdown; the window stays hidden,
        // and the user is told which step failed on which file, and why.
        ResetStartFailure();
        CFrame sceneFrame;
        gRunningFrame = options.Frame ? options.Frame : &sceneFrame;
        SetSceneOverlayFunction(&DrawRunningFrameOverlay);
        started = D3DSetup(window) && SceneSetup() && SetupPostProcessing();
        if (started)
        {
            // The post-processing resources follow the device through resets.
            AddDeviceResetListener({&ReleasePostProcessing, &SetupPostProcessing});
        }
        for (std::size_t i = 0; started && i < options.Meshes.size(); ++i)
        {
            AddSceneMesh(options.Meshes[i]); // a mesh that does not load is a problem line, not a failed start
        }
        if (started)
        {
            window.Show();
            RunLoop(window, *gRunningFrame);
        }
        else
        {
            ShowMessage(StartFailureMessage(), kStartFailureCaption);
        }

        gRunningFrame->ReleaseDevice();
        ReleasePostProcessing();
        SceneShutdown();
        D3DShutdown();
        gMainWindow = nullptr;
        gRunningFrame = nullptr;
    }
    QuitVideo();
    return started ? 0 : 1;
}

} // namespace gen
