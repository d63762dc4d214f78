#pragma once
// The frame tessavin-capture runs in the program's loop: input, resizes and
// file replacements fed at chosen frames, an optional fixed time step, the benchmark floor in
// place of the scene, back-buffer read-back of chosen frames, and the wall
// and CPU time of each frame's render and update.

#include "App/AppFrame.h"
#include "CaptureOptions.h"

#include <cstdint>
#include <map>
#include <vector>

namespace gen
{

class CInspector;
class CPassTimer;

struct SShot
{
    std::vector<std::uint8_t> Pixels; // rows top first, R, G, B, A
    std::uint32_t Width = 0, Height = 0;
};

class CCaptureFrame : public CFrame
{
public:
    // passes, if given, learns where each frame ends; inspector, if given,
    // is drawn over each frame while shown.
    CCaptureFrame(const SCaptureOptions& options, CPassTimer* passes, CInspector* inspector = nullptr);

    bool Continue() override;
    void Render(float t) override;
    void Update(float t) override;
    void DrawOverlay(float t, const char* filterName) override;
    void ReleaseDevice() override;

    int FramesRun() const { return Frame; }
    const std::vector<double>& WallSeconds() const { return Wall; }
    const std::vector<double>& CpuSeconds() const { return Cpu; }
    const std::map<int, SShot>& Shots() const { return ShotsTaken; }
    const SRunHealth& Health() const { return RunHealth; }
    // How many --replace copies failed (each named on standard error).
    int FailedReplaces() const { return ReplaceFailures; }
    // How many --set values the last frame could not apply (each named on
    // standard error at the end).
    int FailedSets() const;

private:
    struct SSpent
    {
        double Wall = 0.0, Cpu = 0.0;
    };

    static SSpent Now();
    void Spend(const SSpent& since);
    float Step(float measured) const;
    void ApplyInputDue();
    void ApplyReplacesDue();
    void ApplySets();
    void ApplyDropsDue();
    void CheckDevice(int frame);

    const SCaptureOptions& Options;
    CPassTimer* Passes;
    CInspector* Inspector;
    int Frame = 0;
    SSpent Spent;
    std::size_t NextKey = 0;
    std::size_t NextResize = 0;
    std::size_t NextReplace = 0;
    std::size_t NextDrop = 0;
    int ReplaceFailures = 0;
    std::vector<int> SetResults; // ETuneResult of each --set, last applied
    std::vector<double> Wall, Cpu;
    std::map<int, SShot> ShotsTaken;
    SRunHealth RunHealth;
};

} // namespace gen
