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

CTimer::CTimer(CClockSource& clock) : mClock(clock)
{
    mHighResolution = mClock.QueryFrequency(mFrequency);
    Reset();
}

void CTimer::Reset()
{
    if (mHighResolution)
    {
        mCounterLap = mClock.QueryCounter();
    }
    else
    {
        mMillisecondLap = mClock.GetMilliseconds();
    }
}

float CTimer::GetLapTime()
{
    if (mHighResolution)
    {
        const std::int64_t now = mClock.QueryCounter();
        const std::int64_t delta = now - mCounterLap;
        mCounterLap = now;
        return static_cast<float>(static_cast<long double>(delta) / static_cast<long double>(mFrequency));
    }
    const std::uint32_t now = mClock.GetMilliseconds();
    const std::uint32_t delta = now - mMillisecondLap; // wraps correctly
    mMillisecondLap = now;
    return static_cast<float>(delta / 1000.0);
}

} // namespace gen
