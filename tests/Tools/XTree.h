#pragma once
// A small, independent reader of .x files (text and binary token forms) into a tree
// of objects with their numbers and strings, used to check the generated media.

#include <string>
#include <vector>

namespace gen
{

struct SXObject
{
    std::string Template;
    std::string Name;
    std::vector<double> Numbers;
    std::vector<std::string> Strings;
    std::vector<SXObject> Children;
};

// Parses the whole file; on failure returns false with a reason in `error`.
bool ReadXTree(const std::string& bytes, std::vector<SXObject>& objects, std::string& error);

} // namespace gen
