#include "App/Inspector.h"

#include "App/InspectorSections.h"

#include "Common/Problems.h"
#include "Device/Device.h"
#include "Device/Input.h"
#include "Effects/FramePass.h"
#include "Effects/PostProcess.h"
#include "Platform/CDevice.h"
#include "Platform/CWindow.h"
#include "Platform/UiRenderer.h"

#include <imgui.h>

#include <algorithm>
#include <array>
#include <string>
#include <vector>

namespace gen
{

namespace
{

constexpr std::size_t kHistoryFrames = 300;

// Frame times, oldest first from Next.
struct SHistory
{
    std::array<float, kHistoryFrames> Ms{};
    std::size_t Next = 0;

    void Add(float ms)
    {
        Ms[Next] = ms;
        Next = (Next + 1) % kHistoryFrames;
    }
    float Highest() const { return *std::max_element(Ms.begin(), Ms.end()); }
};

// The keys ImGui's widgets use, by their virtual-key codes.
void MapKeys(ImGuiIO& io)
{
    const std::pair<ImGuiKey_, int> keys[] = {
        {ImGuiKey_Tab, 9},         {ImGuiKey_LeftArrow, 37}, {ImGuiKey_RightArrow, 39}, {ImGuiKey_UpArrow, 38},
        {ImGuiKey_DownArrow, 40},  {ImGuiKey_PageUp, 33},    {ImGuiKey_PageDown, 34},   {ImGuiKey_Home, 36},
        {ImGuiKey_End, 35},        {ImGuiKey_Insert, 45},    {ImGuiKey_Delete, 46},     {ImGuiKey_Backspace, 8},
        {ImGuiKey_Space, 32},      {ImGuiKey_Enter, 13},     {ImGuiKey_Escape, 27},     {ImGuiKey_A, 'A'},
        {ImGuiKey_C, 'C'},         {ImGuiKey_V, 'V'},        {ImGuiKey_X, 'X'},         {ImGuiKey_Y, 'Y'},
        {ImGuiKey_Z, 'Z'},
    };
    for (const auto& key : keys)
    {
        io.KeyMap[key.first] = key.second;
    }
}

bool KeyDown(const ImGuiIO& io, std::initializer_list<int> codes)
{
    for (int code : codes)
    {
        if (io.KeysDown[code])
        {
            return true;
        }
    }
    return false;
}

// "area_Cubey" is the area filter of the entity Cubey.
std::string PassLabel(const std::string& slot)
{
    const std::string area = std::string(FramePassName(kPassArea)) + "_";
    return slot.compare(0, area.size(), area) == 0 ? "area filter: " + slot.substr(area.size()) : slot;
}

} // namespace

struct CInspector::SState
{
    ImGuiContext* Context = nullptr;
    bool Renderer = false;
    SHistory Cpu, Gpu;
    CImagesSection Images;
    std::vector<std::string> Opening; // sections to open at the next draw
};

bool InspectorBuiltIn()
{
    return true;
}

CInspector::CInspector(CPassTimer& passes, bool listen) : Passes(passes), Listen(listen), State(new SState)
{
}

CInspector::~CInspector()
{
    ReleaseDevice();
    SetShown(false);
    if (State->Context)
    {
        ImGui::DestroyContext(State->Context);
    }
}

void CInspector::SetShown(bool shown)
{
    if (shown == Shown)
    {
        return;
    }
    Shown = shown;
    if (!shown)
    {
        KeepFilteredPicture(false); // hidden, the frame makes no copy for it
    }
    if (Listen)
    {
        SetFramePassListener(shown ? &Passes : nullptr);
        if (!shown)
        {
            Passes.Finish();
        }
    }
}

bool CInspector::TakeEvent(const SWindowEvent& event)
{
    if (event.Code == kKeyTab && (event.Type == kEventKeyDown || event.Type == kEventKeyUp))
    {
        if (event.Type == kEventKeyDown)
        {
            SetShown(!Shown);
        }
        return true;
    }
    if (!Shown || !State->Context)
    {
        return false;
    }
    ImGui::SetCurrentContext(State->Context);
    ImGuiIO& io = ImGui::GetIO();
    // The panel has the mouse and the keys while the pointer is over it or
    // one of its controls is held.
    const bool panelHasInput = io.WantCaptureMouse || io.WantCaptureKeyboard;
    switch (event.Type)
    {
    case kEventMouseMove:
        io.MousePos = ImVec2(event.X, event.Y);
        return false;
    case kEventMouseDown:
    case kEventMouseUp:
    {
        const int button = event.Code == kMouseLButton ? 0 : event.Code == kMouseRButton ? 1 : 2;
        io.MouseDown[button] = event.Type == kEventMouseDown;
        return event.Type == kEventMouseDown && panelHasInput;
    }
    case kEventMouseWheel:
        io.MouseWheel += event.Y;
        io.MouseWheelH += event.X;
        return panelHasInput;
    case kEventKeyDown:
    case kEventKeyUp:
        if (event.Code > 0 && event.Code < static_cast<int>(IM_ARRAYSIZE(io.KeysDown)))
        {
            io.KeysDown[event.Code] = event.Type == kEventKeyDown;
            io.KeyCtrl = KeyDown(io, {17, 162, 163});
            io.KeyShift = KeyDown(io, {16, 160, 161});
        }
        return event.Type == kEventKeyDown && panelHasInput;
    default:
        return false;
    }
}

void CInspector::ReleaseDevice()
{
    if (State->Renderer)
    {
        ImGui::SetCurrentContext(State->Context);
        State->Images.ReleaseDevice();
        UiRendererStop();
        State->Renderer = false;
    }
}

void CInspector::OpenSection(const std::string& name)
{
    State->Opening.push_back(name);
}

bool CInspector::Section(const char* name, int flags)
{
    const auto opening = std::find(State->Opening.begin(), State->Opening.end(), name);
    if (opening != State->Opening.end())
    {
        ImGui::SetNextItemOpen(true);
        State->Opening.erase(opening);
    }
    return ImGui::CollapsingHeader(name, flags);
}

void CInspector::Draw(float t)
{
    if (!Shown || !Device)
    {
        return;
    }
    if (!State->Context)
    {
        State->Context = ImGui::CreateContext();
        ImGuiIO& io = ImGui::GetIO();
        io.IniFilename = nullptr; // nothing written to the working folder
        MapKeys(io);
        ImGui::StyleColorsDark();
    }
    ImGui::SetCurrentContext(State->Context);
    if (!State->Renderer)
    {
        State->Renderer = UiRendererStart();
        if (!State->Renderer)
        {
            ReportProblem("inspector", "the inspector cannot draw: ImGui's OpenGL back end did not start");
            SetShown(false);
            return;
        }
    }

    const float ms = t * 1000.0f;
    State->Cpu.Add(ms);
    const SPassReport& report = Passes.Report();
    const std::vector<double>* passMs = report.FrameMs.empty() ? nullptr : &report.FrameMs.back();
    double deviceMs = 0.0;
    if (passMs)
    {
        for (std::size_t slot = 0; slot < passMs->size(); ++slot)
        {
            // The panel's own pass lies inside the overlay's.
            if ((*passMs)[slot] > 0.0 && report.Names[slot] != FramePassName(kPassInspector))
            {
                deviceMs += (*passMs)[slot];
            }
        }
    }
    State->Gpu.Add(static_cast<float>(deviceMs));

    CFramePass pass(kPassInspector);
    ImGuiIO& io = ImGui::GetIO();
    io.DisplaySize = ImVec2(static_cast<float>(Device->GetBackBufferWidth()),
                            static_cast<float>(Device->GetBackBufferHeight()));
    io.DeltaTime = t > 0.0f ? t : 1.0f / 60.0f;
    UiRendererNewFrame();
    ImGui::NewFrame();

    ImGui::SetNextWindowPos(ImVec2(8.0f, 72.0f), ImGuiCond_FirstUseEver);
    ImGui::SetNextWindowSize(ImVec2(380.0f, std::max(io.DisplaySize.y - 80.0f, 120.0f)), ImGuiCond_FirstUseEver);
    ImGui::Begin("Inspector (Tab hides it)");
    if (ImGui::CollapsingHeader("Frame", ImGuiTreeNodeFlags_DefaultOpen))
    {
        ImGui::Text("Frame time %.2f ms (%.0f FPS)", static_cast<double>(ms),
                    ms > 0.0f ? 1000.0 / static_cast<double>(ms) : 0.0);
        const SHistory& cpu = State->Cpu;
        ImGui::PlotLines("CPU ms", cpu.Ms.data(), static_cast<int>(kHistoryFrames), static_cast<int>(cpu.Next),
                         nullptr, 0.0f, std::max(cpu.Highest(), 1.0f), ImVec2(0.0f, 60.0f));
        if (!Passes.HasQueries())
        {
            ImGui::TextWrapped("This device has no timestamp queries: the device times of the passes "
                               "cannot be measured.");
        }
        else
        {
            const SHistory& gpu = State->Gpu;
            ImGui::Text("Device time %.3f ms", deviceMs);
            ImGui::PlotLines("device ms", gpu.Ms.data(), static_cast<int>(kHistoryFrames),
                             static_cast<int>(gpu.Next), nullptr, 0.0f, std::max(gpu.Highest(), 1.0f),
                             ImVec2(0.0f, 60.0f));
            if (passMs && ImGui::BeginTable("passes", 2, ImGuiTableFlags_RowBg | ImGuiTableFlags_BordersInnerV))
            {
                ImGui::TableSetupColumn("pass");
                ImGui::TableSetupColumn("device ms");
                ImGui::TableHeadersRow();
                for (std::size_t slot = 0; slot < passMs->size(); ++slot)
                {
                    ImGui::TableNextRow();
                    ImGui::TableNextColumn();
                    ImGui::TextUnformatted(PassLabel(report.Names[slot]).c_str());
                    ImGui::TableNextColumn();
                    if ((*passMs)[slot] < 0.0)
                    {
                        ImGui::TextUnformatted("not drawn");
                    }
                    else
                    {
                        ImGui::Text("%.3f", (*passMs)[slot]);
                    }
                }
                ImGui::EndTable();
            }
        }
    }
    if (Section("Controls", ImGuiTreeNodeFlags_DefaultOpen))
    {
        DrawControlsSection(Settings);
    }
    if (Section("Scene"))
    {
        DrawSceneSection();
    }
    const bool images = Section("Images");
    if (images)
    {
        State->Images.Draw();
    }
    // The picture after the full-screen filter is not kept otherwise.
    KeepFilteredPicture(images);
    if (Section("Problems"))
    {
        DrawProblemsSection();
    }
    ImGui::End();

    ImGui::Render();
    UiRendererDraw(ImGui::GetDrawData());
}

} // namespace gen
