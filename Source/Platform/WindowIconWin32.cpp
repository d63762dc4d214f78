#include "Platform/WindowIcon.h"

#include <SDL.h>

namespace gen
{

// SDL's window class then loads resource 101 for its large and small icons.
void PrepareProgramIcon()
{
    SDL_SetHint(SDL_HINT_WINDOWS_INTRESOURCE_ICON, "101");
    SDL_SetHint(SDL_HINT_WINDOWS_INTRESOURCE_ICON_SMALL, "101");
}

void SetProgramIcon(SDL_Window*)
{
}

} // namespace gen
