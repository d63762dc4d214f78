#include "Platform/Clock.h"

#include <ctime>

namespace gen
{
namespace
{

std::int64_t MonotonicNanoseconds()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<std::int64_t>(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

} // namespace

bool QueryCounterFrequency(std::int64_t& frequency)
{
    frequency = 1000000000;
    return true;
}

std::int64_t QueryCounter()
{
    return MonotonicNanoseconds();
}

std::uint32_t QueryMillisecondTick()
{
    return static_cast<std::uint32_t>(MonotonicNanoseconds() / 1000000);
}

} // namespace gen
