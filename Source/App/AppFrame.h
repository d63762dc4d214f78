#pragma once
// The program's road from start to exit: window, device, scene and
// post-processing set-up, the non-blocking loop (events first, else one
// frame: lap time, render, update, F1, Escape), and the fixed shutdown order.
// The tessavin executable runs it as is; the capture tool adds hooks.

#include <cstdint>
#include <functional>

namespace gen
{

class CWindow;

struct SAppOptions
{
    // Client size to ask for instead of the default window (0: default).
    std::int32_t ClientWidth = 0;
    std::int32_t ClientHeight = 0;
    // Messages to standard error and SDL's offscreen driver as a fallback
    // when the default video driver cannot start.
    bool Headless = false;
    // Stop after this many frames (0: run until the window is closed).
    int MaxFrames = 0;
    // Replaces the measured lap time given to the frame (e.g. a fixed step).
    std::function<float(float measured)> FrameTime;
    // Called before frame n (0-based) runs, e.g. to inject key events.
    std::function<void(int frame)> BeforeFrame;
    // Runs instead of SceneRender and SceneUpdate when set, with the frame's
    // time (e.g. a benchmark's reference frame that draws only a quad).
    std::function<void(float t)> ReplaceFrame;
    // Called right after SceneRender of frame n, while its image is in the back buffer.
    std::function<void(int frame)> AfterRender;
    // Called after frame n with the seconds it took (render and update), wall and CPU.
    std::function<void(int frame, double wallSeconds, double cpuSeconds)> AfterFrame;
};

// Runs the program; returns its exit code (always 0, also after a failed
// start-up step, which skips to shutdown without showing the window).
int RunApplication(const SAppOptions& options);

// Resize (toggle false) or windowed/full-screen switch (toggle true): new
// presentation parameters, post-processing and font released, device reset,
// window put back when leaving full screen, fresh-device steps, font and
// post-processing re-created. False when the reset or the font failed.
bool ChangeDisplayMode(CWindow& window, bool toggle);

// The main window while RunApplication runs (null otherwise).
CWindow* MainWindow();

} // namespace gen
