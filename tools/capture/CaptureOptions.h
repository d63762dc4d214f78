#pragma once
// Command line of tessavin-capture, and the frame statistics it writes.

#include "App/PassTimer.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace gen
{

struct SKeyEvent
{
    int Frame = 0; // the event happens just before this frame runs
    int Code = 0;  // virtual-key code
    bool Down = true;
};

// The window's client area takes a new size just before this frame runs.
struct SResizeEvent
{
    int Frame = 0;
    std::int32_t Width = 0, Height = 0;
};

// Before this frame runs, file Source is copied over Destination (relative
// to the data folder): a scripted edit of a shader while the program runs.
struct SReplaceEvent
{
    int Frame = 0;
    std::string Destination;
    std::string Source;
};

// A filter's tunable constant given its values for the whole run.
struct STunableSetting
{
    std::string File; // the shader file's name, "PP_Tint.psh"
    std::string Name;
    std::vector<float> Values; // one to four
};

// Before this frame runs, the file at Path is handled as one dropped on the
// window (App/DroppedFiles.h).
struct SDropEvent
{
    int Frame = 0;
    std::string Path;
};

struct SCaptureOptions
{
    int Frames = 0;
    std::string OutDir;
    std::int32_t Width = 0, Height = 0; // client size; 0: the program's default
    std::vector<SKeyEvent> KeyEvents;  // sorted by frame
    float FixedDt = -1.0f;             // negative: measured frame times
    std::vector<int> Shots;            // frames to save (default: the last)
    std::vector<SResizeEvent> Resizes; // sorted by frame
    bool Floor = false;                // draw only clear + one textured quad + present
    bool NoAreaFilters = false;        // frames without the two heat-haze areas
    bool Inspector = false;            // the inspector panel shown from the first frame
    std::vector<std::string> Sections; // the panel's sections opened at its first draw
    std::vector<STunableSetting> Sets; // in the order given
    std::vector<SReplaceEvent> Replaces; // sorted by frame
    std::vector<SDropEvent> Drops;     // sorted by frame
    std::vector<std::string> Meshes;   // .x files placed in front of the camera after set-up
    std::string Link;                  // a shared link opened before the first frame ("": none)
    std::string Answer;                // --help or --version text: print it and run nothing
};

// Parses argv (CLI11); on failure returns false with a message in error.
// --help and --version succeed with their text in options.Answer.
//   --frames N --out DIR [--size WxH] [--press FRAME:VK ...]
//   [--hold FROM-TO:VK ...] [--fixed-dt SECONDS] [--shots A,B,...]
//   [--resize FRAME:WxH ...] [--replace FRAME:DEST:SRC ...] [--floor]
//   [--no-area-filters] [--inspector] [--open SECTION ...] [--set FILE:NAME=V[,V...] ...]
//   [--link URL] [--mesh FILE ...] [--drop FRAME:FILE ...]
// Frames count from 0. A press holds the key for one frame (down before
// FRAME, up before FRAME+1); a hold keeps it down from FROM to TO inclusive.
// --floor replaces the scene's render and update by a reference frame of the
// same size (clear, one full-screen textured quad, present) for benchmarks;
// --no-area-filters leaves the heat-haze areas out of the scene's frames.
bool ParseCaptureOptions(int argc, const char* const* argv, SCaptureOptions& options, std::string& error);

struct SFrameStats
{
    double Mean = 0, Median = 0, P95 = 0; // milliseconds
};

// Mean, median and 95th percentile (nearest rank) of seconds, in ms.
SFrameStats ComputeFrameStats(std::vector<double> seconds);

// What a long run watches besides frame times.
struct SRunHealth
{
    std::vector<std::pair<int, long>> RssKb; // (frame, resident set in KiB) samples
    int GlErrors = 0;                        // error codes read from glGetError at frame ends
    int FirstGlErrorFrame = -1;
    unsigned FirstGlError = 0;
    std::string Renderer; // the GL renderer string ("" if unknown)
};

// Device time of each frame pass, and where the area filters were drawn.
// Frame counts and statistics; with health also "gl_errors", the renderer
// when known and, when sampled, the resident memory at the first and last
// sample, its maximum and every sample. With passes also "passes" (the
// median milliseconds of each pass, a frame without it counting 0), "areas"
// and "pass_frames" (each pass's milliseconds per frame, null where it did
// not run). With sets also "set": each FILE:NAME given and its values.
std::string StatsJson(int frames, const SFrameStats& wall, const SFrameStats& cpu,
                      const SRunHealth& health = SRunHealth(), const SPassReport& passes = SPassReport(),
                      const std::vector<STunableSetting>& sets = {});

} // namespace gen
