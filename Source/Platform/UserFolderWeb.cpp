// The page has no user folder: files the user gives it (dropped onto the
// page) are its own way in, not a folder on disk.
#include "Platform/UserFolder.h"

namespace gen
{

std::string UserDataFolder()
{
    return "";
}

std::string UserSettingsFolder()
{
    return "";
}

} // namespace gen
