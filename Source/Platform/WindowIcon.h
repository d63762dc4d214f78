#pragma once
// The program's icon (four images of one design): on Windows the
// executable's icon resource 101, elsewhere Media\Tessavin.ico.

struct SDL_Window;

namespace gen
{

// Before the video subsystem starts (it registers the window class).
void PrepareProgramIcon();
// On each new window.
void SetProgramIcon(SDL_Window* window);

} // namespace gen
