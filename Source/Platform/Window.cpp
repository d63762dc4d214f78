// The window and its events over SDL2, and message boxes.

#include "Platform/CWindow.h"

#include "Common/Message.h"
#include "Platform/FramePacing.h"
#include "Platform/KeyMap.h"
#include "Platform/WindowIcon.h"
#include "Platform/WindowSystem.h"
#include "GlProfile.h"

#include <SDL.h>

#include <cstring>

namespace gen
{

namespace
{

bool gVideoStarted = false;

void SetGlAttributes()
{
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, kGlContextMajor);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, kGlContextMinor);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, kGlEs ? SDL_GL_CONTEXT_PROFILE_ES : SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    // The window only receives finished frames; depth lives with the device.
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 0);
}

} // namespace

bool InitVideo(bool allowOffscreen)
{
    if (gVideoStarted)
    {
        return true;
    }
    // The application's name for the desktop (window class, task lists).
    SDL_SetHint(SDL_HINT_APP_NAME, "Tessavin");
    SDL_setenv("SDL_VIDEO_X11_WMCLASS", "Tessavin", 0);
    PrepareProgramIcon();
    PrepareFramePacing();
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0)
    {
        if (!allowOffscreen)
        {
            return false;
        }
        SDL_setenv("SDL_VIDEODRIVER", "offscreen", 1);
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0)
        {
            return false;
        }
    }
    ListenToWindowSystem();
    gVideoStarted = true;
    return true;
}

void QuitVideo()
{
    if (gVideoStarted)
    {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        gVideoStarted = false;
    }
}

bool IsVideoInitialised()
{
    return gVideoStarted;
}

bool IsHeadlessVideo()
{
    const char* driver = gVideoStarted ? SDL_GetCurrentVideoDriver() : nullptr;
    return !driver || std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0;
}

CWindow::~CWindow()
{
    if (SdlWindow)
    {
        SDL_DestroyWindow(SdlWindow);
    }
}

bool CWindow::Create(const std::string& caption, std::int32_t x, std::int32_t y, std::int32_t outerWidth,
                     std::int32_t outerHeight)
{
    if (!gVideoStarted || SdlWindow)
    {
        return false;
    }
    SetGlAttributes();
    // Frame sizes are only known once the window exists: start with the
    // client size of a typical frame and correct it if the system reports one.
    const int clientWidth = outerWidth - 8;
    const int clientHeight = outerHeight - 34;
    SdlWindow = SDL_CreateWindow(caption.c_str(), x, y, clientWidth, clientHeight,
                               SDL_WINDOW_OPENGL | SDL_WINDOW_RESIZABLE | SDL_WINDOW_HIDDEN);
    if (!SdlWindow)
    {
        return false;
    }
    SetProgramIcon(SdlWindow);
    int top = 0, left = 0, bottom = 0, right = 0;
    if (SDL_GetWindowBordersSize(SdlWindow, &top, &left, &bottom, &right) == 0 && (top || left || bottom || right))
    {
        BorderTop = top;
        BorderLeft = left;
        BorderBottom = bottom;
        BorderRight = right;
        SDL_SetWindowSize(SdlWindow, outerWidth - left - right, outerHeight - top - bottom);
        SDL_SetWindowPosition(SdlWindow, x + left, y + top);
    }
    QuitPending = false;
    RefreshClientSize();
    return true;
}

void CWindow::Destroy()
{
    // The GL context lives until the device is released, so the SDL window
    // goes at destruction; until then it is hidden and counts as gone.
    if (SdlWindow && !QuitPending)
    {
        SDL_HideWindow(SdlWindow);
        QuitPending = true;
    }
}

void CWindow::Show()
{
    if (SdlWindow)
    {
        SDL_ShowWindow(SdlWindow);
    }
}

SWindowRect CWindow::GetWindowRect() const
{
    SWindowRect r;
    if (!SdlWindow)
    {
        return r;
    }
    int x = 0, y = 0;
    std::int32_t w = 0, h = 0;
    SDL_GetWindowPosition(SdlWindow, &x, &y);
    GetClientSize(w, h);
    r.Left = x - BorderLeft;
    r.Top = y - BorderTop;
    r.Right = x + w + BorderRight;
    r.Bottom = y + h + BorderBottom;
    return r;
}

SWindowRect CWindow::GetClientRect() const
{
    SWindowRect r;
    if (!SdlWindow || (SDL_GetWindowFlags(SdlWindow) & SDL_WINDOW_MINIMIZED))
    {
        return r;
    }
    GetClientSize(r.Right, r.Bottom);
    return r;
}

void CWindow::GetClientSize(std::int32_t& width, std::int32_t& height) const
{
    if (SystemSize)
    {
        width = SystemWidth;
        height = SystemHeight;
        return;
    }
    int w = 0, h = 0;
    SDL_GetWindowSize(SdlWindow, &w, &h);
    width = w;
    height = h;
}

void CWindow::RefreshClientSize()
{
    int w = 0, h = 0;
    SystemSize = QuerySystemClientSize(SdlWindow, w, h);
    SystemWidth = w;
    SystemHeight = h;
}

