#pragma once
// The inspector's sections, each drawn inside the panel's ImGui window.

namespace gen
{

class CTunableSettings;

// Every tunable constant of every filter, with a reset to its default; what
// a person chooses is kept in settings, if given.
void DrawControlsSection(CTunableSettings* settings);

// Every load and compile problem of the run, newest first, with its full text.
void DrawProblemsSection();

} // namespace gen
