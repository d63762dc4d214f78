#include "Platform/KeyMap.h"

#include <SDL_keycode.h>
#include <SDL_mouse.h>
#include <gtest/gtest.h>

namespace gen
{
namespace
{

TEST(KeyMap, LettersAndDigitsTakeTheirCapitalAsciiCodes)
{
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_a), 65);
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_w), 87);
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_z), 90);
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_0), 48);
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_3), 51);
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_9), 57);
}

TEST(KeyMap, FunctionArrowAndEscapeKeys)
{
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_F1), 112);
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_F5), 116);
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_F12), 123);
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_LEFT), 37);
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_UP), 38);
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_RIGHT), 39);
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_DOWN), 40);
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_ESCAPE), 27);
}

TEST(KeyMap, PlusAndMinusAreTheOemCodes)
{
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_EQUALS), 187);
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_PLUS), 187);
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_MINUS), 189);
    // The keypad keys keep their own codes.
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_KP_PLUS), 107);
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_KP_MINUS), 109);
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_KP_0), 96);
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_KP_9), 105);
}

TEST(KeyMap, UnknownKeysGiveZeroAndStayInTheTable)
{
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_UNKNOWN), 0);
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_AUDIOPLAY), 0);
    for (int key : {SDLK_a, SDLK_F12, SDLK_QUOTE, SDLK_KP_DIVIDE, SDLK_RCTRL})
    {
        const int code = VirtualKeyFromSdl(key);
        EXPECT_GT(code, 0);
        EXPECT_LT(code, 256);
    }
}

TEST(KeyMap, MouseButtons)
{
    EXPECT_EQ(VirtualKeyFromSdlMouseButton(SDL_BUTTON_LEFT), 1);
    EXPECT_EQ(VirtualKeyFromSdlMouseButton(SDL_BUTTON_RIGHT), 2);
    EXPECT_EQ(VirtualKeyFromSdlMouseButton(SDL_BUTTON_MIDDLE), 4);
    EXPECT_EQ(VirtualKeyFromSdlMouseButton(SDL_BUTTON_X1), 0);
}

TEST(KeyMap, SystemKeysAreF10AndKeysWithAltButNotCtrl)
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
    }
}

} // namespace
} // namespace gen
