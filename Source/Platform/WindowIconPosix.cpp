#include "Platform/WindowIcon.h"

#include "Common/DataFolder.h"

#include <SDL.h>
#include <SDL_image.h>

namespace gen
{

void PrepareProgramIcon()
{
}

// SDL_image reads the largest of the file's images.
void SetProgramIcon(SDL_Window* window)
{
    if (SDL_Surface* icon = IMG_Load(DataPath("Media\\Tessavin.ico").c_str()))
    {
        SDL_SetWindowIcon(window, icon);
        SDL_FreeSurface(icon);
    }
}

} // namespace gen
