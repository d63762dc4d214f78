#include "App/InspectorSections.h"

#include "Common/Problems.h"

#include <imgui.h>

namespace gen
{

void DrawProblemsSection()
{
    const std::vector<SProblemReport> log = ProblemLog();
    if (log.empty())
    {
        ImGui::TextUnformatted("No problems in this run.");
        return;
    }
    ImGui::Text("%d reported in this run; standing ones in red.", ProblemCount());
    for (std::size_t i = log.size(); i-- > 0;)
    {
        const SProblemReport& report = log[i];
        ImGui::PushID(static_cast<int>(i));
        ImGui::PushStyleColor(ImGuiCol_Text, report.Standing ? ImVec4(1.0f, 0.45f, 0.35f, 1.0f)
                                                             : ImGui::GetStyleColorVec4(ImGuiCol_TextDisabled));
        const bool open = ImGui::TreeNode(report.Summary.c_str());
        ImGui::PopStyleColor();
        if (open)
        {
            ImGui::TextWrapped("%s", report.Details.empty() ? report.Summary.c_str() : report.Details.c_str());
            ImGui::TreePop();
        }
        ImGui::PopID();
    }
}

} // namespace gen
