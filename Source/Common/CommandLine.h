#pragma once
// Every program's command line goes through CLI11: --help, --version (one
// line: the project's name, its one version number and its licence) and a
// clear message for an unknown or malformed option.

#include "Common/Utf8System.h"

#include <CLI/CLI.hpp>

#include <iostream>
#include <sstream>
#include <string>
#include <vector>

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

// app.parse with the arguments as UTF-8 on every system, as paths are
// everywhere else (Common/Utf8System.h).
inline void ParseUtf8Arguments(CLI::App& app, int argc, const char* const* argv)
{
    const std::vector<std::string> arguments = CommandLineArguments(argc, argv);
    std::vector<const char*> pointers;
    for (const std::string& argument : arguments)
    {
        pointers.push_back(argument.c_str());
    }
    app.parse(static_cast<int>(pointers.size()), pointers.data());
}

// Adds --version to app and parses argv. Returns -1 when the program goes
// on; otherwise the status to exit with after CLI11 has printed the help,
// the version or the error: 0 for the first two, 2 for an error (what the
// capture tool's errors exit with too).
// problem, when given, also receives the error's words (a windowed program,
// which has no console, shows them in a message box).
inline int ParseCommandLine(CLI::App& app, int argc, const char* const* argv, std::string* problem = nullptr)
{
    AddVersionFlag(app);
    // On Windows CLI11 would read "/name" as an option; here it is a path.
    app.allow_windows_style_options(false);
    try
    {
        ParseUtf8Arguments(app, argc, argv);
        return -1;
    }
    catch (const CLI::ParseError& e)
    {
        std::ostringstream error;
        const int status = app.exit(e, std::cout, error) == 0 ? 0 : 2;
        std::cerr << error.str() << std::flush;
        if (problem)
        {
            *problem = error.str();
        }
        return status;
    }
}

} // namespace gen
