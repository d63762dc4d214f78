// The distinct-material list, the split into single-material submeshes and
// the output records.

#include "XFile/CImportXFile.h"

#include "XFile/CImportXFileSteps.h"

#include <cstring>
#include <functional>
#include <unordered_map>

namespace gen
{

using namespace import_detail;

namespace
{
constexpr std::uint32_t kMaxSubMeshVertices = 65536; // 16-bit indices

bool SameMaterial(const SImportMaterial& a, const SImportMaterial& b)
{
    for (int i = 0; i < 4; ++i)
    {
        if (a.Diffuse[i] != b.Diffuse[i]) return false;
    }
    for (int i = 0; i < 3; ++i)
    {
        if (a.Specular[i] != b.Specular[i] || a.Emissive[i] != b.Emissive[i]) return false;
    }
    return a.Power == b.Power && a.TextureFile == b.TextureFile;
}

// Equal materials (by SameMaterial) hash alike: -0 and +0 hash as 0.
std::size_t MaterialHash(const SImportMaterial& m)
{
    std::size_t h = std::hash<std::string>()(m.TextureFile);
    auto mix = [&h](float f) {
        if (f == 0)
        {
            f = 0; // one zero for both signs
        }
        std::uint32_t bits;
        std::memcpy(&bits, &f, 4);
        h ^= bits + 0x9E3779B9u + (h << 6) + (h >> 2);
    };
    for (float f : m.Diffuse) mix(f);
    mix(m.Power);
    for (float f : m.Specular) mix(f);
    for (float f : m.Emissive) mix(f);
    return h;
}

void Put(std::uint8_t*& p, const void* value, std::size_t n)
{
    std::memcpy(p, value, n);
    p += n;
}

const SImportMesh& SubMesh(const std::vector<SImportMesh>& meshes, std::uint32_t index)
{
    if (index >= meshes.size())
    {
        throw CFatalException("Invalid submesh index", kImportFile, __LINE__);
    }
    return meshes[index];
}
} // namespace

void CImportXFile::MakeGlobalMaterialList()
{
    Guarded(kImportFile, "gen::CImportXFile::MakeGlobalMaterialList", [&] {
        // Candidates by hash, each bucket in list order, so the first equal
        // entry is found without comparing against the whole list.
        std::unordered_map<std::size_t, std::vector<std::uint32_t>> buckets;
        for (SImportMesh& mesh : Meshes)
        {
            mesh.MaterialMap.assign(mesh.Materials.size(), 0);
            for (std::size_t j = 0; j < mesh.Materials.size(); ++j)
            {
                std::vector<std::uint32_t>& bucket = buckets[MaterialHash(mesh.Materials[j])];
                std::size_t found = MaterialList.size();
                for (std::uint32_t g : bucket)
                {
                    if (SameMaterial(MaterialList[g], mesh.Materials[j]))
                    {
                        found = g;
                        break;
                    }
                }
                if (found == MaterialList.size())
                {
                    bucket.push_back(static_cast<std::uint32_t>(found));
                    MaterialList.push_back(mesh.Materials[j]);
                }
                mesh.MaterialMap[j] = static_cast<std::uint32_t>(found);
            }
        }
    });
}

EImportResult CImportXFile::SplitMeshes()
{
    return Step("gen::CImportXFile::SplitMeshes", [&] {
        const std::size_t numMeshes = Meshes.size();
        std::vector<SImportMesh> subMeshes;
        for (std::size_t i = 0; i < numMeshes; ++i)
        {
            const SImportMesh& mesh = Meshes[i];
            const std::size_t numMaterials = mesh.Materials.size();
            if (numMaterials == 0)
            {
                continue; // no material list: no submesh
            }
            // Triangles per material, in file order (one pass, whatever the
            // number of materials).
            std::vector<std::uint32_t> start(numMaterials + 1, 0);
            for (std::size_t t = 0; t < mesh.FaceMaterials.size(); ++t)
            {
                if (mesh.FaceMaterials[t] < numMaterials)
                {
                    ++start[mesh.FaceMaterials[t] + 1];
                }
            }
            for (std::size_t j = 0; j < numMaterials; ++j)
            {
                start[j + 1] += start[j];
            }
            std::vector<std::uint32_t> order(start[numMaterials]);
            std::vector<std::uint32_t> fill(start.begin(), start.end() - 1);
            for (std::size_t t = 0; t < mesh.FaceMaterials.size(); ++t)
            {
                if (mesh.FaceMaterials[t] < numMaterials)
                {
                    order[fill[mesh.FaceMaterials[t]]++] = static_cast<std::uint32_t>(t);
                }
            }

            // remap[v] is valid for material j when stamp[v] == j + 1.
            std::vector<std::uint32_t> remap(mesh.Positions.size(), 0);
            std::vector<std::uint32_t> stamp(mesh.Positions.size(), 0);
            for (std::size_t j = 0; j < numMaterials; ++j)
            {
                SImportMesh sub;
                sub.Node = mesh.Node;
                sub.Materials.push_back(mesh.Materials[j]);
                sub.MaterialMap.push_back(mesh.MaterialMap[j]);
                const auto mark = static_cast<std::uint32_t>(j + 1);
                for (std::uint32_t o = start[j]; o < start[j + 1]; ++o)
                {
                    const STriangle& tri = mesh.Faces[order[o]];
                    STriangle out;
                    for (int c = 0; c < 3; ++c)
                    {
                        const std::uint32_t v = tri.Index[c];
                        if (stamp[v] != mark)
                        {
                            stamp[v] = mark;
                            remap[v] = static_cast<std::uint32_t>(sub.Positions.size());
                            sub.Positions.push_back(mesh.Positions[v]);
                            if (!mesh.Normals.empty()) sub.Normals.push_back(mesh.Normals[v]);
                            if (!mesh.TexCoords.empty()) sub.TexCoords.push_back(mesh.TexCoords[v]);
                            if (!mesh.Colours.empty()) sub.Colours.push_back(mesh.Colours[v]);
                        }
                        out.Index[c] = remap[v];
                    }
                    sub.Faces.push_back(out);
                    sub.FaceMaterials.push_back(0);
                }
                // 16-bit indices cannot address more vertices than this.
                if (sub.Positions.size() > kMaxSubMeshVertices)
                {
                    return Refuse(nullptr, "a submesh (one material of a mesh) of " +
                                               std::to_string(sub.Positions.size()) + " vertices; expected at most " +
                                               std::to_string(kMaxSubMeshVertices) + " (16-bit indices)");
                }
                if (!sub.Positions.empty())
                {
                    subMeshes.push_back(std::move(sub));
                }
            }
        }
        Meshes = std::move(subMeshes);
        return kImportOK;
    });
}

ERenderMethod CImportXFile::GetSubMeshRenderMethod(std::uint32_t index) const
{
    const SImportMesh& mesh = SubMesh(Meshes, index);
    const SImportMaterial& material = MaterialList[mesh.MaterialMap[0]];
    return RenderMethodFromMaterial(material.Name, material.TextureFile);
}

EImportResult CImportXFile::GetSubMesh(std::uint32_t index, SSubMesh& out, bool tangents) const
{
    return Step("gen::CImportXFile::GetSubMesh", [&] {
        const SImportMesh& mesh = SubMesh(Meshes, index);
        const std::size_t numVertices = mesh.Positions.size();
        const bool normals = !mesh.Normals.empty();
        const bool uvs = !mesh.TexCoords.empty();
        const bool colours = !mesh.Colours.empty();

        std::vector<CVector3> tangent;
        if (tangents)
        {
            tangent.assign(numVertices, CVector3(0, 0, 0));
            // Without texture coordinates there is no tangent direction: the
            // slot stays zero so the layout still matches what was asked for.
            if (uvs)
            {
                for (const STriangle& tri : mesh.Faces)
                {
                    const std::uint32_t a = tri.Index[0], b = tri.Index[1], c = tri.Index[2];
                    const float du1 = mesh.TexCoords[b].u - mesh.TexCoords[a].u;
                    const float dv1 = mesh.TexCoords[b].v - mesh.TexCoords[a].v;
                    const float du2 = mesh.TexCoords[c].u - mesh.TexCoords[a].u;
                    const float dv2 = mesh.TexCoords[c].v - mesh.TexCoords[a].v;
                    const float s = dv2 * du1 - dv1 * du2;
                    if (s == 0)
                    {
                        continue; // degenerate mapping: no contribution
                    }
                    const CVector3 t = ((mesh.Positions[b] - mesh.Positions[a]) * dv2 -
                                        (mesh.Positions[c] - mesh.Positions[a]) * dv1) *
                                       (1.0f / s);
                    tangent[a] += t;
                    tangent[b] += t;
                    tangent[c] += t;
                }
            }
            for (std::size_t v = 0; v < numVertices; ++v)
            {
                if (normals)
                {
                    const CVector3& n = mesh.Normals[v];
                    tangent[v] -= n * Dot(n, tangent[v]);
                }
                tangent[v].Normalise();
            }
        }

        const std::uint32_t vertexSize =
            12 + (normals ? 12 : 0) + (tangents ? 12 : 0) + (uvs ? 8 : 0) + (colours ? 16 : 0);
        std::vector<std::uint8_t> vertices(numVertices * vertexSize);
        std::uint8_t* p = vertices.data();
        for (std::size_t v = 0; v < numVertices; ++v)
        {
            Put(p, &mesh.Positions[v], 12);
            if (normals) Put(p, &mesh.Normals[v], 12);
            if (tangents) Put(p, &tangent[v], 12);
            if (uvs) Put(p, &mesh.TexCoords[v], 8);
            if (colours) Put(p, &mesh.Colours[v], 16);
        }
        std::vector<std::uint16_t> faces(mesh.Faces.size() * 3);
        for (std::size_t t = 0; t < mesh.Faces.size(); ++t)
        {
            for (int c = 0; c < 3; ++c)
            {
                faces[t * 3 + c] = static_cast<std::uint16_t>(mesh.Faces[t].Index[c]);
            }
        }

        out.Node = mesh.Node;
        out.MaterialIndex = mesh.MaterialMap[0];
        out.NumVertices = static_cast<std::uint32_t>(numVertices);
        out.VertexSize = vertexSize;
        out.Vertices = std::move(vertices);
        out.NumFaces = static_cast<std::uint32_t>(mesh.Faces.size());
        out.Faces = std::move(faces);
        return kImportOK;
    });
}

void CImportXFile::GetMaterial(std::uint32_t index, SMaterialDesc& out) const
{
    Guarded(kImportFile, "gen::CImportXFile::GetMaterial", [&] {
        if (index >= MaterialList.size())
        {
            throw CFatalException("Invalid material index", kImportFile, __LINE__);
        }
        const SImportMaterial& material = MaterialList[index];
        out = SMaterialDesc();
        std::memcpy(out.DiffuseColour, material.Diffuse, sizeof out.DiffuseColour);
        std::memcpy(out.SpecularColour, material.Specular, 12);
        out.SpecularColour[3] = 1;
        out.SpecularPower = material.Power;
        out.RenderMethod = RenderMethodFromMaterial(material.Name, material.TextureFile);
        out.NumTextures = RenderMethodTextureCount(out.RenderMethod);
        if (out.NumTextures > kMaxMaterialTextures)
        {
            out.NumTextures = kMaxMaterialTextures;
        }
        if (out.NumTextures > 0)
        {
            // Further maps are named after the first: stone.dds, stone1.dds...
            const std::string& first = material.TextureFile;
            out.TextureFiles[0] = first;
            const std::size_t dot = first.rfind('.');
            for (std::uint32_t i = 1; i < out.NumTextures; ++i)
            {
                const char digit = static_cast<char>('0' + i);
                std::string name = first;
                if (dot == std::string::npos)
                {
                    name.push_back(digit);
                }
                else
                {
                    name.insert(dot, 1, digit);
                }
                out.TextureFiles[i] = std::move(name);
            }
        }
    });
}

} // namespace gen
