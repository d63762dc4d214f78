#pragma once
// The standard .x templates the reader knows without registration, as .x
// text: the retained-mode set, the skinned-mesh export set and the mesh
// extension set, written from their published member lists and GUIDs.

namespace gen
{

extern const char kXStandardTemplates[];

} // namespace gen
