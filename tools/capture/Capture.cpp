// tessavin-capture: runs the program's own loop for a fixed number of frames,
// feeding key events at chosen frames, and writes chosen frames as PNG
// files and the frame times as stats.json. Used by tests, benchmarks and
// the README's screenshots; works under Xvfb or SDL's offscreen driver.

#include "App/AppFrame.h"
#include "App/Device.h"
#include "App/Input.h"
#include "CaptureOptions.h"
#include "Effects/PostProcess.h"
#include "Platform/CWindow.h"
#include "Platform/Process.h"

#include <SDL.h>
#include <SDL_image.h>
#include <epoxy/gl.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <system_error>

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

// The benchmark floor: what any frame of this size costs at least. Clear,
// the scene texture on one full-screen quad through the no-filter shader,
// present.
void FloorFrame()
{
    gen::CDevice* device = gen::Device;
    if (!device)
    {
        return;
    }
    if (device->BeginScene())
    {
        device->Clear(gen::kClearTarget | gen::kClearZBuffer | gen::kClearStencil, 0, 1.0f, 0);
        device->SetTexture(0, gen::GetSceneTexture());
        gen::ApplyPostProcess(gen::kNoFilter);
        if (gen::CConstantTable* table = gen::GetFilterConstantTable(gen::kNoFilter))
        {
            const float topLeft[2] = {0.0f, 0.0f}, bottomRight[2] = {1.0f, 1.0f};
            table->SetFloatArray("UVTopLeft", topLeft, 2);
            table->SetFloatArray("UVBottomRight", bottomRight, 2);
        }
        gen::DrawScreenQuad(0.0f, 0.0f, static_cast<float>(gen::ViewportWidth), static_cast<float>(gen::ViewportHeight),
                            0.0f, 0.0f, 1.0f, 1.0f, false, 0.0f);
        device->SetTexture(0, nullptr);
        device->EndScene();
    }
    device->Present();
}

constexpr int kRssSampleFrames = 1000;

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
                     "       [--hold FROM-TO:VK ...] [--fixed-dt SECONDS] [--shots A,B,...]\n"
                     "       [--resize FRAME:WxH ...] [--floor]\n",
                     error.c_str());
        return 2;
    }
    std::error_code ignored; // a folder that cannot be made shows up as failed writes
    std::filesystem::create_directories(options.OutDir, ignored);

    std::map<int, SShot> shots;
    for (int frame : options.Shots)
    {
        shots[frame];
    }
    std::vector<double> wall, cpu;
    std::size_t nextEvent = 0;
    std::size_t nextResize = 0;
    gen::SRunHealth health;

    gen::SAppOptions app;
    app.ClientWidth = options.Width;
    app.ClientHeight = options.Height;
    app.Headless = true;
    app.MaxFrames = options.Frames;
    if (options.FixedDt >= 0.0f)
    {
        app.FrameTime = [&](float) { return options.FixedDt; };
    }
    if (options.Floor)
    {
        app.ReplaceFrame = [](float) { FloorFrame(); };
    }
    app.BeforeFrame = [&](int frame) {
        while (nextResize < options.Resizes.size() && options.Resizes[nextResize].Frame <= frame)
        {
            const gen::SResizeEvent& e = options.Resizes[nextResize++];
            gen::CWindow* window = gen::MainWindow();
            if (window && !gen::FullScreen)
            {
                // The size event may come late or not at all (no window
                // manager, offscreen driver): apply the new size now.
                window->SetClientSize(e.Width, e.Height);
                if (gen::Device && !gen::ChangeDisplayMode(*window, false))
                {
                    window->Destroy();
                }
            }
        }
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
    app.AfterFrame = [&](int frame, double wallSeconds, double cpuSeconds) {
        wall.push_back(wallSeconds);
        cpu.push_back(cpuSeconds);
        if (gen::Device)
        {
            if (health.Renderer.empty())
            {
                const GLubyte* renderer = glGetString(GL_RENDERER);
                health.Renderer = renderer ? reinterpret_cast<const char*>(renderer) : "?";
            }
            for (GLenum e = glGetError(); e != GL_NO_ERROR; e = glGetError())
            {
                if (health.GlErrors++ == 0)
                {
                    health.FirstGlError = e;
                    health.FirstGlErrorFrame = frame;
                }
            }
        }
        if (frame % kRssSampleFrames == 0 || frame + 1 == options.Frames)
        {
            health.RssKb.emplace_back(frame, gen::ProcessResidentKb());
        }
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
    stats << gen::StatsJson(frames, gen::ComputeFrameStats(wall), gen::ComputeFrameStats(cpu), health);
    if (health.GlErrors > 0)
    {
        std::fprintf(stderr, "tessavin-capture: %d GL errors, the first (0x%04x) after frame %d\n", health.GlErrors,
                     health.FirstGlError, health.FirstGlErrorFrame);
        status = 1;
    }
    if (!stats)
    {
        status = 1;
    }
    return status;
}
