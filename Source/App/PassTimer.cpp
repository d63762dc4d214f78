#include "App/PassTimer.h"

#include "Device/Device.h"
#include "Effects/PostProcessMath.h"
#include "Scene/Scene.h"

namespace gen
{

namespace
{

std::string SlotName(EFramePass pass, const char* entity)
{
    std::string name = FramePassName(pass);
    return entity ? name + "_" + entity : name;
}

} // namespace

// The passes of the scene in drawing order, each of its areas with a slot
// from the start so that one never drawn still appears; an area of another
// entity joins the list when first seen.
CPassTimer::CPassTimer(bool everyFrame) : EveryFrame(everyFrame)
{
    for (EFramePass pass : {kPassOrdinary, kPassSceneCopy, kPassPolygon, kPassFilter})
    {
        Results.Names.push_back(FramePassName(pass));
    }
    for (const char* entity : SceneAreaEntities())
    {
        Results.Names.push_back(SlotName(kPassArea, entity));
        Results.Areas.emplace_back(entity, std::vector<float>());
    }
    Results.Names.push_back(FramePassName(kPassOverlay));
    Results.Names.push_back(FramePassName(kPassPresent));
    AreasThisFrame.resize(Results.Areas.size());
}

CPassTimer::~CPassTimer()
{
    Finish();
}

std::size_t CPassTimer::SlotOf(EFramePass pass, const char* entity)
{
    const std::string name = SlotName(pass, entity);
    for (std::size_t slot = 0; slot < Results.Names.size(); ++slot)
    {
        if (Results.Names[slot] == name)
        {
            return slot;
        }
    }
    Results.Names.push_back(name);
    if (pass == kPassArea)
    {
        Results.Areas.emplace_back(entity, std::vector<float>());
        AreasThisFrame.emplace_back();
    }
    return Results.Names.size() - 1;
}

CTimestampQuery* CPassTimer::Issue()
{
    CTimestampQuery* query = nullptr;
    if (!Spare.empty())
    {
        query = Spare.back();
        Spare.pop_back();
    }
    else if (Device)
    {
        query = Device->CreateTimestampQuery();
        NoQueries = NoQueries || !query;
    }
    if (query)
    {
        query->Issue();
    }
    return query;
}

void CPassTimer::PassBegins(EFramePass pass, const char* entity)
{
    Issued.push_back({SlotOf(pass, entity), Issue(), nullptr});
    if (pass != kPassArea || !entity)
    {
        return;
    }
    // Where the area filter about to be drawn lies, from the same camera and
    // entity positions it is drawn with.
    for (std::size_t area = 0; area < Results.Areas.size(); ++area)
    {
        SAreaRect rect;
        if (Results.Areas[area].first == entity && SceneAreaRectangle(entity, rect))
        {
            AreasThisFrame[area] = {rect.Left, rect.Top, rect.Right, rect.Bottom};
        }
    }
}

void CPassTimer::PassEnds(EFramePass pass, const char* entity)
{
    const std::size_t slot = SlotOf(pass, entity);
    for (auto it = Issued.rbegin(); it != Issued.rend(); ++it)
    {
        if (it->Slot == slot && !it->End)
        {
            it->End = Issue();
            return;
        }
    }
}

void CPassTimer::Read(std::vector<SPending>& frame)
{
    std::vector<double> ms(Results.Names.size(), -1.0);
    for (SPending& pass : frame)
    {
        std::uint64_t begin = 0, end = 0;
        if (pass.Begin && pass.End && pass.Begin->GetTime(begin, true) && pass.End->GetTime(end, true))
        {
            const double spent = end > begin ? static_cast<double>(end - begin) * 1e-6 : 0.0;
            ms[pass.Slot] = (ms[pass.Slot] < 0.0 ? 0.0 : ms[pass.Slot]) + spent;
        }
        for (CTimestampQuery* query : {pass.Begin, pass.End})
        {
            if (query)
            {
                Spare.push_back(query);
            }
        }
    }
    frame.clear();
    if (!EveryFrame)
    {
        Results.FrameMs.clear();
    }
    Results.FrameMs.push_back(std::move(ms));
}

void CPassTimer::EndFrame()
{
    if (PreviousPending)
    {
        Read(Previous);
    }
    Previous.swap(Issued);
    PreviousPending = true;
    for (std::size_t area = 0; area < Results.Areas.size(); ++area)
    {
        Results.Areas[area].second = AreasThisFrame[area];
        AreasThisFrame[area].clear();
    }
}

void CPassTimer::Finish()
{
    if (PreviousPending)
    {
        Read(Previous);
        PreviousPending = false;
    }
    for (SPending& pass : Issued)
    {
        SafeRelease(pass.Begin);
        SafeRelease(pass.End);
    }
    Issued.clear();
    for (CTimestampQuery*& query : Spare)
    {
        SafeRelease(query);
    }
    Spare.clear();
}

} // namespace gen
