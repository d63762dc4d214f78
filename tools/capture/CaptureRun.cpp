// One capture run: the program's own loop for a fixed number of frames, then
// the chosen frames as PNG files and the timings as stats.json in the output
// folder. The command-line tool and the browser page both run it.

#include "CaptureRun.h"

#include "App/AppFrame.h"
#include "App/Inspector.h"
#include "App/PassTimer.h"
#include "App/SharedLink.h"
#include "CaptureFrame.h"
#include "Common/DataFolder.h"
#include "Common/ReadFile.h"
#include "Effects/FramePass.h"
#include "Scene/Scene.h"

#include <SDL.h>
#include <SDL_image.h>

#include <cstdio>
#include <filesystem>
#include <system_error>

namespace gen
{

namespace
{

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

int RunCapture(const SCaptureOptions& options)
{
    std::string linkError;
    if (!options.Link.empty() && !OpenSharedLink(options.Link, linkError))
    {
        std::fprintf(stderr, "tessavin-capture: --link: %s\n", linkError.c_str());
        return 2;
    }
    std::error_code ignored; // a folder that cannot be made shows up as failed writes
    std::filesystem::create_directories(FilePath(options.OutDir), ignored);

    if (options.Inspector && !InspectorBuiltIn())
    {
        std::fprintf(stderr, "tessavin-capture: this build has no inspector; --inspector draws nothing\n");
    }
    CPassTimer passes;
    CInspector inspector(passes, false);
    inspector.SetShown(options.Inspector);
    for (const std::string& section : options.Sections)
    {
        inspector.OpenSection(section);
    }
    CCaptureFrame frame(options, &passes, &inspector);
    SAppOptions app;
    app.ClientWidth = options.Width;
    app.ClientHeight = options.Height;
    app.Headless = true;
    app.Frame = &frame;
    for (const std::string& mesh : options.Meshes)
    {
        app.Meshes.push_back(AbsolutePath(mesh));
    }
    ShowSceneAreaFilters(!options.NoAreaFilters);
    SetFramePassListener(&passes);
    const int appStatus = RunApplication(app);
    SetFramePassListener(nullptr);
    CloseSharedLink();
    if (appStatus != 0)
    {
        return appStatus; // the start-up failure message has said why
    }

    int status = 0;
    const int frames = frame.FramesRun();
    if (frames < options.Frames)
    {
        std::fprintf(stderr, "tessavin-capture: the program ran %d of %d frames\n", frames, options.Frames);
        status = 1;
    }
    for (const auto& entry : frame.Shots())
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
    const SRunHealth& health = frame.Health();
    const std::string stats = StatsJson(frames, ComputeFrameStats(frame.WallSeconds()),
                                        ComputeFrameStats(frame.CpuSeconds()), health, passes.Report(), options.Sets);
    if (!WriteWholeFile(options.OutDir + "/stats.json", stats))
    {
        std::fprintf(stderr, "tessavin-capture: cannot write %s/stats.json\n", options.OutDir.c_str());
        status = 1;
    }
    if (health.GlErrors > 0)
    {
        std::fprintf(stderr, "tessavin-capture: %d GL errors, the first (0x%04x) after frame %d\n", health.GlErrors,
                     health.FirstGlError, health.FirstGlErrorFrame);
        status = 1;
    }
    if (frame.FailedReplaces() > 0 || frame.FailedSets() > 0)
    {
        status = 1;
    }
    return status;
}

} // namespace gen
