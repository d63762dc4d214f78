#include "App/CTimer.h"

#include "Platform/Clock.h"

namespace gen
{

bool CSystemClock::QueryFrequency(std::int64_t& frequency)
{
    return QueryCounterFrequency(frequency);
}

std::int64_t CSystemClock::QueryCounter()
{
    return gen::QueryCounter();
}

std::uint32_t CSystemClock::GetMilliseconds()
{
    return QueryMillisecondTick();
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
