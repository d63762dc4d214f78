#include "Common/StartFailure.h"

#include "Common/FileProblem.h"
#include "Common/Path.h"
#include "Common/Problems.h"

#include <optional>

namespace gen
{

const char* const kStartFailureCaption = "Start-up Error";

namespace
{

std::optional<SStartFailure>& Recorded()
{
    static std::optional<SStartFailure> failure;
    return failure;
}

const char* StepWords(EStartStep step)
{
    switch (step)
    {
    case kStepDevice: return "creating the graphics device";
    case kStepLevel: return "reading the level";
    case kStepShader: return "compiling a shader";
    case kStepTexture: return "loading a texture";
    case kStepFont: return "loading the overlay font";
    }
    return "starting";
}

} // namespace

void NoteStartFailure(EStartStep step, const std::string& path, const std::string& reason)
{
    if (!Recorded())
    {
        Recorded() = SStartFailure{step, path.empty() ? path : DisplayPath(NativePath(path)), reason};
    }
}

std::string StartFailureReason(const std::string& path, int problemsBefore, const std::string& otherwise)
{
    const std::string problem = path.empty() ? "" : FileProblem(NativePath(path));
    if (!problem.empty())
    {
        return problem;
    }
    if (ProblemCount() == problemsBefore)
    {
        return otherwise;
    }
    // The message names the file on a line of its own already.
    const std::string summary = LastProblemSummary();
    const std::string named = path.empty() ? "" : DisplayPath(NativePath(path)) + ": ";
    return !named.empty() && summary.compare(0, named.size(), named) == 0 ? summary.substr(named.size()) : summary;
}

bool StartFailed()
{
    return Recorded().has_value();
}

void ResetStartFailure()
{
    Recorded().reset();
}

std::string StartFailureMessage()
{
    const SStartFailure failure = Recorded().value_or(SStartFailure{kStepDevice, "", "unknown"});
    std::string text = "Tessavin could not start: " + std::string(StepWords(failure.Step)) + " failed.";
    if (!failure.Path.empty())
    {
        text += "\nFile: " + failure.Path;
    }
    text += "\nReason: " + failure.Reason;
    return text;
}

} // namespace gen
