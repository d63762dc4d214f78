#pragma once
// Full-screen filters of the user's own: every .fx, .hlsl and .psh file in
// the data folder's Filters/ and in the user's (Platform/UserFolder.h)
// becomes a filter after the built-in ones, named after its file, in name
// order. Files come and go, and change, while the program runs: the folders
// are looked at on the shader library's beat, and the files are compiled
// through it, so an edit shows as any shader's does and a broken file is a
// problem of its own while the others draw.
//
// Shaders written for other hosts run unchanged:
// - the scene is the sampler of stage 0 (register s0, else the first one
//   declared); TEXCOORD0 runs from 0 to 1 across the scene;
// - media-player pixel shaders' p0 = (width, height, frame counter, clock)
//   and p1 = (1 / width, 1 / height, 0, 0);
// - our own names, in any case: Time, ScreenSize (width, height, 1 / width,
//   1 / height), TexelSize (1 / width, 1 / height), FrameCount;
// - an effect file's first technique's first pass names the entry and its
//   literal arguments; its blend states are honoured and the scene
//   sampler's filter and address states, other states noted once as unused.
//   A plain file's entry is main.

#include "Device/ShaderLibrary.h"

#include <string>
#include <vector>

namespace gen
{

class CConstantTable;

// The first user filter's number among EPostProcess values; user filter i
// is kFirstUserFilter + i.
constexpr int kFirstUserFilter = 16;

struct SUserFilterFile
{
    std::string Name; // the file's name without its extension
    std::string Path;
};

// True for a file a filter is read from: .fx, .hlsl or .psh, in any case.
bool IsUserFilterFile(const std::string& path);

// The filter files of folders, by name (case-insensitive; a name in an
// earlier folder first). Missing folders give nothing.
std::vector<SUserFilterFile> ListFilterFiles(const std::vector<std::string>& folders);

// The folders looked in: the data folder's Filters, the user's, and any
// added (the browser's files given to the page).
std::vector<std::string> UserFilterFolders();
void AddUserFilterFolder(const std::string& folder);
void RemoveUserFilterFolder(const std::string& folder);

// How a filter file is compiled (ShaderLibrary's chooser): an effect file's
// first technique's first pass's pixel shader, else main.
SShaderEntry ChooseFilterEntry(const std::string& path, const std::string& text);

// Looks at the folders again when the shader library has looked at its
// files since the last call, and advances the clock the shaders are given.
// Returns current (a filter's number) renumbered for the new list: the same
// file's, or none (0) when its file went away.
int UpdateUserFilters(float updateTime, int current);
// Releases the filters' shaders (device reset, shut-down); the next update
// loads them again.
void ReleaseUserFilters();

int UserFilterCount();
// "" when out of range.
std::string UserFilterName(int index);

// The file's name with its extension ("Sepia.fx"); "" when out of range.
std::string UserFilterFileName(int index);
// The filter's constants; null while it has no good version or out of range.
CConstantTable* UserFilterConstantTable(int index);
// Whether it has drawn since its constants were made, so that those the
// program sets (p0, Time...) are known.
bool UserFilterDrawn(int index);

// Sets the filter's shader, constants and states for a full-screen draw of
// the scene texture at stage 0; false (nothing set) when it has no good
// version.
bool ApplyUserFilter(int index);

// The filter after (step 1) or before (step -1) current in the order none,
// the built-in full-screen filters, the user's, wrapping around.
int StepFilter(int current, int step, int userCount);

} // namespace gen
