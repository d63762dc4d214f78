#pragma once
// Wall-clock time between consecutive frames, in seconds. Prefers a
// high-resolution counter and falls back to a millisecond tick; the choice is
// made once, at construction. The clock is injected so the lap arithmetic
// (including the millisecond tick's wrap-around) can be tested.

#include <cstdint>

namespace gen
{

class CClockSource
{
public:
    virtual ~CClockSource() = default;
    // Counts per second of the high-resolution counter; false when there is none.
    virtual bool QueryFrequency(std::int64_t& frequency) = 0;
    virtual std::int64_t QueryCounter() = 0;
    // Millisecond tick, wrapping after 2^32 ms.
    virtual std::uint32_t GetMilliseconds() = 0;
};

// The machine's clocks (Platform/Clock.h): on Windows the performance counter
// and the multimedia timer.
class CSystemClock : public CClockSource
{
public:
    bool QueryFrequency(std::int64_t& frequency) override;
    std::int64_t QueryCounter() override;
    std::uint32_t GetMilliseconds() override;
};

CClockSource& SystemClock();

class CTimer
{
public:
    explicit CTimer(CClockSource& clock = SystemClock());

    void Reset();
    float GetLapTime(); // seconds since the previous Reset or lap

    bool IsHighResolution() const { return HighResolution; }

private:
    CClockSource& Clock;
    bool HighResolution;
    std::int64_t Frequency = 0;
    std::int64_t CounterLap = 0;
    std::uint32_t MillisecondLap = 0;
};

} // namespace gen
