#pragma once
// Device time of each frame pass from timestamp queries issued where the
// passes begin and end, and the screen rectangles of the area filters drawn
// in the last frame. A frame's queries are read once the next frame has been
// issued, so reading them rarely waits for the device.

#include "CaptureOptions.h"
#include "Effects/FramePass.h"

#include <cstdint>
#include <string>
#include <vector>

namespace gen
{

class CTimestampQuery;

class CPassTimer : public CFramePassListener
{
public:
    CPassTimer();
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
    std::vector<SPending> Issued;   // this frame's
    std::vector<SPending> Previous; // the frame before, not read yet
    bool PreviousPending = false;
    std::vector<CTimestampQuery*> Spare;
    std::vector<std::vector<float>> AreasThisFrame; // per Results.Areas entry
};

} // namespace gen
