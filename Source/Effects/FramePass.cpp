#include "Effects/FramePass.h"

namespace gen
{

namespace
{
CFramePassListener* Listener = nullptr;
} // namespace

const char* FramePassName(EFramePass pass)
{
    switch (pass)
    {
    case kPassOrdinary: return "ordinary";
    case kPassSceneCopy: return "scene_copy";
    case kPassPolygon: return "polygon";
    case kPassFilter: return "filter";
    case kPassArea: return "area";
    case kPassOverlay: return "overlay";
    case kPassPresent: return "present";
    case kPassInspector: return "inspector";
    }
    return "";
}

void SetFramePassListener(CFramePassListener* listener)
{
    Listener = listener;
}

CFramePass::CFramePass(EFramePass pass, const char* entity) : Pass(pass), Entity(entity)
{
    if (Listener)
    {
        Listener->PassBegins(Pass, Entity);
    }
}

CFramePass::~CFramePass()
{
    if (Listener)
    {
        Listener->PassEnds(Pass, Entity);
    }
}

} // namespace gen
