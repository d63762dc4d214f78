#pragma once
// The program's graphics device and what comes with it: the overlay font,
// the back-buffer size, the device's creation, display-mode changes and
// release, shader loading from the shader folder and the one text-drawing
// operation.

#include "Platform/CDevice.h"
#include "Platform/CFont.h"
#include "Platform/CShader.h"
#include "Platform/CWindow.h"

#include <cstdint>
#include <string>

namespace gen
{

// Folders that data file names are joined to (no separator added).
extern const char* const kShaderFolder; // "Source\\Render\\"
extern const char* const kMediaFolder;  // "Media\\"

// Program-wide device state: null / 0 until D3DSetup.
extern CDevice* Device;
extern CFont* Font;
extern std::uint32_t ViewportWidth;  // back-buffer width in pixels
extern std::uint32_t ViewportHeight; // back-buffer height in pixels
extern bool FullScreen;
extern SWindowRect ClientRect; // client rectangle last accepted in windowed mode
extern SWindowRect WindowRect; // outer rectangle last seen in windowed mode

// Creates the windowed device for the window's client area, clears both
// buffers to black, sets linear filtering on stages 0..2 and creates the font.
bool D3DSetup(CWindow& window);
// Releases the shader library, the font and the device, each if present.
void D3DShutdown();

// What lives in the device's default memory must follow it through a reset
// (display-mode changes, App/DisplayMode.h): Lost runs before the reset,
// Reset after it (its failure is the owner's to report). The program
// registers its owners at start-up; D3DShutdown forgets them all.
struct SDeviceResetListener
{
    void (*Lost)();
    bool (*Reset)();
};
// Adds a listener once (the same pair again is ignored). Lost runs in the
// reverse order of registration, Reset in that order.
void AddDeviceResetListener(SDeviceResetListener listener);
void NotifyDeviceLost();
void NotifyDeviceReset();

// The steps every fresh or reset device goes through (clear, present, clear,
// linear filtering on stages 0..2), and the font's creation.
void FreshDeviceSteps();
bool CreateOverlayFont();

// A shader object of kShaderFolder + fileName (vs_3_0 / ps_3_0, entry
// "main") with its constant table, compiled or reused through the shader
// library (App/ShaderLibrary.h), which also swaps in a new version when the
// file is edited. On failure returns false, leaves the slots null and
// reports the compiler's first error as a problem (its whole text on
// standard error).
bool LoadVertexShader(const std::string& fileName, CVertexShader*& shader, CConstantTable*& table);
bool LoadPixelShader(const std::string& fileName, CPixelShader*& shader, CConstantTable*& table);

// Colour component to byte: 0 at or below 0, 255 at or above 1, else
// c * 255 + 0.5 truncated.
std::uint8_t ColourByte(float c);

// Draws text with the overlay font at client pixel (x, y) in an opaque RGB
// colour; centre centres each line on x within a 200-pixel band. Line
// breaks start new lines. Nothing is drawn while there is no font.
void DrawOverlayText(const std::string& text, std::int32_t x, std::int32_t y, float red, float green, float blue,
                     bool centre);

} // namespace gen
