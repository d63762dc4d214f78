#include "Render/CImportXFile.h"

#include "Common/CFatalException.h"

#include <cstdio>

namespace gen
{

namespace
{
const char* const kFile = "Source/Render/CImportXFile";
}

bool IsXFile(const std::string& fileName)
{
    if (fileName.empty())
    {
        return false;
    }
    std::FILE* f = std::fopen(fileName.c_str(), "rb");
    if (!f)
    {
        return false;
    }
    char magic[4] = {0, 0, 0, 0};
    const bool ok = std::fread(magic, 1, 4, f) == 4 && magic[0] == 'x' && magic[1] == 'o' && magic[2] == 'f' &&
                    magic[3] == ' ';
    std::fclose(f);
    return ok;
}

// Placeholder until the reader lands: every import fails softly.
EImportResult CImportXFile::ImportFile(const std::string& fileName)
{
    Nodes.clear();
    Meshes.clear();
    MaterialList.clear();
    Imported = false;
    return IsXFile(fileName) ? kImportFailed : kImportNotXFile;
}

EImportResult CImportXFile::ImportMemory(const void*, std::size_t)
{
    Nodes.clear();
    Meshes.clear();
    MaterialList.clear();
    Imported = false;
    return kImportFailed;
}

void CImportXFile::GetNode(std::uint32_t index, SMeshNode& node) const
{
    Guarded(kFile, "gen::CImportXFile::GetNode", [&] {
        if (index >= Nodes.size())
        {
            throw CFatalException("Invalid node index", kFile, __LINE__);
        }
        node = Nodes[index];
    });
}

ERenderMethod CImportXFile::GetSubMeshRenderMethod(std::uint32_t) const
{
    return kPlainColour;
}

EImportResult CImportXFile::GetSubMesh(std::uint32_t, SSubMesh&, bool) const
{
    return kImportFailed;
}

void CImportXFile::GetMaterial(std::uint32_t, SMaterialDesc&) const
{
}

} // namespace gen
