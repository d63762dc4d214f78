// The frame timer on the machine's own clocks, reached through the injected
// clock: the high-resolution counter (Windows: the performance counter) and,
// when the counter is missing, the millisecond tick (Windows: timeGetTime).
#include "App/CTimer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <thread>

namespace gen
{
namespace
{

// The system clock as a machine without a high-resolution counter sees it.
class CTickOnlyClock : public CClockSource
{
public:
    bool QueryFrequency(std::int64_t&) override { return false; }
    std::int64_t QueryCounter() override { return SystemClock().QueryCounter(); }
    std::uint32_t GetMilliseconds() override { return SystemClock().GetMilliseconds(); }
};

TEST(SystemClock, BothClocksMeasureASleepInSeconds)
{
    CTickOnlyClock tickOnly;
    struct SCase
    {
        const char* Name;
        CClockSource& Clock;
        bool HighResolution;
    } cases[] = {{"counter", SystemClock(), true}, {"millisecond tick", tickOnly, false}};
    for (SCase& c : cases)
    {
        CTimer timer(c.Clock);
        EXPECT_EQ(timer.IsHighResolution(), c.HighResolution) << c.Name;
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        const float lap = timer.GetLapTime();
        // Seconds, not ticks: a 30 ms sleep, give or take a coarse tick and a busy machine.
        EXPECT_GT(lap, 0.01f) << c.Name;
        EXPECT_LT(lap, 5.0f) << c.Name;
        if (!c.HighResolution)
        {
            EXPECT_NEAR(lap * 1000.0f, std::round(lap * 1000.0f), 1e-3f) << "whole milliseconds";
        }
    }
}

} // namespace
} // namespace gen
