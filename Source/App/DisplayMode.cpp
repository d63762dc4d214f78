// Display-mode changes: a resize, or the F1 switch between windowed and full
// screen, both by a device reset around which the font and whatever the
// device's reset listeners own (the post-processing resources) are released
// and re-created.
#include "App/DisplayMode.h"

#include "Device/Device.h"

namespace gen
{

namespace
{

// Used when the display's size cannot be read.
constexpr std::int32_t kFallbackWidth = 1280;
constexpr std::int32_t kFallbackHeight = 1024;

// Full screen: the display's size; windowed: the client size last accepted.
SPresentParameters PresentParametersFor(bool fullScreen)
{
    SPresentParameters params;
    params.Windowed = !fullScreen;
    std::int32_t width = ClientRect.Right;
    std::int32_t height = ClientRect.Bottom;
    if (fullScreen && !GetPrimaryDisplaySize(width, height))
    {
        width = kFallbackWidth;
        height = kFallbackHeight;
    }
    params.BackBufferWidth = static_cast<std::uint32_t>(width);
    params.BackBufferHeight = static_cast<std::uint32_t>(height);
    return params;
}

bool ResetDevice(const SPresentParameters& params)
{
    ViewportWidth = params.BackBufferWidth;
    ViewportHeight = params.BackBufferHeight;
    return Device->Reset(params);
}

// A window that could not become full screen (no window manager to grant
// it) keeps its size: the back buffer follows the window, not the display.
bool FitBackBufferToWindow(const CWindow& window, SPresentParameters params)
{
    const SWindowRect client = window.GetClientRect();
    if (client.Width() <= 0 || client.Height() <= 0 ||
        (static_cast<std::uint32_t>(client.Width()) == params.BackBufferWidth &&
         static_cast<std::uint32_t>(client.Height()) == params.BackBufferHeight))
    {
        return true;
    }
    params.BackBufferWidth = static_cast<std::uint32_t>(client.Width());
    params.BackBufferHeight = static_cast<std::uint32_t>(client.Height());
    return ResetDevice(params);
}

} // namespace

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

    const SPresentParameters params = PresentParametersFor(FullScreen);
    NotifyDeviceLost();
    SafeRelease(Font);
    if (!ResetDevice(params) || (FullScreen && !FitBackBufferToWindow(window, params)))
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
    NotifyDeviceReset();
    return true;
}

} // namespace gen
