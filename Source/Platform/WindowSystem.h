#pragma once
// Inside the platform layer: what the window is asked of the window system
// itself where SDL's own record can be wrong. On X11 without a window
// manager, a full-screen request counts as granted in SDL while the window
// keeps its size; the client size then comes from the X server.

struct SDL_Window;
union SDL_Event;

namespace gen
{

// Asks SDL to pass on the window-system events that SystemEventClientSize reads.
void ListenToWindowSystem();

// The client area's size from the window system; false where SDL's record
// is the one to use.
bool QuerySystemClientSize(SDL_Window* window, int& width, int& height);

// Whether event is the window system's report of the window's client size
// (whether or not it changed), and that size.
bool SystemEventClientSize(SDL_Window* window, const SDL_Event& event, int& width, int& height);

} // namespace gen
