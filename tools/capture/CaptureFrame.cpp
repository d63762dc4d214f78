#include "CaptureFrame.h"

#include "App/DisplayMode.h"
#include "App/DroppedFiles.h"
#include "App/Inspector.h"
#include "App/PassTimer.h"
#include "App/SharedLink.h"
#include "App/Tunables.h"
#include "Device/Device.h"
#include "Device/Input.h"
#include "Device/ShaderLibrary.h"
#include "Common/DataFolder.h"
#include "Common/ReadFile.h"
#include "Effects/PostProcess.h"
#include "Platform/CWindow.h"
#include "Platform/Process.h"
#include "Scene/Scene.h"

#include "GlProfile.h"

#include <chrono>
#include <cstdio>

namespace gen
{

namespace
{

constexpr int kRssSampleFrames = 1000;

// The benchmark floor: what any frame of this size costs at least. Clear,
// the scene texture on one full-screen quad through the no-filter shader,
// present.
void FloorFrame()
{
    if (!Device)
    {
        return;
    }
    if (Device->BeginScene())
    {
        Device->Clear(kClearTarget | kClearZBuffer | kClearStencil, 0, 1.0f, 0);
        Device->SetTexture(0, GetSceneTexture());
        ApplyPostProcess(kNoFilter);
        if (CConstantTable* table = GetFilterConstantTable(kNoFilter))
        {
            const float topLeft[2] = {0.0f, 0.0f}, bottomRight[2] = {1.0f, 1.0f};
            table->SetFloatArray("UVTopLeft", topLeft, 2);
            table->SetFloatArray("UVBottomRight", bottomRight, 2);
        }
        DrawScreenQuad(0.0f, 0.0f, static_cast<float>(ViewportWidth), static_cast<float>(ViewportHeight), 0.0f, 0.0f,
                       1.0f, 1.0f, false, 0.0f);
        Device->SetTexture(0, nullptr);
        Device->EndScene();
    }
    Device->Present();
}

// Writes source's bytes over destination in place, as an editor saves a
// file. (MinGW's std::filesystem::copy_file refuses to overwrite.)
bool CopyOver(const std::string& source, const std::string& destination)
{
    std::string bytes;
    if (!ReadWholeFile(source, bytes))
    {
        return false;
    }
    return WriteWholeFile(destination, bytes);
}

} // namespace

CCaptureFrame::CCaptureFrame(const SCaptureOptions& options, CPassTimer* passes, CInspector* inspector)
    : Options(options), Passes(passes), Inspector(inspector)
{
    for (int frame : options.Shots)
    {
        ShotsTaken[frame];
    }
}

CCaptureFrame::SSpent CCaptureFrame::Now()
{
    using namespace std::chrono;
    return {duration<double>(steady_clock::now().time_since_epoch()).count(), ProcessCpuSeconds()};
}

void CCaptureFrame::Spend(const SSpent& since)
{
    const SSpent now = Now();
    Spent.Wall += now.Wall - since.Wall;
    Spent.Cpu += now.Cpu - since.Cpu;
}

float CCaptureFrame::Step(float measured) const
{
    return Options.FixedDt >= 0.0f ? Options.FixedDt : measured;
}

bool CCaptureFrame::Continue()
{
    // A display-mode change after the last frame belongs to it.
    CheckDevice(Frame > 0 ? Frame - 1 : 0);
    if (Frame >= Options.Frames)
    {
        if (Passes)
        {
            Passes->Finish();
        }
        return false;
    }
    ApplyReplacesDue();
    ApplyDropsDue();
    ApplyInputDue();
    ApplySets();
    Spent = SSpent();
    return true;
}

void CCaptureFrame::Render(float t)
{
    const SSpent start = Now();
    if (Options.Floor)
    {
        FloorFrame();
    }
    else
    {
        SceneRender(Step(t));
    }
    Spend(start);

    auto shot = ShotsTaken.find(Frame);
    if (shot != ShotsTaken.end() && Device)
    {
        Device->ReadBackBuffer(shot->second.Pixels, shot->second.Width, shot->second.Height);
    }
}

void CCaptureFrame::Update(float t)
{
    const SSpent start = Now();
    if (!Options.Floor)
    {
        SceneUpdate(Step(t));
    }
    Spend(start);
    Wall.push_back(Spent.Wall);
    Cpu.push_back(Spent.Cpu);

    if (Passes)
    {
        Passes->EndFrame();
    }
    CheckDevice(Frame);
    if (Frame % kRssSampleFrames == 0 || Frame + 1 == Options.Frames)
    {
        RunHealth.RssKb.emplace_back(Frame, ProcessResidentKb());
    }
    ++Frame;
}

void CCaptureFrame::DrawOverlay(float t, const char* filterName)
{
    CFrame::DrawOverlay(t, filterName);
    if (Inspector)
    {
        Inspector->Draw(Step(t));
    }
}

void CCaptureFrame::ReleaseDevice()
{
    if (Inspector)
    {
        Inspector->ReleaseDevice();
    }
}

void CCaptureFrame::ApplyInputDue()
{
    while (NextResize < Options.Resizes.size() && Options.Resizes[NextResize].Frame <= Frame)
    {
        const SResizeEvent& e = Options.Resizes[NextResize++];
        CWindow* window = MainWindow();
        if (window && !FullScreen)
        {
            // The size event may come late or not at all (no window
            // manager, offscreen driver): apply the new size now.
            window->SetClientSize(e.Width, e.Height);
            if (Device && !ChangeDisplayMode(*window, false))
            {
                window->Destroy();
            }
        }
    }
    while (NextKey < Options.KeyEvents.size() && Options.KeyEvents[NextKey].Frame <= Frame)
    {
        const SKeyEvent& e = Options.KeyEvents[NextKey++];
        if (e.Down)
        {
            KeyDownEvent(e.Code);
        }
        else
        {
            KeyUpEvent(e.Code);
        }
    }
}

// Every frame: a device reset or a live edit may have made the tables anew,
// and which constants are the program's is known only once it has drawn.
void CCaptureFrame::ApplySets()
{
    // A link's values first, so that --set overrides them; a link made with
    // other shaders may name constants these lack, which is no failure here.
    for (const SLinkValue& value : SharedLinkValues())
    {
        SetTunableValue(value.File, value.Name, value.Values);
    }
    SetResults.resize(Options.Sets.size());
    for (std::size_t i = 0; i < Options.Sets.size(); ++i)
    {
        const STunableSetting& set = Options.Sets[i];
        SetResults[i] = SetTunableValue(set.File, set.Name, set.Values);
    }
}

int CCaptureFrame::FailedSets() const
{
    int failed = 0;
    for (std::size_t i = 0; i < SetResults.size(); ++i)
    {
        if (SetResults[i] != kTuned)
        {
            std::fprintf(stderr, "tessavin-capture: --set %s:%s: %s\n", Options.Sets[i].File.c_str(),
                         Options.Sets[i].Name.c_str(), TuneResultText(static_cast<ETuneResult>(SetResults[i])).c_str());
            ++failed;
        }
    }
    return failed;
}

void CCaptureFrame::ApplyDropsDue()
{
    while (NextDrop < Options.Drops.size() && Options.Drops[NextDrop].Frame <= Frame)
    {
        OpenDroppedFile(Options.Drops[NextDrop++].Path);
    }
}

void CCaptureFrame::ApplyReplacesDue()
{
    bool replaced = false;
    while (NextReplace < Options.Replaces.size() && Options.Replaces[NextReplace].Frame <= Frame)
    {
        const SReplaceEvent& e = Options.Replaces[NextReplace++];
        if (!CopyOver(e.Source, DataPath(e.Destination)))
        {
            std::fprintf(stderr, "tessavin-capture: cannot copy %s over %s before frame %d\n", e.Source.c_str(),
                         e.Destination.c_str(), Frame);
            ++ReplaceFailures;
            continue;
        }
        replaced = true;
    }
    if (replaced)
    {
        // Within the same frame, whatever the files' times say.
        CheckShaderFilesNow();
    }
}

// GL errors since the last check count against frame.
void CCaptureFrame::CheckDevice(int frame)
{
    if (!Device)
    {
        return;
    }
    if (RunHealth.Renderer.empty())
    {
        const GLubyte* renderer = glGetString(GL_RENDERER);
        RunHealth.Renderer = renderer ? reinterpret_cast<const char*>(renderer) : "?";
    }
    for (GLenum e = glGetError(); e != GL_NO_ERROR; e = glGetError())
    {
        if (RunHealth.GlErrors++ == 0)
        {
            RunHealth.FirstGlError = e;
            RunHealth.FirstGlErrorFrame = frame;
        }
    }
}

} // namespace gen
