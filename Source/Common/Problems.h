#pragma once
// Problems met while the program loads and reloads its data: a mesh it cannot
// read, a shader that does not compile, a missing level file. Each one is
// written to standard error in full when it is reported; the overlay shows
// the first one still standing on a line of its own, for the user who has no
// console (a Windows program started from Explorer).
//
// A problem is filed under a key (usually the file's path) so that a later
// success for the same file clears it: a shader fixed while the program runs
// takes its line off the screen.

#include <string>
#include <vector>

namespace gen
{

// Files summary (one line: the file and the reason) under key, replacing an
// earlier problem with the same key, and writes summary and details (for
// example a compiler's whole output) to standard error.
void ReportProblem(const std::string& key, const std::string& summary, const std::string& details = "");

// The problem under key, if any, is solved; the count of the run's problems
// stays as it is.
void ClearProblem(const std::string& key);

// The overlay's problem line: the first problem still standing, followed by
// how many were reported in this run when there was more than one; empty when
// none is standing.
std::string ProblemOverlayLine();

// The summary of the most recent report, empty when none: what a failed
// start-up step names as its reason.
std::string LastProblemSummary();

// How many problems were reported since the last ResetProblems.
int ProblemCount();

// One report of the run, with its full text.
struct SProblemReport
{
    std::string Key;
    std::string Summary;
    std::string Details;
    bool Standing = false; // not solved or reported anew since
};

// The run's reports, oldest first (the latest kProblemLogLength of them).
constexpr std::size_t kProblemLogLength = 256;
std::vector<SProblemReport> ProblemLog();

// Forgets every problem (a new run of the program loop, tests).
void ResetProblems();

} // namespace gen
