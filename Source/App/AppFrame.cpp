#include "App/AppFrame.h"

#include "App/CTimer.h"
#include "App/Device.h"
#include "App/Input.h"
#include "Effects/PostProcess.h"
#include "Platform/CWindow.h"
#include "Platform/Process.h"
#include "Scene/Scene.h"

#include <chrono>

namespace gen
{

namespace
{

const char* const kCaption = "Tessavin: Post-Processing Demonstration";

CWindow* gMainWindow = nullptr;

CTimer& FrameTimer()
{
    static CTimer timer;
    return timer;
}

double WallSeconds()
{
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
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
    default:
        break;
    }
}

} // namespace

CWindow* MainWindow()
{
    return gMainWindow;
}

bool ChangeDisplayMode(CWindow& window, bool toggle)
{
    if (!FullScreen)
    {
        WindowRect = window.GetWindowRect();
        const SWindowRect r = window.GetClientRect();
        if (r.Left == r.Right || r.Top == r.Bottom)
        {
            return true; // minimised: leave everything alone
        }
        if (!toggle && r.Right == ClientRect.Right && r.Bottom == ClientRect.Bottom)
        {
            return true;
        }
        ClientRect = r;
    }
    if (toggle)
    {
        FullScreen = !FullScreen;
    }

    SPresentParameters params;
    params.Windowed = !FullScreen;
    if (FullScreen)
    {
        std::int32_t width = 1280;
        std::int32_t height = 1024;
        if (!GetPrimaryDisplaySize(width, height))
        {
            width = 1280;
            height = 1024;
        }
        params.BackBufferWidth = static_cast<std::uint32_t>(width);
        params.BackBufferHeight = static_cast<std::uint32_t>(height);
    }
    else
    {
        params.BackBufferWidth = static_cast<std::uint32_t>(ClientRect.Right);
        params.BackBufferHeight = static_cast<std::uint32_t>(ClientRect.Bottom);
    }
    ViewportWidth = params.BackBufferWidth;
    ViewportHeight = params.BackBufferHeight;

    ReleasePostProcessing();
    SafeRelease(Font);
    if (!Device->Reset(params))
    {
        return false;
    }
    if (!FullScreen)
    {
        window.SetWindowRect(WindowRect);
    }
    FreshDeviceSteps();
    if (!CreateOverlayFont())
    {
        return false;
    }
    SetupPostProcessing();
    return true;
}

int RunApplication(const SAppOptions& options)
{
    const bool videoStarted = InitVideo(options.Headless);
    InstallMessageBoxes(options.Headless || !videoStarted || IsHeadlessVideo());

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

        // A failed step skips straight to shutdown; the window stays hidden.
        if (D3DSetup(window) && SceneSetup() && SetupPostProcessing())
        {
            window.Show();
            FrameTimer().Reset();
            int frame = 0;
            for (;;)
            {
                SWindowEvent event;
                if (window.PollEvent(event))
                {
                    if (event.Type == kEventQuit)
                    {
                        break;
                    }
                    HandleEvent(window, event);
                    continue;
                }
                if (options.MaxFrames > 0 && frame >= options.MaxFrames)
                {
                    window.Destroy();
                    continue;
                }
                if (options.BeforeFrame)
                {
                    options.BeforeFrame(frame);
                }
                float t = FrameTimer().GetLapTime();
                if (options.FrameTime)
                {
                    t = options.FrameTime(t);
                }
                const double wall0 = WallSeconds();
                const double cpu0 = ProcessCpuSeconds();
                if (options.ReplaceFrame)
                {
                    options.ReplaceFrame(t);
                }
                else
                {
                    SceneRender(t);
                }
                double wall = WallSeconds() - wall0;
                double cpu = ProcessCpuSeconds() - cpu0;
                if (options.AfterRender)
                {
                    options.AfterRender(frame);
                }
                const double wall1 = WallSeconds();
                const double cpu1 = ProcessCpuSeconds();
                if (!options.ReplaceFrame)
                {
                    SceneUpdate(t);
                }
                wall += WallSeconds() - wall1;
                cpu += ProcessCpuSeconds() - cpu1;
                if (KeyHit(kKeyF1) && !ChangeDisplayMode(window, true))
                {
                    window.Destroy();
                }
                if (KeyHit(kKeyEscape))
                {
                    window.Destroy();
                }
                if (options.AfterFrame)
                {
                    options.AfterFrame(frame, wall, cpu);
                }
                ++frame;
            }
        }

        ReleasePostProcessing();
        SceneShutdown();
        D3DShutdown();
        gMainWindow = nullptr;
    }
    QuitVideo();
    return 0;
}

} // namespace gen
