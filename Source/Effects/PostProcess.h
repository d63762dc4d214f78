#pragma once
// Post-processing: the filters and the resources they need. The main loop
// sets them up after the scene and around every device reset; the scene
// chooses the current filter and the overlay shows its name.

#include <cstdint>

namespace gen
{

enum EPostProcess : std::int32_t
{
    kNoFilter = 0,
    kTint = 1,
    kHighContrast = 2,
    kUnderWater = 3,
    kDistort = 4,
    kSpiral = 5,
    kHeatHaze = 6,
};

constexpr int kNumPostProcesses = 7;

// The full-screen filter in use; kNoFilter at start.
extern EPostProcess CurrentFilter;

// Creates the post-processing resources (false on any failure, keeping what
// was created for the release). Called at start-up and after each reset.
bool SetupPostProcessing();
// Releases whatever set-up created; safe to call twice.
void ReleasePostProcessing();

} // namespace gen
