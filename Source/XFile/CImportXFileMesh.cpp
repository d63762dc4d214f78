// Reading a Mesh object and the data objects nested in it.

#include "XFile/CImportXFile.h"

#include "XFile/CImportXFileSteps.h"

#include <limits>
#include <unordered_map>

namespace gen
{

using namespace import_detail;

namespace
{
// Reads one polygon "n; i0, i1, ... i(n-1)" and appends its fan triangles
// (i0, i1, i2), (i0, i2, i3), ... Exactly n indices are read, so a polygon
// of fewer than three corners gives no triangle without misreading the next.
// Every index must be below `limit`. On failure, why.
bool ReadPolygon(CDataCursor& cursor, std::uint32_t n, std::uint32_t limit, std::vector<STriangle>& out,
                 std::string& why)
{
    if (!cursor.Has(static_cast<std::uint64_t>(n) * 4))
    {
        why = "its " + std::to_string(n) + " indices run past the end of the data";
        return false;
    }
    std::uint32_t a = 0, b = 0;
    for (std::uint32_t k = 0; k < n; ++k)
    {
        const std::uint32_t index = cursor.Dword();
        if (index >= limit)
        {
            why = "it names index " + std::to_string(index) + "; expected below " + std::to_string(limit);
            return false;
        }
        if (k == 0)
        {
            a = index;
        }
        else if (k == 1)
        {
            b = index;
        }
        else
        {
            out.push_back({{a, b, index}});
            b = index;
        }
    }
    return true;
}

std::uint32_t TrianglesOf(std::uint32_t corners)
{
    return corners >= 3 ? corners - 2 : 0;
}

EImportResult ReadVectors(CDataCursor& cursor, std::uint32_t count, std::vector<CVector3>& out)
{
    if (!cursor.Has(static_cast<std::uint64_t>(count) * 12))
    {
        return kImportBadData;
    }
    out.resize(count);
    for (CVector3& v : out)
    {
        v.x = cursor.Float();
        v.y = cursor.Float();
        v.z = cursor.Float();
    }
    return kImportOK;
}
} // namespace

EImportResult CImportXFile::ParseXFileMesh(CXFileData* mesh, std::uint32_t node)
{
    return Step("gen::CImportXFile::ParseXFileMesh", [&] {
        const auto m = static_cast<std::uint32_t>(Meshes.size());
        Meshes.emplace_back();
        Meshes[m].Node = node;
        EImportResult r = ReadMeshData(mesh, m);
        if (r != kImportOK)
        {
            return r;
        }
        std::uint32_t skinWeights = 0;
        std::size_t count = 0;
        if (GetXFileNumChildren(mesh, count) != kImportOK)
        {
            return kImportBadData;
        }
        for (std::size_t i = 0; i < count; ++i)
        {
            CHeld<CXFileData> child;
            SXGuid guid;
            r = GetXFileChild(mesh, i, child.Slot(), guid);
            if (r != kImportOK)
            {
                return WalkRefused(mesh->GetErrorText(), r);
            }
            CXFileData* object = child.Get();
            if (guid == kGuidMeshNormals) r = ReadNormalData(object, m);
            else if (guid == kGuidMeshTextureCoords) r = ReadTextureUVData(object, m);
            else if (guid == kGuidMeshVertexColors) r = ReadVertexColourData(object, m);
            else if (guid == kGuidMeshMaterialList) r = ReadMaterialData(object, m);
            else if (guid == kGuidVertexDuplicationIndices) r = ReadDuplicationData(object, m);
            else if (guid == kGuidFaceAdjacency) r = ReadAdjacencyData(object, m);
            else if (guid == kGuidXSkinMeshHeader) r = ReadSkinDefnData(object, m);
            else if (guid == kGuidSkinWeights) r = ReadSkinWeightsData(object, m, skinWeights++);
            if (r != kImportOK)
            {
                return r;
            }
        }
        // Every declared bone needs exactly one SkinWeights, and no
        // SkinWeights may come without a header.
        if (Meshes[m].Bones.size() != skinWeights)
        {
            return Refuse(mesh, "Mesh with " + std::to_string(skinWeights) +
                                    " SkinWeights; expected one for each of the " +
                                    std::to_string(Meshes[m].Bones.size()) + " bones its XSkinMeshHeader declares");
        }
        MatchFaceLists(m);
        const SImportMesh& made = Meshes[m];
        return Produce(made.Positions.size() * (sizeof(CVector3) * 3 + sizeof(CVector2) + sizeof(SColour)) +
                           made.Faces.size() * (sizeof(STriangle) + sizeof(std::uint32_t)),
                       mesh);
    });
}

EImportResult CImportXFile::ReadMeshData(CXFileData* object, std::uint32_t m)
{
    return Step("gen::CImportXFile::ReadMeshData", [&] {
        SImportMesh& mesh = Meshes[m];
        CLocked lock(object);
        CDataCursor cursor(nullptr, 0);
        std::size_t size = 0; // any size; the data must be used up exactly
        EImportResult r = lock.Lock(cursor, &size);
        if (r != kImportOK)
        {
            return r;
        }
        const std::uint32_t numVertices = cursor.Dword();
        if (ReadVectors(cursor, numVertices, mesh.Positions) != kImportOK)
        {
            return Refuse(object, "Mesh: expected " + std::to_string(numVertices) + " vertices, the data ends first");
        }
        const std::uint32_t numFaces = cursor.Dword();
        if (!cursor.Has(static_cast<std::uint64_t>(numFaces) * 4))
        {
            return Refuse(object, "Mesh: expected " + std::to_string(numFaces) + " faces, the data ends first");
        }
        mesh.FaceSizes.resize(numFaces);
        std::string why;
        for (std::uint32_t f = 0; f < numFaces; ++f)
        {
            const std::uint32_t n = cursor.Dword();
            mesh.FaceSizes[f] = n;
            if (!ReadPolygon(cursor, n, numVertices, mesh.Faces, why))
            {
                return Refuse(object, "Mesh face " + std::to_string(f) + ": " + why + " (the vertex count)");
            }
        }
        return cursor.AtEnd() ? kImportOK : Refuse(object, "Mesh: expected its data to end after the faces");
    });
}

EImportResult CImportXFile::ReadNormalData(CXFileData* object, std::uint32_t m)
{
    return Step("gen::CImportXFile::ReadNormalData", [&] {
        SImportMesh& mesh = Meshes[m];
        if (!mesh.Normals.empty())
        {
            return Refuse(object, "a second MeshNormals; expected one per Mesh");
        }
        CLocked lock(object);
        CDataCursor cursor(nullptr, 0);
        EImportResult r = lock.Lock(cursor);
        if (r != kImportOK)
        {
            return r;
        }
        const std::uint32_t numNormals = cursor.Dword();
        if (ReadVectors(cursor, numNormals, mesh.Normals) != kImportOK)
        {
            return Refuse(object,
                          "MeshNormals: expected " + std::to_string(numNormals) + " normals, the data ends first");
        }
        const std::uint32_t numFaces = cursor.Dword();
        if (cursor.Failed || numFaces != mesh.FaceSizes.size())
        {
            return Refuse(object, "MeshNormals has " + std::to_string(numFaces) + " faces; expected " +
                                      std::to_string(mesh.FaceSizes.size()) + " as its Mesh has");
        }
        std::string why;
        for (std::uint32_t f = 0; f < numFaces; ++f)
        {
            const std::uint32_t n = cursor.Dword();
            if (cursor.Failed || n != mesh.FaceSizes[f])
            {
                return Refuse(object, "MeshNormals face " + std::to_string(f) + " has " + std::to_string(n) +
                                          " corners; expected " + std::to_string(mesh.FaceSizes[f]) +
                                          " as the Mesh's face has");
            }
            if (!ReadPolygon(cursor, n, numNormals, mesh.NormalFaces, why))
            {
                return Refuse(object, "MeshNormals face " + std::to_string(f) + ": " + why + " (the normal count)");
            }
        }
        return kImportOK;
    });
}

EImportResult CImportXFile::ReadTextureUVData(CXFileData* object, std::uint32_t m)
{
    return Step("gen::CImportXFile::ReadTextureUVData", [&] {
        SImportMesh& mesh = Meshes[m];
        if (!mesh.TexCoords.empty())
        {
            return Refuse(object, "a second MeshTextureCoords; expected one per Mesh");
        }
        CLocked lock(object);
        CDataCursor cursor(nullptr, 0);
        EImportResult r = lock.Lock(cursor);
        if (r != kImportOK)
        {
            return r;
        }
        const std::uint32_t count = cursor.Dword();
        if (count != mesh.Positions.size() || !cursor.Has(static_cast<std::uint64_t>(count) * 8))
        {
            return Refuse(object, "MeshTextureCoords has " + std::to_string(count) +
                                      " coordinates; expected one for each of the " +
                                      std::to_string(mesh.Positions.size()) + " vertices");
        }
        mesh.TexCoords.resize(count);
        for (CVector2& uv : mesh.TexCoords)
        {
            uv.u = cursor.Float();
            uv.v = cursor.Float();
        }
        return kImportOK;
    });
}

EImportResult CImportXFile::ReadVertexColourData(CXFileData* object, std::uint32_t m)
{
    return Step("gen::CImportXFile::ReadVertexColourData", [&] {
        SImportMesh& mesh = Meshes[m];
        if (!mesh.Colours.empty())
        {
            return Refuse(object, "a second MeshVertexColors with colours; expected one per Mesh");
        }
        CLocked lock(object);
        CDataCursor cursor(nullptr, 0);
        EImportResult r = lock.Lock(cursor);
        if (r != kImportOK)
        {
            return r;
        }
        const std::uint32_t count = cursor.Dword();
        if (!cursor.Has(static_cast<std::uint64_t>(count) * 20))
        {
            return Refuse(object,
                          "MeshVertexColors: expected " + std::to_string(count) + " colours, the data ends first");
        }
        if (count == 0)
        {
            return kImportOK; // no colours: the vertices stay without, and a later list is welcome
        }
        // One colour per vertex, opaque white where the list names none, so
        // every vertex a face uses has one whatever the list's length.
        mesh.Colours.assign(mesh.Positions.size(), SColour{1, 1, 1, 1});
        for (std::uint32_t i = 0; i < count; ++i)
        {
            const std::uint32_t index = cursor.Dword();
            SColour colour;
            colour.r = cursor.Float();
            colour.g = cursor.Float();
            colour.b = cursor.Float();
            colour.a = cursor.Float();
            if (index >= mesh.Colours.size())
            {
                return Refuse(object, "MeshVertexColors colour " + std::to_string(i) + " names vertex " +
                                          std::to_string(index) + "; expected below " +
                                          std::to_string(mesh.Colours.size()));
            }
            mesh.Colours[index] = colour;
        }
        return kImportOK;
    });
}

EImportResult CImportXFile::ReadDuplicationData(CXFileData* object, std::uint32_t m)
{
    return Step("gen::CImportXFile::ReadDuplicationData", [&] {
        SImportMesh& mesh = Meshes[m];
        if (!mesh.Duplication.empty())
        {
            return Refuse(object, "a second VertexDuplicationIndices; expected one per Mesh");
        }
        CLocked lock(object);
        CDataCursor cursor(nullptr, 0);
        EImportResult r = lock.Lock(cursor);
        if (r != kImportOK)
        {
            return r;
        }
        const std::uint32_t count = cursor.Dword();
        if (count != mesh.Positions.size())
        {
            return Refuse(object, "VertexDuplicationIndices has " + std::to_string(count) +
                                      " indices; expected one for each of the " +
                                      std::to_string(mesh.Positions.size()) + " vertices");
        }
        mesh.NumOriginalVertices = cursor.Dword();
        return cursor.DwordArray(mesh.Duplication, count)
                   ? kImportOK
                   : Refuse(object, "VertexDuplicationIndices: the data ends before its indices");
    });
}

EImportResult CImportXFile::ReadAdjacencyData(CXFileData* object, std::uint32_t m)
{
    return Step("gen::CImportXFile::ReadAdjacencyData", [&] {
        SImportMesh& mesh = Meshes[m];
        if (!mesh.Adjacency.empty())
        {
            return Refuse(object, "a second FaceAdjacency; expected one per Mesh");
        }
        CLocked lock(object);
        CDataCursor cursor(nullptr, 0);
        EImportResult r = lock.Lock(cursor);
        if (r != kImportOK)
        {
            return r;
        }
        const std::uint32_t count = cursor.Dword();
        return cursor.DwordArray(mesh.Adjacency, count)
                   ? kImportOK
                   : Refuse(object, "FaceAdjacency: the data ends before its indices");
    });
}

EImportResult CImportXFile::ReadSkinDefnData(CXFileData* object, std::uint32_t m)
{
    return Step("gen::CImportXFile::ReadSkinDefnData", [&] {
        SImportMesh& mesh = Meshes[m];
        if (!mesh.Bones.empty())
        {
            return Refuse(object, "a second XSkinMeshHeader; expected one per Mesh");
        }
        CLocked lock(object);
        CDataCursor cursor(nullptr, 0);
        EImportResult r = lock.Lock(cursor);
        if (r != kImportOK)
        {
            return r;
        }
        mesh.MaxWeightsPerVertex = cursor.Word();
        mesh.MaxWeightsPerFace = cursor.Word();
        const std::uint16_t numBones = cursor.Word();
        if (cursor.Failed)
        {
            return Refuse(object, "XSkinMeshHeader: expected three WORDs, the data ends first");
        }
        mesh.Bones.resize(numBones);
        return kImportOK;
    });
}

EImportResult CImportXFile::ReadSkinWeightsData(CXFileData* object, std::uint32_t m, std::uint32_t bone)
{
    return Step("gen::CImportXFile::ReadSkinWeightsData", [&] {
        SImportMesh& mesh = Meshes[m];
        if (bone >= mesh.Bones.size())
        {
            return Refuse(object, "SkinWeights beyond the " + std::to_string(mesh.Bones.size()) +
                                      " bones an XSkinMeshHeader before it declares");
        }
        CLocked lock(object);
        CDataCursor cursor(nullptr, 0);
        EImportResult r = lock.Lock(cursor);
        if (r != kImportOK)
        {
            return r;
        }
        SImportBone& b = mesh.Bones[bone];
        // The node name is inline and must end inside the data.
        const auto* start = reinterpret_cast<const char*>(cursor.Position());
        std::size_t length = 0;
        while (length < cursor.Remaining() && start[length] != '\0')
        {
            ++length;
        }
        if (length == cursor.Remaining())
        {
            return Refuse(object, "SkinWeights: expected the bone's name to end inside the data");
        }
        b.Name.assign(start, length);
        b.Place = object->GetPlace();
        cursor.Advance(length + 1);
        const std::uint32_t count = cursor.Dword();
        if (!cursor.Has(static_cast<std::uint64_t>(count) * 8 + 64))
        {
            return Refuse(object, "SkinWeights: expected " + std::to_string(count) +
                                      " vertices, weights and a matrix, the data ends first");
        }
        b.Weights.resize(count);
        for (SBoneWeight& w : b.Weights)
        {
            w.Vertex = cursor.Dword();
            if (w.Vertex >= mesh.Positions.size())
            {
                return Refuse(object, "SkinWeights names vertex " + std::to_string(w.Vertex) + "; expected below " +
                                          std::to_string(mesh.Positions.size()));
            }
        }
        for (SBoneWeight& w : b.Weights)
        {
            w.Weight = cursor.Float();
        }
        cursor.Bytes(b.OffsetMatrix.e, sizeof b.OffsetMatrix.e);
        return kImportOK;
    });
}

EImportResult CImportXFile::MatchBonesToNodes()
{
    // The first node of each name; bones tie to it.
    std::unordered_map<std::string, std::uint32_t> byName;
    for (std::uint32_t n = 0; n < Nodes.size(); ++n)
    {
        byName.emplace(Nodes[n].Name, n);
    }
    for (SImportMesh& mesh : Meshes)
    {
        for (SImportBone& bone : mesh.Bones)
        {
            const auto found = byName.find(bone.Name);
            if (found == byName.end())
            {
                return Refuse(nullptr, bone.Place + ": SkinWeights names the bone \"" + bone.Name +
                                           "\"; expected the name of a frame");
            }
            bone.Node = found->second;
        }
    }
    return kImportOK;
}

EImportResult CImportXFile::ReadMaterialData(CXFileData* object, std::uint32_t m)
{
    return Step("gen::CImportXFile::ReadMaterialData", [&] {
        if (!Meshes[m].Materials.empty())
        {
            return Refuse(object, "a second MeshMaterialList; expected one per Mesh");
        }
        std::size_t numChildren = 0;
        if (GetXFileNumChildren(object, numChildren) != kImportOK)
        {
            return kImportBadData;
        }
        std::uint32_t numMaterials = 0;
        {
            SImportMesh& mesh = Meshes[m];
            CLocked lock(object);
            CDataCursor cursor(nullptr, 0);
            EImportResult r = lock.Lock(cursor);
            if (r != kImportOK)
            {
                return r;
            }
            numMaterials = cursor.Dword();
            // Each declared material needs its own Material object, so a count
            // above the children is refused before anything is sized by it.
            if (cursor.Failed || numMaterials > numChildren)
            {
                return Refuse(object, "MeshMaterialList declares " + std::to_string(numMaterials) +
                                          " materials but holds " + std::to_string(numChildren) +
                                          " objects; expected a Material for each");
            }
            mesh.Materials.resize(numMaterials);
            const std::uint32_t numIndices = cursor.Dword();
            if (!cursor.Has(static_cast<std::uint64_t>(numIndices) * 4))
            {
                return Refuse(object, "MeshMaterialList: expected " + std::to_string(numIndices) +
                                          " face indexes, the data ends first");
            }
            const std::size_t numPolygons = mesh.FaceSizes.size();
            if (numIndices == 1 && numPolygons != 1)
            {
                mesh.FaceMaterials.assign(mesh.Faces.size(), cursor.Dword());
            }
            else
            {
                if (numIndices != numPolygons)
                {
                    return Refuse(object, "MeshMaterialList has " + std::to_string(numIndices) +
                                              " face indexes; expected one for each of the " +
                                              std::to_string(numPolygons) + " faces, or one for all");
                }
                mesh.FaceMaterials.assign(mesh.Faces.size(), 0);
                std::size_t t = 0;
                for (std::size_t u = 0; u < numPolygons; ++u)
                {
                    const std::uint32_t material = cursor.Dword();
                    for (std::uint32_t k = 0; k < TrianglesOf(mesh.FaceSizes[u]); ++k)
                    {
                        mesh.FaceMaterials[t++] = material;
                    }
                }
            }
        }

        std::uint32_t k = 0;
        for (std::size_t i = 0; i < numChildren; ++i)
        {
            CHeld<CXFileData> child;
            SXGuid guid;
            if (GetXFileChild(object, i, child.Slot(), guid) != kImportOK)
            {
                return WalkRefused(object->GetErrorText(), kImportBadData);
            }
            if (guid != kGuidMaterial)
            {
                continue;
            }
            if (k >= numMaterials)
            {
                return Refuse(object, "MeshMaterialList holds more Material objects than the " +
                                          std::to_string(numMaterials) + " it declares");
            }
            SImportMaterial& material = Meshes[m].Materials[k];
            if (GetXFileDataName(child.Get(), material.Name) != kImportOK)
            {
                return Refuse(child.Get(), "Material: its name cannot be read");
            }
            // Face colour, power, specular, emissive. Data of another size
            // leaves the defaults.
            float values[11];
            if (CopyXFileData(child.Get(), values, sizeof values) == kImportOK)
            {
                std::memcpy(material.Diffuse, values, 16);
                material.Power = values[4];
                std::memcpy(material.Specular, values + 5, 12);
                std::memcpy(material.Emissive, values + 8, 12);
            }
            std::size_t numTextures = 0;
            if (GetXFileNumChildren(child.Get(), numTextures) != kImportOK)
            {
                return kImportBadData;
            }
            for (std::size_t j = 0; j < numTextures; ++j)
            {
                CHeld<CXFileData> texture;
                SXGuid textureGuid;
                if (GetXFileChild(child.Get(), j, texture.Slot(), textureGuid) != kImportOK)
                {
                    return WalkRefused(child.Get()->GetErrorText(), kImportBadData);
                }
                if (textureGuid != kGuidTextureFilename)
                {
                    continue;
                }
                CLocked lock(texture.Get());
                CDataCursor cursor(nullptr, 0);
                const EImportResult r = lock.Lock(cursor);
                if (r != kImportOK)
                {
                    return r;
                }
                const auto* text = reinterpret_cast<const char*>(cursor.Position());
                std::size_t length = 0;
                while (length < cursor.Remaining() && text[length] != '\0')
                {
                    ++length;
                }
                material.TextureFile.assign(text, length); // the last one wins
            }
            ++k;
        }
        // A declared material without its Material object is an error.
        return k == numMaterials
                   ? kImportOK
                   : Refuse(object, "MeshMaterialList holds " + std::to_string(k) + " Material objects; expected the " +
                                        std::to_string(numMaterials) + " it declares");
    });
}

void CImportXFile::MatchFaceLists(std::uint32_t m)
{
    Guarded(kImportFile, "gen::CImportXFile::MatchFaceLists", [&] {
        SImportMesh& mesh = Meshes[m];
        if (!mesh.Normals.empty())
        {
            // Each triangle corner can create at most one vertex, so the
            // tables fit positions that no face uses as well as every new one.
            const std::size_t numPositions = mesh.Positions.size();
            const std::size_t capacity = numPositions + 3 * mesh.Faces.size();
            const std::uint32_t unset = std::numeric_limits<std::uint32_t>::max();
            std::vector<std::uint32_t> source(capacity, unset);
            std::vector<std::uint32_t> normalOf(capacity, unset);
            // The vertex made for each (position, normal) pair after the
            // first; a hash rather than a chain per position, so a position
            // used with very many normals costs no more than any other.
            std::unordered_map<std::uint64_t, std::uint32_t> copies;
            auto nextVertex = static_cast<std::uint32_t>(numPositions);
            for (std::size_t t = 0; t < mesh.Faces.size(); ++t)
            {
                for (int j = 0; j < 3; ++j)
                {
                    const std::uint32_t v = mesh.Faces[t].Index[j];
                    const std::uint32_t n = mesh.NormalFaces[t].Index[j];
                    if (normalOf[v] == unset)
                    {
                        source[v] = v;
                        normalOf[v] = n;
                        continue;
                    }
                    if (normalOf[v] == n)
                    {
                        continue;
                    }
                    const std::uint64_t key = (static_cast<std::uint64_t>(v) << 32) | n;
                    const auto found = copies.emplace(key, nextVertex);
                    if (found.second)
                    {
                        source[nextVertex] = v;
                        normalOf[nextVertex] = n;
                        ++nextVertex;
                    }
                    mesh.Faces[t].Index[j] = found.first->second;
                }
            }
            for (std::size_t k = numPositions; k < nextVertex; ++k)
            {
                const std::uint32_t s = source[k];
                mesh.Positions.push_back(mesh.Positions[s]);
                if (!mesh.TexCoords.empty()) mesh.TexCoords.push_back(mesh.TexCoords[s]);
                if (!mesh.Colours.empty()) mesh.Colours.push_back(mesh.Colours[s]);
                if (!mesh.Duplication.empty()) mesh.Duplication.push_back(mesh.Duplication[s]);
            }
            std::vector<CVector3> normals(nextVertex);
            for (std::size_t j = 0; j < nextVertex; ++j)
            {
                // A position no face uses has no normal of its own.
                normals[j] = normalOf[j] == unset ? CVector3(0, 0, 0) : mesh.Normals[normalOf[j]];
            }
            mesh.Normals = std::move(normals);
        }
        mesh.FaceSizes.clear();
        mesh.NormalFaces.clear();
    });
}

} // namespace gen
