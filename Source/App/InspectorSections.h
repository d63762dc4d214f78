#pragma once
// The inspector's sections, each drawn inside the panel's ImGui window.

#include "Platform/UiRenderer.h"

namespace gen
{

class CTunableSettings;

// Every tunable constant of every filter, with a reset to its default; what
// a person chooses is kept in settings, if given.
void DrawControlsSection(CTunableSettings* settings);

// The entities (name, template, mesh, render methods, position) and the camera.
void DrawSceneSection();

// The frame's intermediate images, one at a time in a window of its own,
// zoomed, with the value of the texel under the pointer.
class CImagesSection
{
public:
    // Inside the panel's window: the choice of image and the zoom; then the
    // image's own window.
    void Draw();
    // Before the device goes.
    void ReleaseDevice() { Depth.Release(); }

private:
    int Chosen = 0;
    float Zoom = 1.0f;
    CDepthPicture Depth;
};

// Every load and compile problem of the run, newest first, with its full text.
void DrawProblemsSection();

} // namespace gen
