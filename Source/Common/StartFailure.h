#pragma once
// Why the program could not start: the step that failed, the file it was
// working on and the reason, kept so that the start-up can say so in one
// message box before it skips to shutdown.

#include <string>

namespace gen
{

enum EStartStep
{
    kStepDevice,
    kStepLevel,
    kStepShader,
    kStepTexture,
    kStepFont,
};

struct SStartFailure
{
    EStartStep Step = kStepDevice;
    std::string Path;   // the file concerned, in full (empty: none)
    std::string Reason; // in words
};

extern const char* const kStartFailureCaption;

// Records why a start-up step failed. The first record stands: a later
// failure is a consequence of it.
void NoteStartFailure(EStartStep step, const std::string& path, const std::string& reason);

// The reason for a failure with path: what is wrong with the file itself,
// else the latest problem reported since the count of reports was
// problemsBefore (a compiler's or decoder's words), else otherwise.
std::string StartFailureReason(const std::string& path, int problemsBefore, const std::string& otherwise);

// Whether a failure is recorded, and forgetting it (a new run, tests).
bool StartFailed();
void ResetStartFailure();

// The text of the start-up failure message: the step, the file and why.
std::string StartFailureMessage();

} // namespace gen
