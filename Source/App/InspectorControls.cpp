#include "App/InspectorSections.h"

#include "App/TunableSettings.h"
#include "App/Tunables.h"
#include "Platform/CShader.h"
#include "Platform/ConstantControl.h"

#include <imgui.h>

#include <string>

namespace gen
{

namespace
{

// One control; true when the person changed the value.
bool DrawControl(const SConstantControl& control, float* values)
{
    const int components = static_cast<int>(control.Components);
    const char* label = control.Label.c_str();
    if (control.Kind == kControlColour)
    {
        return components == 3 ? ImGui::ColorEdit3(label, values, ImGuiColorEditFlags_Float)
                               : ImGui::ColorEdit4(label, values, ImGuiColorEditFlags_Float);
    }
    if (control.Kind == kControlSlider)
    {
        return ImGui::SliderScalarN(label, ImGuiDataType_Float, values, components, &control.Min, &control.Max,
                                    control.Integer ? "%.0f" : "%.3f");
    }
    return ImGui::DragScalarN(label, ImGuiDataType_Float, values, components, control.Step, nullptr, nullptr,
                              control.Integer ? "%.0f" : "%.3f");
}

} // namespace

void DrawControlsSection(CTunableSettings* settings)
{
    const std::vector<STunableTable> tunables = TunableTables();
    bool materialsNamed = false;
    for (std::size_t index = 0; index < tunables.size(); ++index)
    {
        const STunableTable& tunable = tunables[index];
        CConstantTable& table = *tunable.Table;
        const std::vector<SShaderConstant>& constants = table.GetConstants();
        if (!tunable.Drawn)
        {
            continue;
        }
        // A user's file may share a built-in one's name.
        ImGui::PushID(static_cast<int>(index));
        bool open = false;
        for (std::size_t handle = 0; handle < constants.size(); ++handle)
        {
            const auto h = static_cast<CConstantTable::THandle>(handle);
            SConstantControl control;
            if (table.IsSetByProgram(h) || !MakeConstantControl(constants[handle], control))
            {
                continue;
            }
            if (!open && tunable.Material && !materialsNamed)
            {
                // The render methods' shaders follow the filters'.
                ImGui::Separator();
                ImGui::TextDisabled("Materials");
                materialsNamed = true;
            }
            if (!open && !ImGui::TreeNodeEx(tunable.File.c_str(), ImGuiTreeNodeFlags_DefaultOpen))
            {
                break;
            }
            open = true;
            float values[4] = {};
            table.GetFloatArray(h, values, control.Components);
            ImGui::PushID(static_cast<int>(handle));
            if (ImGui::Button("Reset"))
            {
                SetTunable(tunable, control.Name, control.Default.data(), control.Components);
                if (settings)
                {
                    settings->Forget(tunable.File, control.Name);
                }
            }
            ImGui::SameLine();
            if (DrawControl(control, values))
            {
                SetTunable(tunable, control.Name, values, control.Components);
                if (settings)
                {
                    settings->Choose(tunable.File, control.Name, std::vector<float>(values, values + control.Components));
                }
            }
            ImGui::PopID();
        }
        if (open)
        {
            ImGui::TreePop();
        }
        ImGui::PopID();
    }
}

} // namespace gen
