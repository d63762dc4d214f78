#pragma once
// A capture run, as tessavin-capture makes it.

#include "CaptureOptions.h"

namespace gen
{

// Runs the program for options.Frames frames and writes the shots and
// stats.json into options.OutDir; 0 when every frame ran and every file
// was written, else non-zero (with the reason on stderr). A failed start-up
// writes nothing.
int RunCapture(const SCaptureOptions& options);

} // namespace gen
