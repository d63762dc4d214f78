#include "App/CTimer.h"

#include <chrono>

namespace gen
{

bool CSystemClock::QueryFrequency(std::int64_t& frequency)
{
    frequency = 1000000000;
    return true;
}

std::int64_t CSystemClock::QueryCounter()
{
    using namespace std::chrono;
    return duration_cast<nanoseconds>(steady_clock::now().time_since_epoch()).count();
}

std::uint32_t CSystemClock::GetMilliseconds()
{
    using namespace std::chrono;
    return static_cast<std::uint32_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

CClockSource& SystemClock()
{
    static CSystemClock clock;
    return clock;
}

CTimer::CTimer(CClockSource& clock) : Clock(clock)
{
    HighResolution = Clock.QueryFrequency(Frequency);
    Reset();
}

void CTimer::Reset()
{
    if (HighResolution)
    {
        CounterLap = Clock.QueryCounter();
    }
    else
    {
        MillisecondLap = Clock.GetMilliseconds();
    }
}

float CTimer::GetLapTime()
{
    if (HighResolution)
    {
        const std::int64_t now = Clock.QueryCounter();
        const std::int64_t delta = now - CounterLap;
        CounterLap = now;
        return static_cast<float>(static_cast<long double>(delta) / static_cast<long double>(Frequency));
    }
    const std::uint32_t now = Clock.GetMilliseconds();
    const std::uint32_t delta = now - MillisecondLap; // wraps correctly
    MillisecondLap = now;
    return static_cast<float>(delta / 1000.0);
}

} // namespace gen
