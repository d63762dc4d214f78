#pragma once
// The inspector's sections, each drawn inside the panel's ImGui window.

namespace gen
{

// Every tunable constant of every filter, with a reset to its default.
void DrawControlsSection();

} // namespace gen
