// The XDG base directory convention: $XDG_DATA_HOME, or ~/.local/share when
// it is unset or not absolute.
#include "Platform/UserFolder.h"

#include <cstdlib>

namespace gen
{

std::string UserDataFolder()
{
    const char* data = std::getenv("XDG_DATA_HOME");
    if (data && data[0] == '/')
    {
        return std::string(data) + "/tessavin";
    }
    const char* home = std::getenv("HOME");
    if (home && home[0] != '\0')
    {
        return std::string(home) + "/.local/share/tessavin";
    }
    return "";
}

} // namespace gen
