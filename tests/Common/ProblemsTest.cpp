// The problem list behind the overlay's problem line: the first standing
// problem is shown with the run's count, and a solved file leaves the line.
#include "Common/Problems.h"

#include <gtest/gtest.h>

using namespace gen;

TEST(Problems, FirstStandingProblemWithTheRunsCount)
{
    ResetProblems();
    EXPECT_EQ(ProblemOverlayLine(), "");

    ReportProblem("a.psh", "a.psh(3): error: x");
    EXPECT_EQ(ProblemOverlayLine(), "a.psh(3): error: x");

    ReportProblem("b.x", "b.x: not an X file");
    EXPECT_EQ(ProblemOverlayLine(), "a.psh(3): error: x (2 problems)");

    // The same file reported again replaces its line in place.
    ReportProblem("a.psh", "a.psh(4): error: y");
    EXPECT_EQ(ProblemOverlayLine(), "a.psh(4): error: y (3 problems)");

    ClearProblem("a.psh");
    EXPECT_EQ(ProblemOverlayLine(), "b.x: not an X file (3 problems)");
    ClearProblem("b.x");
    EXPECT_EQ(ProblemOverlayLine(), "");
    EXPECT_EQ(ProblemCount(), 3);
    EXPECT_EQ(LastProblemSummary(), "a.psh(4): error: y");

    ResetProblems();
    EXPECT_EQ(ProblemCount(), 0);
}

// The log keeps every report with its full text; only the latest report of
// a key that still stands is standing, and the log keeps the newest ones.
TEST(Problems, TheLogKeepsEveryReportInFullAndWhichStillStand)
{
    ResetProblems();
    ReportProblem("a.psh", "a.psh(3): error: x", "a.psh(3): error: x\nwhole compiler output\n");
    ReportProblem("b.x", "b.x: not an X file");
    ReportProblem("a.psh", "a.psh(4): error: y", "all of it");
    ClearProblem("b.x");
    const std::vector<SProblemReport> log = ProblemLog();
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(log[0].Details, "a.psh(3): error: x\nwhole compiler output\n");
    EXPECT_FALSE(log[0].Standing); // replaced by the later report
    EXPECT_EQ(log[1].Summary, "b.x: not an X file");
    EXPECT_FALSE(log[1].Standing); // solved
    EXPECT_EQ(log[2].Details, "all of it");
    EXPECT_TRUE(log[2].Standing);

    for (std::size_t i = 0; i < kProblemLogLength + 5; ++i)
    {
        ReportProblem("m" + std::to_string(i), "m" + std::to_string(i));
    }
    const std::vector<SProblemReport> full = ProblemLog();
    ASSERT_EQ(full.size(), kProblemLogLength);
    EXPECT_EQ(full.back().Summary, "m" + std::to_string(kProblemLogLength + 4));
    ResetProblems();
    EXPECT_TRUE(ProblemLog().empty());
}
