#include "Common/Problems.h"

#include <algorithm>
#include <cstdio>
#include <utility>
#include <vector>

namespace gen
{

namespace
{

struct SProblems
{
    std::vector<std::pair<std::string, std::string>> Standing; // key, summary; oldest first
    std::string Last;
    int Count = 0;
    std::vector<SProblemReport> Log; // Standing is worked out when asked
};

SProblems& State()
{
    static SProblems problems;
    return problems;
}

} // namespace

void ReportProblem(const std::string& key, const std::string& summary, const std::string& details)
{
    std::fprintf(stderr, "%s\n", summary.c_str());
    if (!details.empty())
    {
        std::fprintf(stderr, "%s%s", details.c_str(), details.back() == '\n' ? "" : "\n");
    }
    std::fflush(stderr);

    SProblems& state = State();
    ++state.Count;
    state.Last = summary;
    if (state.Log.size() == kProblemLogLength)
    {
        state.Log.erase(state.Log.begin());
    }
    state.Log.push_back({key, summary, details, false});
    auto same = std::find_if(state.Standing.begin(), state.Standing.end(),
                             [&](const auto& problem) { return problem.first == key; });
    if (same != state.Standing.end())
    {
        same->second = summary;
    }
    else
    {
        state.Standing.emplace_back(key, summary);
    }
}

void ClearProblem(const std::string& key)
{
    auto& standing = State().Standing;
    standing.erase(std::remove_if(standing.begin(), standing.end(),
                                  [&](const auto& problem) { return problem.first == key; }),
                   standing.end());
}

std::string ProblemOverlayLine()
{
    const SProblems& state = State();
    if (state.Standing.empty())
    {
        return "";
    }
    std::string line = state.Standing.front().second;
    if (state.Count > 1)
    {
        line += " (" + std::to_string(state.Count) + " problems)";
    }
    return line;
}

std::vector<SProblemReport> ProblemLog()
{
    const SProblems& state = State();
    std::vector<SProblemReport> log = state.Log;
    for (std::size_t i = 0; i < log.size(); ++i)
    {
        // Standing while its key stands and no later report replaced it.
        const bool later = std::any_of(log.begin() + static_cast<std::ptrdiff_t>(i) + 1, log.end(),
                                       [&](const SProblemReport& next) { return next.Key == log[i].Key; });
        log[i].Standing = !later && std::any_of(state.Standing.begin(), state.Standing.end(),
                                                [&](const auto& problem) { return problem.first == log[i].Key; });
    }
    return log;
}

std::string LastProblemSummary()
{
    return State().Last;
}

int ProblemCount()
{
    return State().Count;
}

void ResetProblems()
{
    State() = SProblems();
}

} // namespace gen
