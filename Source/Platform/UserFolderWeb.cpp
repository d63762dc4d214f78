// The page has no user folder: files the user gives it (dropped onto the
// page) are its own way in, not a folder on disk. Its settings are a folder
// of the page's memory that the page keeps in the browser's local storage.
#include "Platform/UserFolder.h"

namespace gen
{

std::string UserDataFolder()
{
    return "";
}

std::string UserSettingsFolder()
{
    return "/settings";
}

} // namespace gen
