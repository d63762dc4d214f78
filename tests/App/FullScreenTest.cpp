// F1 where the window cannot become full screen (an X server without a window
// manager, as under xvfb-run): the frame must still match the window, not
// the display, or only a corner of it shows.
#include "App/AppFrame.h"
#include "Device/Device.h"
#include "Device/Input.h"
#include "Platform/CWindow.h"

#include <gtest/gtest.h>
// After gtest: Xlib's macros (None, Bool, ...) would break its headers.
#include <SDL.h>
#include <SDL_syswm.h>

#include <cstdint>
#include <vector>

namespace gen
{
namespace
{

// The client size as the X server has it (SDL's own record is what misled
// the program); otherwise the platform's.
void WindowSystemClientSize(CWindow& window, int& width, int& height)
{
    width = window.GetClientRect().Width();
    height = window.GetClientRect().Height();
#if defined(SDL_VIDEO_DRIVER_X11) && defined(TESSAVIN_X11)
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    ::Window root = 0;
    int x = 0, y = 0;
    unsigned w = 0, h = 0, border = 0, depth = 0;
    if (SDL_GetWindowWMInfo(window.GetSdlWindow(), &info) && info.subsystem == SDL_SYSWM_X11 &&
        XGetGeometry(info.info.x11.display, info.info.x11.window, &root, &x, &y, &w, &h, &border, &depth))
    {
        width = static_cast<int>(w);
        height = static_cast<int>(h);
    }
#endif
}

// F1 before the first frame; the third frame is read back.
struct SFullScreenFrame : CFrame
{
    int Frames = 0;
    bool WasFullScreen = false;
    std::vector<std::uint8_t> Pixels;
    std::uint32_t Width = 0, Height = 0;
    int WindowWidth = 0, WindowHeight = 0;

    bool Continue() override
    {
        if (Frames == 0)
        {
            KeyDownEvent(kKeyF1);
        }
        return Frames < 3;
    }
    void Render(float t) override
    {
        CFrame::Render(t);
        if (Frames == 2)
        {
            WasFullScreen = FullScreen;
            Device->ReadBackBuffer(Pixels, Width, Height);
            WindowSystemClientSize(*MainWindow(), WindowWidth, WindowHeight);
        }
    }
    void Update(float t) override
    {
        CFrame::Update(t);
        ++Frames;
    }
};

TEST(FullScreen, TheFrameTakesTheWindowsRealSize)
{
    GlobalInput().Clear();
    SFullScreenFrame frame;
    SAppOptions options;
    options.Headless = true;
    options.Frame = &frame;
    RunApplication(options);
    if (frame.Frames == 0)
    {
        GTEST_SKIP() << "no OpenGL 3.3 device";
    }
    ASSERT_TRUE(frame.WasFullScreen);
    EXPECT_EQ(static_cast<int>(frame.Width), frame.WindowWidth);
    EXPECT_EQ(static_cast<int>(frame.Height), frame.WindowHeight);
    EXPECT_EQ(frame.Width, ViewportWidth);
    // The frame was drawn to its last pixel (the stand-in scene clears to 20, 40, 60).
    ASSERT_EQ(frame.Pixels.size(), std::size_t{frame.Width} * frame.Height * 4);
    EXPECT_EQ(frame.Pixels[frame.Pixels.size() - 4], 20);
    EXPECT_EQ(frame.Pixels[frame.Pixels.size() - 2], 60);
}

} // namespace
} // namespace gen
