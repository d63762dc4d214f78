// The X11 side of the window; elsewhere SDL's record stands.

#include "Platform/WindowSystem.h"

#include <SDL.h>
#include <SDL_syswm.h>

#if defined(SDL_VIDEO_DRIVER_X11) && defined(TESSAVIN_X11)
#define TESSAVIN_ASK_X11 1
#else
#define TESSAVIN_ASK_X11 0
#endif

namespace gen
{

namespace
{

#if TESSAVIN_ASK_X11
bool X11Window(SDL_Window* window, SDL_SysWMinfo& info)
{
    SDL_VERSION(&info.version);
    return window && SDL_GetWindowWMInfo(window, &info) && info.subsystem == SDL_SYSWM_X11;
}
#endif

} // namespace

void ListenToWindowSystem()
{
#if TESSAVIN_ASK_X11
    SDL_EventState(SDL_SYSWMEVENT, SDL_ENABLE);
#endif
}

bool QuerySystemClientSize([[maybe_unused]] SDL_Window* window, [[maybe_unused]] int& width,
                           [[maybe_unused]] int& height)
{
#if TESSAVIN_ASK_X11
    SDL_SysWMinfo info;
    ::Window root = 0;
    int x = 0, y = 0;
    unsigned w = 0, h = 0, border = 0, depth = 0;
    if (!X11Window(window, info) ||
        !XGetGeometry(info.info.x11.display, info.info.x11.window, &root, &x, &y, &w, &h, &border, &depth))
    {
        return false;
    }
    width = static_cast<int>(w);
    height = static_cast<int>(h);
    return true;
#else
    return false;
#endif
}

bool SystemEventClientSize([[maybe_unused]] SDL_Window* window, [[maybe_unused]] const SDL_Event& event,
                           [[maybe_unused]] int& width, [[maybe_unused]] int& height)
{
#if TESSAVIN_ASK_X11
    SDL_SysWMinfo info;
    if (event.type != SDL_SYSWMEVENT || !event.syswm.msg || event.syswm.msg->subsystem != SDL_SYSWM_X11 ||
        !X11Window(window, info))
    {
        return false;
    }
    const XEvent& x = event.syswm.msg->msg.x11.event;
    if (x.type != ConfigureNotify || x.xconfigure.window != info.info.x11.window)
    {
        return false;
    }
    width = x.xconfigure.width;
    height = x.xconfigure.height;
    return true;
#else
    return false;
#endif
}

} // namespace gen
