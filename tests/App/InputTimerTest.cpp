// The key state the loop feeds and the scene queries, and the frame timer.
#include "App/CTimer.h"
#include "Device/Input.h"

#include <gtest/gtest.h>

using namespace gen;

namespace
{

TEST(Input, AHitIsReportedOncePerPress)
{
    CInputState in;
    EXPECT_FALSE(in.KeyHit(kKeyF1) || in.KeyHeld(kKeyF1)); // never touched
    in.KeyDownEvent(kKeyF1);
    EXPECT_TRUE(in.KeyHit(kKeyF1));
    EXPECT_FALSE(in.KeyHit(kKeyF1));
    EXPECT_TRUE(in.KeyHeld(kKeyF1));
    in.KeyDownEvent(kKeyF1); // auto-repeat
    EXPECT_FALSE(in.KeyHit(kKeyF1));
    in.KeyUpEvent(kKeyF1);
    EXPECT_FALSE(in.KeyHeld(kKeyF1));
    in.KeyDownEvent(kKeyF1);
    EXPECT_TRUE(in.KeyHit(kKeyF1));

    // Codes outside the table are harmless.
    in.KeyDownEvent(300);
    in.KeyDownEvent(-1);
    EXPECT_FALSE(in.KeyHit(300) || in.KeyHeld(-1));
    in.KeyDownEvent(255);
    EXPECT_TRUE(in.KeyHit(255));
}

TEST(Input, PressesTheQueriesNeverSee)
{
    CInputState in;
    // Down and up between two frames: never reported.
    in.KeyDownEvent(kKeyW);
    in.KeyUpEvent(kKeyW);
    EXPECT_FALSE(in.KeyHit(kKeyW) || in.KeyHeld(kKeyW));
    // A repeat before the first query swallows the hit but not the hold.
    in.KeyDownEvent(kKeyA);
    in.KeyDownEvent(kKeyA);
    EXPECT_FALSE(in.KeyHit(kKeyA));
    EXPECT_TRUE(in.KeyHeld(kKeyA));
    // KeyHeld consumes a pending hit.
    in.KeyDownEvent(kKeyD);
    EXPECT_TRUE(in.KeyHeld(kKeyD));
    EXPECT_FALSE(in.KeyHit(kKeyD));
}

class CFakeClock : public CClockSource
{
public:
    bool HasCounter = true;
    std::int64_t Counter = 0;
    std::uint32_t Milliseconds = 0;
    bool QueryFrequency(std::int64_t& f) override
    {
        f = 1000;
        return HasCounter;
    }
    std::int64_t QueryCounter() override { return Counter; }
    std::uint32_t GetMilliseconds() override { return Milliseconds; }
};

TEST(Timer, LapsMeasureFromThePreviousLapOrReset)
{
    CFakeClock clock;
    clock.Counter = 5000;
    CTimer timer(clock);
    EXPECT_TRUE(timer.IsHighResolution());
    clock.Counter = 5250;
    EXPECT_FLOAT_EQ(timer.GetLapTime(), 0.25f);
    EXPECT_FLOAT_EQ(timer.GetLapTime(), 0.0f);
    clock.Counter = 9000;
    timer.Reset();
    clock.Counter = 9016;
    EXPECT_FLOAT_EQ(timer.GetLapTime(), 0.016f);

    // The millisecond tick wraps around; shorter than a tick is zero.
    CFakeClock ticks;
    ticks.HasCounter = false;
    ticks.Milliseconds = 4294967290u;
    CTimer coarse(ticks);
    EXPECT_FALSE(coarse.IsHighResolution());
    ticks.Milliseconds = 6;
    EXPECT_FLOAT_EQ(coarse.GetLapTime(), 0.012f);
    EXPECT_EQ(coarse.GetLapTime(), 0.0f);
}

} // namespace
