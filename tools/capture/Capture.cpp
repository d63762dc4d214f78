// tessavin-capture: runs the program's own loop for a fixed number of frames,
// feeding key events at chosen frames, and writes chosen frames as PNG
// files and the frame times as stats.json. Used by tests, benchmarks and
// the README's screenshots; works under Xvfb or SDL's offscreen driver.

#include "App/AppFrame.h"
#include "App/Device.h"
#include "App/Input.h"
#include "CaptureOptions.h"

#include <SDL.h>
#include <SDL_image.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <map>
#include <sys/stat.h>

namespace
{

struct SShot
{
    std::vector<std::uint8_t> Pixels;
    std::uint32_t Width = 0, Height = 0;
};

bool SavePng(const std::string& path, const SShot& shot)
{
    SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormatFrom(
        const_cast<std::uint8_t*>(shot.Pixels.data()), static_cast<int>(shot.Width), static_cast<int>(shot.Height), 32,
        static_cast<int>(shot.Width * 4), SDL_PIXELFORMAT_RGBA32);
    if (!surface)
    {
        return false;
    }
    const bool ok = IMG_SavePNG(surface, path.c_str()) == 0;
    SDL_FreeSurface(surface);
    return ok;
}

} // namespace

int main(int argc, char** argv)
{
    gen::SCaptureOptions options;
    std::string error;
    if (!gen::ParseCaptureOptions(argc, argv, options, error))
    {
        std::fprintf(stderr,
                     "tessavin-capture: %s\n"
                     "usage: tessavin-capture --frames N --out DIR [--size WxH] [--press FRAME:VK ...]\n"
                     "       [--hold FROM-TO:VK ...] [--fixed-dt SECONDS] [--shots A,B,...]\n",
                     error.c_str());
        return 2;
    }
    mkdir(options.OutDir.c_str(), 0755);

    std::map<int, SShot> shots;
    for (int frame : options.Shots)
    {
        shots[frame];
    }
    std::vector<double> wall, cpu;
    std::size_t nextEvent = 0;

    gen::SAppOptions app;
    app.ClientWidth = options.Width;
    app.ClientHeight = options.Height;
    app.Headless = true;
    app.MaxFrames = options.Frames;
    if (options.FixedDt >= 0.0f)
    {
        app.FrameTime = [&](float) { return options.FixedDt; };
    }
    app.BeforeFrame = [&](int frame) {
        while (nextEvent < options.KeyEvents.size() && options.KeyEvents[nextEvent].Frame <= frame)
        {
            const gen::SKeyEvent& e = options.KeyEvents[nextEvent++];
            if (e.Down)
            {
                gen::KeyDownEvent(e.Code);
            }
            else
            {
                gen::KeyUpEvent(e.Code);
            }
        }
    };
    app.AfterRender = [&](int frame) {
        auto found = shots.find(frame);
        if (found != shots.end() && gen::Device)
        {
            gen::Device->ReadBackBuffer(found->second.Pixels, found->second.Width, found->second.Height);
        }
    };
    app.AfterFrame = [&](int, double wallSeconds, double cpuSeconds) {
        wall.push_back(wallSeconds);
        cpu.push_back(cpuSeconds);
    };
    gen::RunApplication(app);

    int status = 0;
    const int frames = static_cast<int>(wall.size());
    if (frames < options.Frames)
    {
        std::fprintf(stderr, "tessavin-capture: the program ran %d of %d frames\n", frames, options.Frames);
        status = 1;
    }
    for (const auto& entry : shots)
    {
        if (entry.second.Pixels.empty())
        {
            continue;
        }
        char name[32];
        std::snprintf(name, sizeof name, "/frame-%04d.png", entry.first);
        if (!SavePng(options.OutDir + name, entry.second))
        {
            std::fprintf(stderr, "tessavin-capture: cannot write %s%s\n", options.OutDir.c_str(), name);
            status = 1;
        }
    }
    std::ofstream stats(options.OutDir + "/stats.json");
    stats << gen::StatsJson(frames, gen::ComputeFrameStats(wall), gen::ComputeFrameStats(cpu));
    if (!stats)
    {
        status = 1;
    }
    return status;
}
