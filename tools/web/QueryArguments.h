#pragma once
// The page's address as a command line: "?frames=60&press=2:49&floor" is
// "--frames 60 --press 2:49 --floor", so the page takes tessavin-capture's
// options.

#include <string>
#include <vector>

namespace gen
{

// The arguments (without a program name) of a query string, with or without
// its leading '?'. Names and values are percent-decoded ('+' is a space); a
// name without a value is a flag; empty parts are skipped.
std::vector<std::string> QueryArguments(const std::string& query);

} // namespace gen
