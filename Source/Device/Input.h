#pragma once
// Polled key and mouse-button state. The window's event handler records
// transitions; the frame code asks once per frame whether a key was hit
// (newly pressed) or is held. The queries advance the state, so a press is a
// hit exactly once however many auto-repeat key-downs arrive.

#include <cstdint>

namespace gen
{

enum EKeyState : std::int32_t
{
    kNotPressed = 0,
    kPressed = 1, // down, not yet seen by a query
    kHeld = 2,    // down and seen (or repeated before any query)
};

// Windows virtual-key codes, the index of the key table.
enum EKeyCode : int
{
    kMouseLButton = 1,
    kMouseRButton = 2,
    kMouseMButton = 4,
    kKeyTab = 9,
    kKeyEscape = 27,
    kKeySpace = 32,
    kKeyPageUp = 33,   // VK_PRIOR
    kKeyPageDown = 34, // VK_NEXT
    kKeyLeft = 37,
    kKeyUp = 38,
    kKeyRight = 39,
    kKeyDown = 40,
    kKey0 = 48,
    kKey1 = 49,
    kKey2 = 50,
    kKey3 = 51,
    kKey4 = 52,
    kKey5 = 53,
    kKey6 = 54,
    kKey7 = 55,
    kKey8 = 56,
    kKey9 = 57,
    kKeyA = 65,
    kKeyD = 68,
    kKeyS = 83,
    kKeyW = 87,
    kKeyF1 = 112,
    kKeyF2 = 113,
    kKeyF3 = 114,
    kKeyF4 = 115,
    kKeyF5 = 116,
    kKeyPlus = 187,  // VK_OEM_PLUS, the plus/equals key
    kKeyMinus = 189, // VK_OEM_MINUS
};

constexpr int kNumKeyCodes = 256;

class CInputState
{
public:
    CInputState();

    // Recorders, fed by the window's event handler.
    void KeyDownEvent(int code);
    void KeyUpEvent(int code);
    void MouseMoveEvent(float x, float y) { MouseX = x; MouseY = y; }

    // Queries, called by the frame code.
    bool KeyHit(int code);
    bool KeyHeld(int code);

    void Clear();

    EKeyState GetState(int code) const;
    float MouseX = 0.0f;
    float MouseY = 0.0f;

private:
    // Out-of-range codes land on a scratch entry instead of outside the table.
    std::int32_t& Entry(int code);

    std::int32_t KeyStates[kNumKeyCodes];
    std::int32_t Scratch = kNotPressed;
};

// The program's one input state, used by the window and the frame code.
CInputState& GlobalInput();
inline void KeyDownEvent(int code) { GlobalInput().KeyDownEvent(code); }
inline void KeyUpEvent(int code) { GlobalInput().KeyUpEvent(code); }
inline bool KeyHit(int code) { return GlobalInput().KeyHit(code); }
inline bool KeyHeld(int code) { return GlobalInput().KeyHeld(code); }

} // namespace gen
