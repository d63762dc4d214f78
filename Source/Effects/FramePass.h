#pragma once
// The passes of a frame, marked where they begin and end so that a measuring
// tool can time them on the device. The program itself installs no listener;
// a mark then costs one test.

namespace gen
{

enum EFramePass : int
{
    kPassOrdinary,  // the entities into the scene texture
    kPassSceneCopy, // the copy of it that polygon post-processing surfaces read
    kPassPolygon,   // the polygon post-processing surfaces
    kPassFilter,    // the full-screen filter onto the back buffer
    kPassArea,      // one area filter (its entity's name comes with the mark)
    kPassOverlay,
    kPassPresent,
    kPassInspector, // the inspector panel, inside the overlay pass
};

// "ordinary", "scene_copy", "polygon", "filter", "area", "overlay", "present",
// "inspector".
const char* FramePassName(EFramePass pass);

class CFramePassListener
{
public:
    virtual ~CFramePassListener() = default;
    // entity names the area of a kPassArea mark; null for the other passes.
    virtual void PassBegins(EFramePass pass, const char* entity) = 0;
    virtual void PassEnds(EFramePass pass, const char* entity) = 0;
};

// Null removes the listener.
void SetFramePassListener(CFramePassListener* listener);

// Marks a pass for as long as it lives.
class CFramePass
{
public:
    explicit CFramePass(EFramePass pass, const char* entity = nullptr);
    ~CFramePass();
    CFramePass(const CFramePass&) = delete;
    CFramePass& operator=(const CFramePass&) = delete;

private:
    EFramePass Pass;
    const char* Entity;
};

} // namespace gen
