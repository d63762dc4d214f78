#pragma once
// Where the program's data lives: the folder that holds the level file
// "Entities.xml", the meshes and textures under "Media\" and the shaders under
// "Source\Render\". The program may be started from any folder, from a build
// tree or from an installed copy, so the data is searched for once at start-up
// and every data file is then opened through DataPath.

#include <string>
#include <vector>

namespace gen
{

// True when the folder holds at least two of Entities.xml, Media and
// Source/Render. A data folder that lacks one part is still the user's data:
// taking it lets the missing part be reported, where looking on would
// silently draw other data. One part alone is not enough (a build tree's
// Source/Render, a home folder's Media).
bool HoldsData(const std::string& folder);

// Where a build tree was configured (its own folder and the source folder it
// was configured from); empty in installed builds.
struct SBuildTree
{
    std::string BuildFolder;
    std::string SourceFolder;
};

// The folders to search, in order: the working folder, the executable's
// folder, every folder above it (nearest first; build trees keep the data at
// the top), then "../share/tessavin" beside the executable's folder (the
// installed layout), and last, only for an executable inside the build tree,
// the source folder it was configured from (an out-of-tree build). Folders
// named twice are kept once.
std::vector<std::string> DataFolderCandidates(const std::string& workingFolder, const std::string& executableFolder,
                                              const SBuildTree& buildTree = SBuildTree());

// Makes the first candidate that holds the data the data folder and returns
// true; returns false when none does (data names then stay relative to the
// working folder). The candidates are kept for DataSearchList.
bool LocateDataFolder(const std::vector<std::string>& candidates);

// The folder found by LocateDataFolder, empty before it or when it found none.
const std::string& DataFolder();

// The native path of a data name such as "Media\Stone.png" inside the data
// folder. An absolute name, or any name before a data folder is found, only
// has its separators made native.
std::string DataPath(const std::string& name);

// A file named on a command line, made absolute against the working folder
// (so that the data lookup does not take it for a data name).
std::string AbsolutePath(const std::string& path);

// The data name of a mesh or texture a level or mesh names: "Media\" +
// name, or name itself when it is an absolute path (a file given from
// outside the data: --mesh, a file dropped on the window).
std::string MediaName(const std::string& name);

// Files in folder, when one is set, are taken before the data folder's of
// the same name (folders are not): a shared link's shaders live there for
// one run, leaving the user's data as it was. Empty: none.
void SetDataOverlay(const std::string& folder);
const std::string& DataOverlay();

// Where the last LocateDataFolder looked, as "A, B, C".
std::string DataSearchList();

// Empty when the data was found or not searched for; else the start-up
// failure's likely cause:
// "could not find the data (Entities.xml, Media, Source/Render); looked in: A, B, C",
// the folder written with the system's separator.
std::string MissingDataMessage();

} // namespace gen
