// tessavin-capture: runs the program's own loop for a fixed number of frames,
// feeding key events at chosen frames, and writes chosen frames as PNG
// files and the frame and pass times as stats.json. Used by tests,
// benchmarks and the README's screenshots; works under Xvfb or SDL's
// offscreen driver.

#include "CaptureOptions.h"
#include "CaptureRun.h"

#include <cstdio>

int main(int argc, char** argv)
{
    gen::SCaptureOptions options;
    std::string error;
    if (!gen::ParseCaptureOptions(argc, argv, options, error))
    {
        std::fprintf(stderr,
                     "tessavin-capture: %s\n"
                     "usage: tessavin-capture --frames N --out DIR [--size WxH] [--press FRAME:VK ...]\n"
                     "       [--hold FROM-TO:VK ...] [--fixed-dt SECONDS] [--shots A,B,...]\n"
                     "       [--resize FRAME:WxH ...] [--floor] [--no-area-filters]\n",
                     error.c_str());
        return 2;
    }
    return gen::RunCapture(options);
}
