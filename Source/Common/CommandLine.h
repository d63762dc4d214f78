#pragma once
// Every program's command line goes through CLI11: --help, --version (one
// line: the project's name, its one version number and its licence) and a
// clear message for an unknown or malformed option.

#include <CLI/CLI.hpp>

namespace gen
{

// What every program's --version prints (the version comes from
// project(... VERSION ...) in the top CMakeLists.txt).
inline constexpr const char* kVersionText = "Tessavin " TESSAVIN_VERSION " (MIT License)";

// Adds the --version flag that prints kVersionText.
inline void AddVersionFlag(CLI::App& app)
{
    app.set_version_flag("--version", kVersionText);
}

// Adds --version to app and parses argv. Returns -1 when the program goes
// on; otherwise the status to exit with after CLI11 has printed the help,
// the version or the error: 0 for the first two, 2 for an error (what the
// capture tool's errors exit with too).
inline int ParseCommandLine(CLI::App& app, int argc, const char* const* argv)
{
    AddVersionFlag(app);
    // On Windows CLI11 would read "/name" as an option; here it is a path.
    app.allow_windows_style_options(false);
    try
    {
        app.parse(argc, argv);
        return -1;
    }
    catch (const CLI::ParseError& e)
    {
        return app.exit(e) == 0 ? 0 : 2;
    }
}

} // namespace gen
