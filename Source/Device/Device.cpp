#include "Device/Device.h"

#include "Device/ShaderLibrary.h"
#include "Common/Problems.h"
#include "Common/StartFailure.h"

#include <vector>

namespace gen
{

const char* const kShaderFolder = "Source\\Render\\";
const char* const kMediaFolder = "Media\\";

CDevice* Device = nullptr;
CFont* Font = nullptr;
std::uint32_t ViewportWidth = 0;
std::uint32_t ViewportHeight = 0;
bool FullScreen = false;
SWindowRect ClientRect;
SWindowRect WindowRect;

namespace
{
std::vector<SDeviceResetListener>& ResetListeners()
{
    static std::vector<SDeviceResetListener> listeners;
    return listeners;
}
} // namespace

void AddDeviceResetListener(SDeviceResetListener listener)
{
    for (const SDeviceResetListener& known : ResetListeners())
    {
        if (known.Lost == listener.Lost && known.Reset == listener.Reset)
        {
            return;
        }
    }
    ResetListeners().push_back(listener);
}

void NotifyDeviceLost()
{
    const std::vector<SDeviceResetListener>& listeners = ResetListeners();
    for (auto listener = listeners.rbegin(); listener != listeners.rend(); ++listener)
    {
        if (listener->Lost)
        {
            listener->Lost();
        }
    }
}

void NotifyDeviceReset()
{
    for (const SDeviceResetListener& listener : ResetListeners())
    {
        if (listener.Reset)
        {
            listener.Reset();
        }
    }
}

void FreshDeviceSteps()
{
    const std::uint32_t all = kClearTarget | kClearZBuffer | kClearStencil;
    Device->Clear(all, 0, 1.0f, 0);
    Device->Present();
    Device->Clear(all, 0, 1.0f, 0);
    for (std::uint32_t stage = 0; stage < 3; ++stage)
    {
        Device->SetSamplerState(stage, kSampMinFilter, kFilterLinear);
        Device->SetSamplerState(stage, kSampMagFilter, kFilterLinear);
        Device->SetSamplerState(stage, kSampMipFilter, kFilterLinear);
    }
}

bool CreateOverlayFont()
{
    // A bold sans of 12 pixels stands in for 12-pixel bold Arial.
    Font = Device->CreateFont(12, 700, "Arial");
    return Font != nullptr;
}

bool D3DSetup(CWindow& window)
{
    WindowRect = window.GetWindowRect();
    ClientRect = window.GetClientRect();

    SPresentParameters params;
    params.BackBufferWidth = static_cast<std::uint32_t>(ClientRect.Right);
    params.BackBufferHeight = static_cast<std::uint32_t>(ClientRect.Bottom);
    params.Windowed = true;
    ViewportWidth = params.BackBufferWidth;
    ViewportHeight = params.BackBufferHeight;
    FullScreen = false;

    const int problemsBefore = ProblemCount();
    Device = CDevice::Create(window, params);
    if (!Device)
    {
        NoteStartFailure(kStepDevice, "", StartFailureReason("", problemsBefore, "no OpenGL 3.3 device"));
        return false;
    }
    FreshDeviceSteps();
    if (!CreateOverlayFont())
    {
        NoteStartFailure(kStepFont, "", StartFailureReason("", problemsBefore, "no system font opens"));
        return false;
    }
    return true;
}

void D3DShutdown()
{
    ResetListeners().clear();
    ReleaseShaderLibrary();
    SafeRelease(Font);
    SafeRelease(Device);
}

bool LoadVertexShader(const std::string& fileName, CVertexShader*& shader, CConstantTable*& table)
{
    return LoadLibraryVertexShader(fileName, shader, table);
}

bool LoadPixelShader(const std::string& fileName, CPixelShader*& shader, CConstantTable*& table)
{
    return LoadLibraryPixelShader(fileName, shader, table);
}

std::uint8_t ColourByte(float c)
{
    if (c <= 0.0f)
    {
        return 0;
    }
    if (c >= 1.0f)
    {
        return 255;
    }
    return static_cast<std::uint8_t>(c * 255.0f + 0.5f);
}

void DrawOverlayText(const std::string& text, std::int32_t x, std::int32_t y, float red, float green, float blue,
                     bool centre)
{
    if (!Font)
    {
        return;
    }
    const std::uint32_t colour = ColourARGB(255, ColourByte(red), ColourByte(green), ColourByte(blue));
    if (centre)
    {
        Font->DrawText(text, SRect{x - 100, y, x + 100, 0}, kDTCenter | kDTNoClip, colour);
    }
    else
    {
        Font->DrawText(text, SRect{x, y, 0, 0}, kDTNoClip, colour);
    }
}

} // namespace gen
