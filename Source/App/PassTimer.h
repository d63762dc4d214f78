#pragma once
// Device time of each frame pass from timestamp queries issued where the
// passes begin and end, and the screen rectangles of the area filters drawn
// in the last frame. A frame's queries are read once the next frame has been
// issued, so reading them rarely waits for the device. The capture tool keeps
// every frame's times; the inspector only the latest.

#include "Effects/FramePass.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace gen
{

class CTimestampQuery;

struct SPassReport
{
    std::vector<std::string> Names;             // passes in drawing order
    std::vector<std::vector<double>> FrameMs;   // per frame, one per name; negative: not run
    // Per area filter, its entity and [left, top, right, bottom] in pixels in
    // the last frame (empty: not drawn).
    std::vector<std::pair<std::string, std::vector<float>>> Areas;
};

class CPassTimer : public CFramePassListener
{
public:
    // everyFrame: Report() keeps every frame's times, not only the last.
    explicit CPassTimer(bool everyFrame = true);
    ~CPassTimer() override;
    CPassTimer(const CPassTimer&) = delete;
    CPassTimer& operator=(const CPassTimer&) = delete;

    void PassBegins(EFramePass pass, const char* entity) override;
    void PassEnds(EFramePass pass, const char* entity) override;

    // After each frame: reads the previous frame's times.
    void EndFrame();
    // After the last frame, while the device lives: reads the rest and
    // releases the queries.
    void Finish();

    const SPassReport& Report() const { return Results; }
    // False once the device has been asked for a query and had none.
    bool HasQueries() const { return !NoQueries; }

private:
    struct SPending
    {
        std::size_t Slot;
        CTimestampQuery* Begin;
        CTimestampQuery* End;
    };

    std::size_t SlotOf(EFramePass pass, const char* entity);
    CTimestampQuery* Issue();
    void Read(std::vector<SPending>& frame);

    SPassReport Results;
    bool EveryFrame;
    bool NoQueries = false;
    std::vector<SPending> Issued;   // this frame's
    std::vector<SPending> Previous; // the frame before, not read yet
    bool PreviousPending = false;
    std::vector<CTimestampQuery*> Spare;
    std::vector<std::vector<float>> AreasThisFrame; // per Results.Areas entry
};

} // namespace gen
