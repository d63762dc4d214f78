#pragma once
// The machine's clocks, as the frame timer reads them: a high-resolution
// counter (Windows: the performance counter) and a millisecond tick
// (Windows: the multimedia timer).

#include <cstdint>

namespace gen
{

// Counts per second of the high-resolution counter; false when there is none.
bool QueryCounterFrequency(std::int64_t& frequency);
std::int64_t QueryCounter();
// Milliseconds, wrapping after 2^32.
std::uint32_t QueryMillisecondTick();

} // namespace gen
