#pragma once
// A capture run, as tessavin-capture makes it.

#include "CaptureOptions.h"

namespace gen
{

// Runs the program for options.Frames frames and writes the shots and
// stats.json into options.OutDir; 0 when every frame ran and every file
// was written, else 1 (with the reason on stderr).
int RunCapture(const SCaptureOptions& options);

} // namespace gen
