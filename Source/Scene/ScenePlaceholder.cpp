// Stand-in scene until the real one exists: a cleared frame with the overlay.
#include "Scene/Scene.h"

#include "App/Device.h"
#include "App/Overlay.h"

namespace gen
{

bool SceneSetup()
{
    return true;
}

void SceneRender(float t)
{
    if (Device->BeginScene())
    {
        Device->Clear(kClearTarget | kClearZBuffer | kClearStencil, ColourARGB(255, 40, 60, 90), 1.0f, 0);
        RenderOverlay(t);
        Device->EndScene();
    }
    Device->Present();
}

void SceneUpdate(float)
{
}

void SceneShutdown()
{
}

} // namespace gen
