#pragma once
// File names written on Windows, whose file systems ignore case: levels and
// .x files name "earth.X" for "Earth.x" or "crate.PNG" for "Crate.png". On a
// case-sensitive file system such a name is looked up again, folder by
// folder, without regard to case (Latin, Greek and Cyrillic letters).

#include <string>

namespace gen
{

enum ECaseMatch
{
    kCaseExact,     // the name is on disk as written
    kCaseMatched,   // one name on disk differs from it only in case
    kCaseMissing,   // nothing matches, in any case
    kCaseAmbiguous, // two or more names on disk match it in one folder
};

struct SCaseMatch
{
    ECaseMatch Result = kCaseMissing;
    // kCaseExact, kCaseMatched: the path of the file on disk, folder / name
    // with the case found there (UTF-8, native separators).
    std::string Path;
    // kCaseAmbiguous: the clashing names on disk, as "A, B".
    std::string Clash;
};

// Looks for the relative name (native separators) inside folder; the exact
// name first, then each of its parts without regard to case.
SCaseMatch MatchNameCase(const std::string& folder, const std::string& name);

// True when the two UTF-8 names are equal but for the case of their letters.
bool EqualIgnoringCase(const std::string& a, const std::string& b);

} // namespace gen
