#pragma once
// The status text drawn last in every frame: average frame time and frames
// per second over windows of at least a quarter second, and the name of the
// current full-screen filter.

#include <string>

namespace gen
{

// Frame-time averaging, separate from drawing so it can be checked alone.
class COverlayStats
{
public:
    static constexpr float kWindow = 0.25f; // seconds

    // Adds one frame of t seconds; returns true when a window completed.
    bool AddFrame(float t);
    // Seconds per frame over the last completed window; negative before the first.
    float GetAverage() const { return Average; }
    void Clear();

private:
    float Accumulated = 0.0f;
    int Frames = 0;
    float Average = -1.0f;
};

// "Frame Time: <ms>ms\nFPS:<fps>" with six significant digits.
std::string ComposeFrameStatsText(float averageFrameTime);
// "Full Screen Filter: " + the filter's name.
std::string ComposeFilterText(const std::string& filterName);

// Accumulates t and draws the overlay (stats in yellow with a black shadow
// at +2, +2, then the filter line in white at (0, 32)). The scene hands it
// the current filter's name.
void RenderOverlay(float t, const char* filterName);
// The program-wide statistics RenderOverlay uses.
COverlayStats& OverlayStats();

} // namespace gen
