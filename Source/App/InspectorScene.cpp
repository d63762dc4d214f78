#include "App/InspectorSections.h"

#include "Camera/CCamera.h"
#include "Entities/CEntityManager.h"
#include "Mesh/CMesh.h"
#include "Methods/RenderMethodInfo.h"
#include "Scene/Scene.h"

#include <imgui.h>

#include <string>

namespace gen
{

namespace
{

// The distinct render methods of a mesh's materials, in material order.
std::string MeshMethods(const CMesh& mesh)
{
    if (!mesh.IsLoaded())
    {
        return "(not loaded)";
    }
    std::string methods;
    for (std::uint32_t i = 0; i < mesh.GetNumMaterials(); ++i)
    {
        const std::string name = RenderMethodName(mesh.GetMaterial(i).RenderMethod);
        if ((", " + methods + ", ").find(", " + name + ", ") == std::string::npos)
        {
            methods += (methods.empty() ? "" : ", ") + name;
        }
    }
    return methods;
}

void PositionCell(const CVector3& p)
{
    ImGui::Text("%.1f %.1f %.1f", static_cast<double>(p.x), static_cast<double>(p.y), static_cast<double>(p.z));
}

} // namespace

void DrawSceneSection()
{
    if (const CCamera* camera = GetSceneCamera())
    {
        const CVector3 p = camera->GetPosition();
        ImGui::Text("Camera at %.1f %.1f %.1f, moving %.0f units/s (F2-F5)", static_cast<double>(p.x),
                    static_cast<double>(p.y), static_cast<double>(p.z), static_cast<double>(CameraMoveSpeed));
    }
    else
    {
        ImGui::TextUnformatted("No camera.");
    }
    const CEntityManager& manager = GetEntityManager();
    ImGui::Text("%u entities", manager.GetNumEntities());
    const ImGuiTableFlags flags = ImGuiTableFlags_RowBg | ImGuiTableFlags_BordersInnerV | ImGuiTableFlags_Resizable |
                                  ImGuiTableFlags_ScrollX | ImGuiTableFlags_ScrollY;
    const float height = ImGui::GetTextLineHeightWithSpacing() * 12.0f;
    if (!ImGui::BeginTable("entities", 5, flags, ImVec2(0.0f, height)))
    {
        return;
    }
    ImGui::TableSetupScrollFreeze(1, 1);
    for (const char* column : {"entity", "template", "mesh", "render methods", "position"})
    {
        ImGui::TableSetupColumn(column, ImGuiTableColumnFlags_WidthFixed);
    }
    ImGui::TableHeadersRow();
    for (std::uint32_t i = 0; i < manager.GetNumEntities(); ++i)
    {
        const CEntity& entity = *manager.GetEntityAt(i);
        const CEntityTemplate& entityTemplate = *entity.GetTemplate();
        ImGui::TableNextRow();
        ImGui::TableNextColumn();
        ImGui::TextUnformatted(entity.GetName().c_str());
        ImGui::TableNextColumn();
        ImGui::TextUnformatted(entityTemplate.GetName().c_str());
        ImGui::TableNextColumn();
        ImGui::TextUnformatted(entityTemplate.GetMeshFile().c_str());
        ImGui::TableNextColumn();
        ImGui::TextUnformatted(MeshMethods(*entityTemplate.GetMesh()).c_str());
        ImGui::TableNextColumn();
        PositionCell(entity.Matrix().GetPosition());
    }
    ImGui::EndTable();
}

} // namespace gen
