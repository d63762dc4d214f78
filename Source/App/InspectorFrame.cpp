#include "App/Inspector.h"

#include "App/SharedLink.h"
#include "Platform/UserFolder.h"
#include "Scene/Scene.h"

namespace gen
{

CInspectorFrame::CInspectorFrame() : Passes(false), Inspector(Passes, true), Settings(UserSettingsFolder())
{
    Settings.Load();
    Inspector.SetSettings(&Settings);
}

void CInspectorFrame::Render(float t)
{
    // The link is opened after the frame is made; its values start the run
    // as if chosen, and the panel may change them from there.
    if (!LinkValuesTaken)
    {
        for (const SLinkValue& value : SharedLinkValues())
        {
            Settings.Take(value.File, value.Name, value.Values);
        }
        LinkValuesTaken = true;
    }
    Settings.Apply();
    SceneRender(t);
    if (Inspector.IsShown())
    {
        Passes.EndFrame();
    }
}

bool CInspectorFrame::TakeEvent(const SWindowEvent& event)
{
    return Inspector.TakeEvent(event);
}

void CInspectorFrame::DrawOverlay(float t, const char* filterName)
{
    CFrame::DrawOverlay(t, filterName);
    Inspector.Draw(t);
}

void CInspectorFrame::ReleaseDevice()
{
    Inspector.ReleaseDevice();
}

} // namespace gen
