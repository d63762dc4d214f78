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

TEST(KeyMap, SystemKeyDownsStayOutOfTheTableButEveryKeyUpGoesIn)
{
    const struct
    {
        int Key;
        std::uint16_t Modifiers;
        bool System;
    } cases[] = {
        {'W', KMOD_NONE, false},      {'W', KMOD_LSHIFT, false},         {'W', KMOD_LALT, true},
        {'W', KMOD_RALT, true},       {112, KMOD_LALT, true},            {18, KMOD_LALT, true}, // Alt itself
        {121, KMOD_NONE, true},       {'E', KMOD_LCTRL | KMOD_RALT, false}, // AltGr
        {'E', KMOD_MODE, false},
    };
    for (const auto& c : cases)
    {
        EXPECT_EQ(IsSystemKey(c.Key, c.Modifiers), c.System) << c.Key << " with modifiers " << c.Modifiers;
        EXPECT_EQ(KeyEventReachesTable(c.Key, c.Modifiers, true), !c.System) << c.Key << " down, " << c.Modifiers;
        // W pressed, Alt pressed, W released: the release must not be lost.
        EXPECT_TRUE(KeyEventReachesTable(c.Key, c.Modifiers, false)) << c.Key << " up, " << c.Modifiers;
    }
    EXPECT_FALSE(KeyEventReachesTable(0, KMOD_NONE, false));
}

} // namespace
} // namespace gen
