#pragma once
// Dear ImGui's draw lists onto the device's back buffer, through ImGui's own
// OpenGL 3 back end. The back end saves every GL state it changes and puts
// it back after drawing, so the state the device caches stays true.

struct ImDrawData;

namespace gen
{

// With the device's GL context current and an ImGui context made. False
// when the back end cannot start (no GL library to load its entry points from).
bool UiRendererStart();
void UiRendererStop();
void UiRendererNewFrame();
// Draws onto the back buffer (the current render target), whose memory rows
// run top first; the draw data is turned over to match.
void UiRendererDraw(ImDrawData* data);

} // namespace gen
