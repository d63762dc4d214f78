#pragma once
// Command line of tessavin-capture, and the frame statistics it writes.

#include <cstdint>
#include <string>
#include <vector>

namespace gen
{

struct SKeyEvent
{
    int Frame = 0; // the event happens just before this frame runs
    int Code = 0;  // virtual-key code
    bool Down = true;
};

struct SCaptureOptions
{
    int Frames = 0;
    std::string OutDir;
    std::int32_t Width = 0, Height = 0; // client size; 0: the program's default
    std::vector<SKeyEvent> KeyEvents;  // sorted by frame
    float FixedDt = -1.0f;             // negative: measured frame times
    std::vector<int> Shots;            // frames to save (default: the last)
};

// Parses argv; on failure returns false with a message in error.
//   --frames N --out DIR [--size WxH] [--press FRAME:VK ...]
//   [--hold FROM-TO:VK ...] [--fixed-dt SECONDS] [--shots A,B,...]
// Frames count from 0. A press holds the key for one frame (down before
// FRAME, up before FRAME+1); a hold keeps it down from FROM to TO inclusive.
bool ParseCaptureOptions(int argc, const char* const* argv, SCaptureOptions& options, std::string& error);

struct SFrameStats
{
    double Mean = 0, Median = 0, P95 = 0; // milliseconds
};

// Mean, median and 95th percentile (nearest rank) of seconds, in ms.
SFrameStats ComputeFrameStats(std::vector<double> seconds);

std::string StatsJson(int frames, const SFrameStats& wall, const SFrameStats& cpu);

} // namespace gen
