#pragma once
// Words for what is wrong with a data file, for the messages and problem
// lines that name it.

#include <string>

namespace gen
{

// The full path of path (native separators), for messages: a user who
// started the program from another folder sees which file was meant.
std::string DisplayPath(const std::string& path);

// Empty when path is a file that can be opened and holds something;
// otherwise why not: missing, a folder, empty, unreadable.
std::string FileProblem(const std::string& path);

// FileProblem(path), or otherwise when the file itself looks fine.
std::string FileProblemOr(const std::string& path, const std::string& otherwise);

// Reports a problem with the file at path: one line naming it in full and
// the reason, filed under the path.
void ReportFileProblem(const std::string& path, const std::string& reason, const std::string& details = "");

} // namespace gen
