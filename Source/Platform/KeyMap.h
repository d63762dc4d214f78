#pragma once
// SDL key codes to Windows virtual-key codes, the codes the key table is
// indexed by. Letters map to 'A'..'Z', digits to '0'..'9', F1..F12 to
// 112..123, the plus/equals and minus keys to 187 and 189 (VK_OEM_PLUS,
// VK_OEM_MINUS), keypad keys to their VK_NUMPAD/VK_ADD/... codes.

#include <cstdint>

namespace gen
{

// sdlKeycode is an SDL_Keycode (SDL_KeyboardEvent.keysym.sym). Returns 0 for
// keys with no virtual-key code.
int VirtualKeyFromSdl(std::int32_t sdlKeycode);

// Whether Windows would send the key as a system key (WM_SYSKEYDOWN and
// WM_SYSKEYUP), which the key table never sees: F10, and any key while Alt
// is held without Ctrl (AltGr arrives as Ctrl and Alt, as ordinary keys).
// sdlModifiers is an SDL_Keymod (SDL_KeyboardEvent.keysym.mod).
bool IsSystemKey(int virtualKey, std::uint16_t sdlModifiers);

// Whether a key event goes to the key table: system key-downs stay out, but
// every key-up goes in, so a key released while Alt is held is released (a
// key-up for a key the table holds as up changes nothing).
bool KeyEventReachesTable(int virtualKey, std::uint16_t sdlModifiers, bool keyDown);

// SDL mouse button (SDL_BUTTON_LEFT ...) to 1 (left), 2 (right), 4 (middle);
// 0 for others.
int VirtualKeyFromSdlMouseButton(std::uint8_t button);

} // namespace gen
