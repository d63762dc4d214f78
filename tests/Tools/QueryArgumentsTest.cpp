// The browser page's address read as capture options.
#include "../../tools/capture/CaptureOptions.h"
#include "../../tools/web/QueryArguments.h"

#include <gtest/gtest.h>

namespace gen
{
namespace
{

TEST(QueryArguments, TurnsTheQueryIntoACommandLine)
{
    using TArgs = std::vector<std::string>;
    const struct
    {
        const char* Query;
        TArgs Expected;
    } cases[] = {
        {"", {}},
        {"?", {}},
        {"?frames=60&shots=59", {"--frames", "60", "--shots", "59"}},
        {"frames=60", {"--frames", "60"}},                                   // no '?'
        {"?press=2:49&press=3:50", {"--press", "2:49", "--press", "3:50"}}, // repeated names stay
        {"?floor&no-area-filters=", {"--floor", "--no-area-filters"}},      // flags
        {"?&&frames=1&", {"--frames", "1"}},                                // empty parts
        {"?=5&frames=1", {"--frames", "1"}},                                // no name
        {"?press=2%3A49&out=a+b", {"--press", "2:49", "--out", "a b"}},     // decoding
        {"?size=%zz%4", {"--size", "%zz%4"}},                               // broken escapes kept
        {"?a%00b=1", {std::string("--a\0b", 5), "1"}},                      // bytes pass through
    };
    for (const auto& c : cases)
    {
        EXPECT_EQ(QueryArguments(c.Query), c.Expected) << c.Query;
    }
}

// The checks' address runs exactly the tool's command line.
TEST(QueryArguments, CheckAddressParsesAsCaptureOptions)
{
    std::vector<std::string> args = QueryArguments("?frames=60&size=800x600&fixed-dt=0.016&press=2:49&shots=59");
    args.insert(args.begin(), "tessavin");
    args.insert(args.end(), {"--out", "/capture"});
    std::vector<const char*> argv;
    for (const std::string& a : args)
    {
        argv.push_back(a.c_str());
    }
    SCaptureOptions o;
    std::string error;
    ASSERT_TRUE(ParseCaptureOptions(static_cast<int>(argv.size()), argv.data(), o, error)) << error;
    EXPECT_EQ(o.Frames, 60);
    EXPECT_EQ(o.Width, 800);
    EXPECT_EQ(o.Height, 600);
    EXPECT_FLOAT_EQ(o.FixedDt, 0.016f);
    EXPECT_EQ(o.Shots, std::vector<int>{59});
    ASSERT_EQ(o.KeyEvents.size(), 2u); // down before frame 2, up before frame 3
    EXPECT_EQ(o.KeyEvents[0].Code, 49);
}

} // namespace
} // namespace gen
