#pragma once
// The program's road from start to exit: window, device, scene and
// post-processing set-up, the non-blocking loop (events first, else one
// frame: lap time, render, update, F1, Escape), and the fixed shutdown order.
// The tessavin executable runs it as is; the capture tool and tests run the
// same loop with their own CFrame.

#include <cstdint>
#include <string>
#include <vector>

namespace gen
{

class CWindow;
struct SWindowEvent;

// One frame's work between the lap time and the loop's own keys. The
// program's frame renders and updates the scene; a tool derives from it to
// feed input, fix the time step, replace the drawing or time and read back
// frames.
class CFrame
{
public:
    virtual ~CFrame() = default;
    // Asked before each frame; false ends the run as closing the window does.
    virtual bool Continue() { return true; }
    // The frame's two steps with its lap time in seconds; by default
    // SceneRender and SceneUpdate.
    virtual void Render(float t);
    virtual void Update(float t);
    // Sees each window event before the scene does; true keeps it from the
    // scene (a panel over the picture that has the mouse or the keyboard).
    virtual bool TakeEvent(const SWindowEvent& event);
    // The last drawing before presentation, inside the overlay pass; by
    // default the overlay.
    virtual void DrawOverlay(float t, const char* filterName);
    // Releases what the frame made on the device, before the device goes.
    virtual void ReleaseDevice() {}
};

struct SAppOptions
{
    // Client size to ask for instead of the default window (0: default).
    std::int32_t ClientWidth = 0;
    std::int32_t ClientHeight = 0;
    // Messages to standard error and SDL's offscreen driver as a fallback
    // when the default video driver cannot start.
    bool Headless = false;
    // The frame to run (null: the scene's).
    CFrame* Frame = nullptr;
    // .x files placed in front of the camera after set-up (--mesh).
    std::vector<std::string> Meshes;
};

// Runs the program; returns its exit code: 0, or 1 after a failed start-up
// step, which shows why and skips to shutdown without showing the window.
int RunApplication(const SAppOptions& options);

// The main window while RunApplication runs (null otherwise).
CWindow* MainWindow();

} // namespace gen
