#pragma once
// File names in the data and in the program are written the way the level
// and material files give them, with '\' as the folder separator
// ("Media\Stone.png", "Source\Render\XFormOnly.vsh"). Every file access goes
// through NativePath so that those strings open the same files here; data
// files through DataPath (Common/DataFolder.h), which also puts them in the
// data folder.

#include <string>

namespace gen
{

// The path with each '\' replaced by '/', which every system we build for
// accepts as the separator.
inline std::string NativePath(std::string path)
{
    for (char& c : path)
    {
        if (c == '\\')
        {
            c = '/';
        }
    }
    return path;
}

} // namespace gen
