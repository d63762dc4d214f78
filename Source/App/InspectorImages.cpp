#include "App/InspectorSections.h"

#include "App/ImageProbe.h"
#include "Device/Device.h"
#include "Effects/PostProcess.h"
#include "Platform/CDevice.h"
#include "Scene/Scene.h"

#include <imgui.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace gen
{

namespace
{

constexpr float kMinZoom = 0.125f, kMaxZoom = 16.0f;

// One image the section can show: a texture (or the depth picture) and the
// rectangle of it that is the image.
struct SImage
{
    std::string Label;
    std::string Note; // what it is, or why it is not there
    CTexture* Texture = nullptr;
    bool Depth = false;
    STexelRect Rect;
    bool HasRect = false; // Rect set: a part of the texture; else all of it
    bool PolygonReads = false;
};

std::vector<SImage> FrameImages()
{
    std::vector<SImage> images;
    SImage scene;
    scene.Label = "scene texture";
    scene.Note = "The ordinary and polygon passes: the picture before the full-screen filter, which reads it.";
    scene.Texture = GetSceneTexture();
    images.push_back(scene);

    SImage copy;
    copy.Label = "scene copy for polygon post-processing";
    copy.Texture = GetPolyPostProcessSceneTexture();
    copy.PolygonReads = true;
    copy.Note = GetPolygonSceneReads().empty()
                    ? "No polygon post-processing surface was in view: nothing was copied this frame."
                    : "The ordinary pass, copied only inside the outlined rectangles; the rest is stale.";
    images.push_back(copy);

    for (const char* entity : SceneAreaEntities())
    {
        SImage area;
        area.Label = std::string("area filter source: ") + entity;
        area.Texture = GetSceneTexture();
        SAreaRect rect;
        if (area.Texture && SceneAreaRectangle(entity, rect))
        {
            area.Rect = TexelRectFromUV(rect.ULeft, rect.VTop, rect.URight, rect.VBottom, area.Texture->GetWidth(),
                                        area.Texture->GetHeight());
            area.HasRect = true;
            area.Note = "The part of the scene texture the heat haze on " + std::string(entity) + " reads.";
        }
        else
        {
            area.Texture = nullptr;
            area.Note = "Not drawn this frame (behind the camera or no such entity).";
        }
        images.push_back(area);
    }

    SImage filtered;
    filtered.Label = "after the full-screen filter";
    filtered.Texture = GetFilteredPicture();
    filtered.Note = filtered.Texture ? "Before the area filters and the overlay; copied only while this section is open."
                                     : "Copied from the next frame on, while this section is open.";
    images.push_back(filtered);

    SImage depth;
    depth.Label = "depth buffer";
    depth.Depth = true;
    depth.Note = *CDepthPicture::Unreadable()
                     ? CDepthPicture::Unreadable()
                     : "Read back whole each frame while shown; the depths drawn stretched from black (nearest) to "
                       "white, the cleared depth white.";
    images.push_back(depth);
    return images;
}

// The value under the pointer, as a tooltip.
void TexelTooltip(const SImage& image, const CDepthPicture& depth, std::uint32_t x, std::uint32_t y)
{
    ImGui::BeginTooltip();
    ImGui::Text("x %u y %u", x, y);
    if (image.Depth)
    {
        ImGui::Text("depth %.6f", static_cast<double>(depth.DepthAt(x, y)));
    }
    else
    {
        std::uint8_t rgba[4] = {};
        if (ReadTexel(image.Texture, x, y, rgba))
        {
            ImGui::TextUnformatted(TexelText(rgba).c_str());
        }
        else
        {
            ImGui::TextUnformatted("cannot be read");
        }
    }
    ImGui::EndTooltip();
}

} // namespace

void CImagesSection::Draw()
{
    const std::vector<SImage> images = FrameImages();
    Chosen = std::min(std::max(Chosen, 0), static_cast<int>(images.size()) - 1);
    for (int i = 0; i < static_cast<int>(images.size()); ++i)
    {
        ImGui::RadioButton(images[static_cast<std::size_t>(i)].Label.c_str(), &Chosen, i);
    }
    ImGui::SliderFloat("zoom", &Zoom, kMinZoom, kMaxZoom, "%.3fx", ImGuiSliderFlags_Logarithmic);
    const SImage& image = images[static_cast<std::size_t>(Chosen)];
    ImGui::TextWrapped("%s", image.Note.c_str());

    void* texture = nullptr;
    std::uint32_t width = 0, height = 0;
    if (image.Depth)
    {
        if (Device && Depth.Update(Device->GetBackBufferWidth(), Device->GetBackBufferHeight()))
        {
            texture = Depth.Texture();
            width = Depth.GetWidth();
            height = Depth.GetHeight();
        }
    }
    else if (image.Texture)
    {
        texture = UiTexture(image.Texture);
        width = image.Texture->GetWidth();
        height = image.Texture->GetHeight();
    }
    if (!image.Depth)
    {
        Depth.Release(); // its read-back costs a frame's worth only while it is shown
    }

    ImGui::SetNextWindowPos(ImVec2(396.0f, 72.0f), ImGuiCond_FirstUseEver);
    ImGui::SetNextWindowSize(ImVec2(560.0f, 440.0f), ImGuiCond_FirstUseEver);
    // The wheel zooms the image rather than scrolling it.
    ImGui::Begin("Image", nullptr, ImGuiWindowFlags_HorizontalScrollbar | ImGuiWindowFlags_NoScrollWithMouse);
    ImGui::TextUnformatted(image.Label.c_str());
    if (!texture || width == 0 || height == 0)
    {
        ImGui::TextUnformatted("Nothing to show.");
        ImGui::End();
        return;
    }
    const STexelRect rect = image.HasRect ? image.Rect : STexelRect{0, 0, width, height};
    const float w = static_cast<float>(width), h = static_cast<float>(height);
    const ImVec2 uv0(static_cast<float>(rect.X) / w, static_cast<float>(rect.Y) / h);
    const ImVec2 uv1(static_cast<float>(rect.X + rect.Width) / w, static_cast<float>(rect.Y + rect.Height) / h);
    ImGui::Text("%u x %u texels at %u, %u", rect.Width, rect.Height, rect.X, rect.Y);
    ImGui::Image(texture, ImVec2(static_cast<float>(rect.Width) * Zoom, static_cast<float>(rect.Height) * Zoom), uv0,
                 uv1);
    const ImVec2 topLeft = ImGui::GetItemRectMin();
    if (image.PolygonReads)
    {
        ImDrawList* draw = ImGui::GetWindowDrawList();
        for (const SPixelRect& read : GetPolygonSceneReads())
        {
            draw->AddRect(ImVec2(topLeft.x + static_cast<float>(read.Left) * Zoom,
                                 topLeft.y + static_cast<float>(read.Top) * Zoom),
                          ImVec2(topLeft.x + static_cast<float>(read.Right) * Zoom,
                                 topLeft.y + static_cast<float>(read.Bottom) * Zoom),
                          IM_COL32(255, 220, 0, 255));
        }
    }
    std::uint32_t x = 0, y = 0;
    const ImVec2 pointer = ImGui::GetIO().MousePos;
    if (ImGui::IsItemHovered() && TexelUnderPointer(rect, topLeft.x, topLeft.y, Zoom, pointer.x, pointer.y, x, y))
    {
        TexelTooltip(image, Depth, x, y);
    }
    const float wheel = ImGui::GetIO().MouseWheel;
    if (ImGui::IsItemHovered() && wheel != 0.0f)
    {
        // Two notches double it, and the point under the pointer stays there.
        const float zoom = std::min(std::max(Zoom * std::exp2(wheel * 0.5f), kMinZoom), kMaxZoom);
        const float grown = zoom / Zoom - 1.0f;
        ImGui::SetScrollX(ImGui::GetScrollX() + (pointer.x - topLeft.x) * grown);
        ImGui::SetScrollY(ImGui::GetScrollY() + (pointer.y - topLeft.y) * grown);
        Zoom = zoom;
    }
    ImGui::End();
}

} // namespace gen
