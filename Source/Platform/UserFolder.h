#pragma once
// The user's own folder for the program's data (filters of their own), by
// each system's convention; nothing is created there.

#include <string>

namespace gen
{

// $XDG_DATA_HOME/tessavin (by default ~/.local/share/tessavin) on Linux,
// %APPDATA%\Tessavin on Windows; empty where there is none (the browser,
// whose user files come from the page instead).
std::string UserDataFolder();

// The user's settings: $XDG_CONFIG_HOME/tessavin (by default
// ~/.config/tessavin) on Linux, %APPDATA%\Tessavin on Windows; in the
// browser "/settings", which the page fills from local storage and saves back.
std::string UserSettingsFolder();

} // namespace gen
