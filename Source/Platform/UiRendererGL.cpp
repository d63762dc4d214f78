#include "Platform/UiRenderer.h"

#include "GlProfile.h"

#include <imgui.h>
#include <backends/imgui_impl_opengl3.h>

namespace gen
{

namespace
{

bool gStarted = false;

// ImGui draws for a window whose bottom row is GL's row 0; the device's back
// buffer keeps its top row there and turns the image over when presenting.
// Turning the vertices and clip rectangles over puts the panel the right way up.
void TurnOver(ImDrawData* data)
{
    const float top = data->DisplayPos.y;
    const float bottom = data->DisplayPos.y + data->DisplaySize.y;
    for (int list = 0; list < data->CmdListsCount; ++list)
    {
        ImDrawList* drawList = data->CmdLists[list];
        for (ImDrawVert& vertex : drawList->VtxBuffer)
        {
            vertex.pos.y = top + bottom - vertex.pos.y;
        }
        for (ImDrawCmd& command : drawList->CmdBuffer)
        {
            const float clipTop = command.ClipRect.y;
            command.ClipRect.y = top + bottom - command.ClipRect.w;
            command.ClipRect.w = top + bottom - clipTop;
        }
    }
}

} // namespace

bool UiRendererStart()
{
    if (!gStarted)
    {
        gStarted = ImGui_ImplOpenGL3_Init(kGlEs ? "#version 300 es" : "#version 330 core");
    }
    return gStarted;
}

void UiRendererStop()
{
    if (gStarted)
    {
        ImGui_ImplOpenGL3_Shutdown();
        gStarted = false;
    }
}

void UiRendererNewFrame()
{
    ImGui_ImplOpenGL3_NewFrame();
}

void UiRendererDraw(ImDrawData* data)
{
    if (!gStarted || !data)
    {
        return;
    }
    TurnOver(data);
    ImGui_ImplOpenGL3_RenderDrawData(data);
}

} // namespace gen
