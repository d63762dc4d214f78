#include "App/Overlay.h"

#include "Device/Device.h"
#include "Common/Problems.h"

#include <sstream>

namespace gen
{

bool COverlayStats::AddFrame(float t)
{
    Accumulated += t;
    ++Frames;
    if (Accumulated >= kWindow)
    {
        Average = Accumulated / static_cast<float>(Frames);
        Frames = 0;
        Accumulated = 0.0f;
        return true;
    }
    return false;
}

void COverlayStats::Clear()
{
    Accumulated = 0.0f;
    Frames = 0;
    Average = -1.0f;
}

std::string ComposeFrameStatsText(float averageFrameTime)
{
    // Default stream formatting: six significant digits.
    std::ostringstream out;
    out << "Frame Time: " << averageFrameTime * 1000.0f << "ms\nFPS:" << 1.0f / averageFrameTime;
    return out.str();
}

std::string ComposeFilterText(const std::string& filterName)
{
    return "Full Screen Filter: " + filterName;
}

COverlayStats& OverlayStats()
{
    static COverlayStats stats;
    return stats;
}

void RenderOverlay(float t, const char* filterName)
{
    COverlayStats& stats = OverlayStats();
    stats.AddFrame(t);
    if (stats.GetAverage() >= 0.0f)
    {
        const std::string text = ComposeFrameStatsText(stats.GetAverage());
        DrawOverlayText(text, 2, 2, 0.0f, 0.0f, 0.0f, false);
        DrawOverlayText(text, 0, 0, 1.0f, 1.0f, 0.0f, false);
    }
    DrawOverlayText(ComposeFilterText(filterName), 0, 32, 1.0f, 1.0f, 1.0f, false);

    // A problem (a shader that does not compile, a mesh that cannot be read)
    // for whoever has no console; the shadow keeps it readable on every filter.
    const std::string problem = ProblemOverlayLine();
    if (!problem.empty())
    {
        DrawOverlayText(problem, 2, 50, 0.0f, 0.0f, 0.0f, false);
        DrawOverlayText(problem, 0, 48, 1.0f, 0.45f, 0.35f, false);
    }
}

} // namespace gen
