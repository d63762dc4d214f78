#pragma once
// In-memory .x scene (frames, meshes, normals, texture coordinates, material lists)
// and writers for the text ("xof 0303txt 0032") and binary ("xof 0303bin 0032") forms.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace gen
{

struct SVec2
{
    float U, V;
};

struct SVec3
{
    float X, Y, Z;
};

struct SXMaterial
{
    std::string Name;
    std::array<float, 4> Diffuse{{1.0f, 1.0f, 1.0f, 1.0f}};
    float Power = 20.0f;
    std::array<float, 3> Specular{{0.0f, 0.0f, 0.0f}};
    std::array<float, 3> Emissive{{0.0f, 0.0f, 0.0f}};
    std::string Texture; // empty: no TextureFilename
};

struct SXMesh
{
    std::string Name;
    std::vector<SVec3> Positions;
    std::vector<std::vector<std::uint32_t>> Faces;       // polygons indexing Positions
    std::vector<SVec3> Normals;
    std::vector<std::vector<std::uint32_t>> NormalFaces; // same shape as Faces, indexing Normals
    std::vector<SVec2> TexCoords;                        // one per position
    std::vector<std::uint32_t> FaceMaterials;            // one per polygon
    std::vector<SXMaterial> Materials;
};

struct SXFrame
{
    std::string Name;
    std::array<float, 16> Matrix{{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}};
    std::vector<SXMesh> Meshes;
    std::vector<SXFrame> Children;
};

struct SXFile
{
    std::vector<SXFrame> Frames;
};

std::string WriteXText(const SXFile& file);
std::string WriteXBinary(const SXFile& file);

} // namespace gen
