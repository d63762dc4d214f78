// tessavin-capture: runs the program's own loop for a fixed number of frames,
// feeding key events at chosen frames, and writes chosen frames as PNG
// files and the frame and pass times as stats.json. Used by tests,
// benchmarks and the README's screenshots; works under Xvfb or SDL's
// offscreen driver.

#include "CaptureOptions.h"
#include "CaptureRun.h"
#include "Platform/DataLocation.h"

#include <cstdio>

int main(int argc, char** argv)
{
    gen::SCaptureOptions options;
    std::string error;
    if (!gen::ParseCaptureOptions(argc, argv, options, error))
    {
        std::fprintf(stderr, "tessavin-capture: %s\nRun with --help for the options.\n", error.c_str());
        return 2;
    }
    if (!options.Answer.empty())
    {
        std::fputs(options.Answer.c_str(), stdout); // --help or --version
        return 0;
    }
    gen::LocateProgramData();
    return gen::RunCapture(options);
}
