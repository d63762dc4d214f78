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