void CWindow::GetDrawableSize(std::int32_t& width, std::int32_t& height) const
{
    if (SystemSize)
    {
        GetClientSize(width, height);
        return;
    }
    int w = 0, h = 0;
    SDL_GL_GetDrawableSize(SdlWindow, &w, &h);
    width = w;
    height = h;
}

void CWindow::SetWindowRect(const SWindowRect& outer)
{
    if (!SdlWindow)
    {
        return;
    }
    SDL_SetWindowPosition(SdlWindow, outer.Left + BorderLeft, outer.Top + BorderTop);
    SDL_SetWindowSize(SdlWindow, outer.Width() - BorderLeft - BorderRight, outer.Height() - BorderTop - BorderBottom);
    RefreshClientSize();
}

void CWindow::SetClientSize(std::int32_t width, std::int32_t height)
{
    if (SdlWindow && width > 0 && height > 0)
    {
        SDL_SetWindowSize(SdlWindow, width, height);
        RefreshClientSize();
    }
}

bool CWindow::SetFullScreen(bool fullScreen)
{
    if (!SdlWindow)
    {
        return false;
    }
    SDL_Rect bounds;
    if (fullScreen && SDL_GetWindowDisplayIndex(SdlWindow) != 0 && SDL_GetDisplayBounds(0, &bounds) == 0)
    {
        // Desktop full screen takes the window's display: make that display 0.
        SDL_SetWindowPosition(SdlWindow, bounds.x, bounds.y);
    }
    const bool switched = SDL_SetWindowFullscreen(SdlWindow, fullScreen ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0) == 0;
    RefreshClientSize();
    return switched;
}

bool CWindow::PollEvent(SWindowEvent& event)
{
    event = SWindowEvent();
    if (QuitPending)
    {
        QuitPending = false;
        event.Type = kEventQuit;
        return true;
    }
    SDL_Event e;
    while (SDL_PollEvent(&e))
    {
        switch (e.type)
        {
        case SDL_QUIT:
            event.Type = kEventClose;
            return true;
        case SDL_WINDOWEVENT:
            switch (e.window.event)
            {
            case SDL_WINDOWEVENT_CLOSE:
                event.Type = kEventClose;
                return true;
            case SDL_WINDOWEVENT_SIZE_CHANGED:
            case SDL_WINDOWEVENT_MINIMIZED:
            case SDL_WINDOWEVENT_RESTORED:
            case SDL_WINDOWEVENT_MAXIMIZED:
                RefreshClientSize();
                event.Type = kEventSize;
                return true;
            default:
                break;
            }
            break;
        case SDL_SYSWMEVENT:
        {
            // A size SDL did not report, e.g. a window manager granting full
            // screen after SDL had already counted on it.
            int w = 0, h = 0;
            if (SystemSize && SystemEventClientSize(SdlWindow, e, w, h) && (w != SystemWidth || h != SystemHeight))
            {
                SystemWidth = w;
                SystemHeight = h;
                event.Type = kEventSize;
                return true;
            }
            break;
        }
        case SDL_KEYDOWN:
        case SDL_KEYUP:
            event.Code = VirtualKeyFromSdl(e.key.keysym.sym);
            if (KeyEventReachesTable(event.Code, e.key.keysym.mod, e.type == SDL_KEYDOWN))
            {
                event.Type = e.type == SDL_KEYDOWN ? kEventKeyDown : kEventKeyUp;
                return true;
            }
            break;
        case SDL_DROPFILE:
            if (e.drop.file)
            {
                event.Type = kEventDrop;
                event.Path = e.drop.file;
                SDL_free(e.drop.file);
                return true;
            }
            break;
        case SDL_MOUSEMOTION:
            event.Type = kEventMouseMove;
            event.X = static_cast<float>(e.motion.x);
            event.Y = static_cast<float>(e.motion.y);
            return true;
        case SDL_MOUSEWHEEL:
        {
            const float direction = e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -1.0f : 1.0f;
            event.Type = kEventMouseWheel;
            event.X = direction * static_cast<float>(e.wheel.x);
            event.Y = direction * static_cast<float>(e.wheel.y);
            return true;
        }
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP:
            event.Code = VirtualKeyFromSdlMouseButton(e.button.button);
            if (event.Code != 0)
            {
                event.Type = e.type == SDL_MOUSEBUTTONDOWN ? kEventMouseDown : kEventMouseUp;
                return true;
            }
            break;
        default:
            break;
        }
    }
    return false;
}

bool GetPrimaryDisplaySize(std::int32_t& width, std::int32_t& height)
{
    SDL_Rect bounds;
    if (!gVideoStarted || SDL_GetDisplayBounds(0, &bounds) != 0 || bounds.w <= 0 || bounds.h <= 0)
    {
        return false;
    }
    width = bounds.w;
    height = bounds.h;
    return true;
}

void InstallMessageBoxes(bool headless)
{
    if (headless)
    {
        SetMessageHandler(&WriteMessageToStderr);
        return;
    }
    SetMessageHandler([](const std::string& text, const std::string& caption) {
        if (!ShowMessageBox(text, caption))
        {
            WriteMessageToStderr(text, caption);
        }
    });
}

bool ShowMessageBox(const std::string& text, const std::string& caption)
{
    return SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_WARNING, caption.c_str(), text.c_str(), nullptr) == 0;
}

} // namespace gen
