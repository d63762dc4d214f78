#pragma once
// The program's own place on disk, and the data search that starts from it
// (see Common/DataFolder.h).

#include <string>

namespace gen
{

// The folder of the running executable (UTF-8, links resolved), or empty when
// the system does not say.
std::string ExecutableFolder();

// Searches for the data from the working folder and the executable's folder;
// false when no candidate holds it (DataSearchList then says where it looked).
bool LocateProgramData();

} // namespace gen
