// The XDG base directory convention: $XDG_DATA_HOME, or ~/.local/share when
// it is unset or not absolute; $XDG_CONFIG_HOME or ~/.config the same way.
#include "Platform/UserFolder.h"

#include <cstdlib>

namespace gen
{

namespace
{

std::string XdgFolder(const char* variable, const char* fallback)
{
    const char* folder = std::getenv(variable);
    if (folder && folder[0] == '/')
    {
        return std::string(folder) + "/tessavin";
    }
    const char* home = std::getenv("HOME");
    if (home && home[0] != '\0')
    {
        return std::string(home) + fallback + "/tessavin";
    }
    return "";
}

} // namespace

std::string UserDataFolder()
{
    return XdgFolder("XDG_DATA_HOME", "/.local/share");
}

std::string UserSettingsFolder()
{
    return XdgFolder("XDG_CONFIG_HOME", "/.config");
}

} // namespace gen
