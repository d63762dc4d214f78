// SDL key codes and mouse buttons to the virtual-key codes the program reads.
#include "Platform/KeyMap.h"

#include <SDL_keycode.h>
#include <SDL_mouse.h>
#include <gtest/gtest.h>

namespace gen
{
namespace
{

TEST(KeyMap, KeysAndButtonsTakeTheirVirtualKeyCodes)
{
    // Letters and digits are their capital ASCII codes; plus and minus the
    // OEM codes, while the keypad keeps its own; unknown keys give 0.
    const int keys[][2] = {{SDLK_a, 65},       {SDLK_z, 90},       {SDLK_0, 48},         {SDLK_9, 57},
                           {SDLK_F1, 112},     {SDLK_F12, 123},    {SDLK_LEFT, 37},      {SDLK_UP, 38},
                           {SDLK_RIGHT, 39},   {SDLK_DOWN, 40},    {SDLK_ESCAPE, 27},    {SDLK_EQUALS, 187},
                           {SDLK_PLUS, 187},   {SDLK_MINUS, 189},  {SDLK_KP_PLUS, 107},  {SDLK_KP_MINUS, 109},
                           {SDLK_KP_0, 96},    {SDLK_KP_9, 105},   {SDLK_UNKNOWN, 0},    {SDLK_AUDIOPLAY, 0}};
    for (const auto& key : keys)
    {
        EXPECT_EQ(VirtualKeyFromSdl(key[0]), key[1]) << key[0];
    }
    const int buttons[][2] = {{SDL_BUTTON_LEFT, 1}, {SDL_BUTTON_RIGHT, 2}, {SDL_BUTTON_MIDDLE, 4}, {SDL_BUTTON_X1, 0}};
    for (const auto& button : buttons)
    {
        EXPECT_EQ(VirtualKeyFromSdlMouseButton(button[0]), button[1]) << button[0];
    }
}

} // namespace
} // namespace gen
