#include "Device/Input.h"

namespace gen
{

CInputState::CInputState()
{
    Clear();
}

void CInputState::Clear()
{
    for (auto& k : KeyStates)
    {
        k = kNotPressed;
    }
    MouseX = MouseY = 0.0f;
}

std::int32_t& CInputState::Entry(int code)
{
    if (code < 0 || code >= kNumKeyCodes)
    {
        Scratch = kNotPressed;
        return Scratch;
    }
    return KeyStates[code];
}

EKeyState CInputState::GetState(int code) const
{
    if (code < 0 || code >= kNumKeyCodes)
    {
        return kNotPressed;
    }
    return static_cast<EKeyState>(KeyStates[code]);
}

void CInputState::KeyDownEvent(int code)
{
    std::int32_t& k = Entry(code);
    k = (k == kNotPressed) ? kPressed : kHeld;
}

void CInputState::KeyUpEvent(int code)
{
    Entry(code) = kNotPressed;
}

bool CInputState::KeyHit(int code)
{
    std::int32_t& k = Entry(code);
    if (k == kPressed)
    {
        k = kHeld;
        return true;
    }
    return false;
}

bool CInputState::KeyHeld(int code)
{
    std::int32_t& k = Entry(code);
    if (k == kNotPressed)
    {
        return false;
    }
    k = kHeld;
    return true;
}

CInputState& GlobalInput()
{
    static CInputState state;
    return state;
}

} // namespace gen
