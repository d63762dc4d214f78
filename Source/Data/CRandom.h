#pragma once
// The level's pseudo-random generator: the classic linear congruential one
// (state * 214013 + 2531011, result bits 16..30), written out here so that
// randomised placements are the same on every platform and C runtime.

#include <cstdint>

namespace gen
{

class CRandom
{
public:
    static constexpr std::uint32_t kMaxValue = 32767;

    // Unseeded, the generator starts from state 1.
    explicit CRandom(std::uint32_t seed = 1) : State(seed) {}

    // The next value, 0 to kMaxValue.
    std::uint32_t Next()
    {
        State = State * 214013u + 2531011u;
        return (State >> 16) & 0x7FFFu;
    }

    // min + (r / 32767) * (max - min) for the next value r, formed in double
    // precision and stored as a float.
    float Random(float min, float max)
    {
        const double r = static_cast<double>(Next()) / kMaxValue;
        return static_cast<float>(min + r * (static_cast<double>(max) - min));
    }

    std::uint32_t GetState() const { return State; }

private:
    std::uint32_t State;
};

} // namespace gen
