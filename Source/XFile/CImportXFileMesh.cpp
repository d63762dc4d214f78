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
// Every index must be below `limit`.
bool ReadPolygon(CDataCursor& cursor, std::uint32_t n, std::uint32_t limit, std::vector<STriangle>& out)
{
    if (!cursor.Has(static_cast<std::uint64_t>(n) * 4))
    {
        return false;
    }
    std::uint32_t a = 0, b = 0;
    for (std::uint32_t k = 0; k < n; ++k)
    {
        const std::uint32_t index = cursor.Dword();
        if (index >= limit)
        {
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
                return r;
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
            return kImportBadData;
        }
        MatchFaceLists(m);
        return kImportOK;
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
            return kImportBadData;
        }
        const std::uint32_t numFaces = cursor.Dword();
        if (!cursor.Has(static_cast<std::uint64_t>(numFaces) * 4))
        {
            return kImportBadData;
        }
        mesh.FaceSizes.resize(numFaces);
        for (std::uint32_t f = 0; f < numFaces; ++f)
        {
            const std::uint32_t n = cursor.Dword();
            mesh.FaceSizes[f] = n;
            if (!ReadPolygon(cursor, n, numVertices, mesh.Faces))
            {
                return kImportBadData;
            }
        }
        return cursor.AtEnd() ? kImportOK : kImportBadData;
    });
}

EImportResult CImportXFile::ReadNormalData(CXFileData* object, std::uint32_t m)
{
    return Step("gen::CImportXFile::ReadNormalData", [&] {
        SImportMesh& mesh = Meshes[m];
        if (!mesh.Normals.empty())
        {
            return kImportBadData;
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
            return kImportBadData;
        }
        const std::uint32_t numFaces = cursor.Dword();
        if (cursor.Failed || numFaces != mesh.FaceSizes.size())
        {
            return kImportBadData;
        }
        for (std::uint32_t f = 0; f < numFaces; ++f)
        {
            const std::uint32_t n = cursor.Dword();
            if (cursor.Failed || n != mesh.FaceSizes[f] || !ReadPolygon(cursor, n, numNormals, mesh.NormalFaces))
            {
                return kImportBadData;
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
            return kImportBadData;
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
            return kImportBadData;
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
            return kImportBadData;
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
            return kImportBadData;
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
                return kImportBadData;
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
            return kImportBadData;
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
            return kImportBadData;
        }
        mesh.NumOriginalVertices = cursor.Dword();
        return cursor.DwordArray(mesh.Duplication, count) ? kImportOK : kImportBadData;
    });
}

EImportResult CImportXFile::ReadAdjacencyData(CXFileData* object, std::uint32_t m)
{
    return Step("gen::CImportXFile::ReadAdjacencyData", [&] {
        SImportMesh& mesh = Meshes[m];
        if (!mesh.Adjacency.empty())
        {
            return kImportBadData;
        }
        CLocked lock(object);
        CDataCursor cursor(nullptr, 0);
        EImportResult r = lock.Lock(cursor);
        if (r != kImportOK)
        {
            return r;
        }
        const std::uint32_t count = cursor.Dword();
        return cursor.DwordArray(mesh.Adjacency, count) ? kImportOK : kImportBadData;
    });
}

EImportResult CImportXFile::ReadSkinDefnData(CXFileData* object, std::uint32_t m)
{
    return Step("gen::CImportXFile::ReadSkinDefnData", [&] {
        SImportMesh& mesh = Meshes[m];
        if (!mesh.Bones.empty())
        {
            return kImportBadData;
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
            return kImportBadData;
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
            return kImportBadData;
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
            return kImportBadData;
        }
        b.Name.assign(start, length);
        cursor.Advance(length + 1);
        const std::uint32_t count = cursor.Dword();
        if (!cursor.Has(static_cast<std::uint64_t>(count) * 8 + 64))
        {
            return kImportBadData;
        }
        b.Weights.resize(count);
        for (SBoneWeight& w : b.Weights)
        {
            w.Vertex = cursor.Dword();
            if (w.Vertex >= mesh.Positions.size())
            {
                return kImportBadData;
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
                return kImportBadData;
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
            return kImportBadData;
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
                return kImportBadData;
            }
            mesh.Materials.resize(numMaterials);
            const std::uint32_t numIndices = cursor.Dword();
            if (!cursor.Has(static_cast<std::uint64_t>(numIndices) * 4))
            {
                return kImportBadData;
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
                    return kImportBadData;
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
                return kImportBadData;
            }
            if (guid != kGuidMaterial)
            {
                continue;
            }
            if (k >= numMaterials)
            {
                return kImportBadData;
            }
            SImportMaterial& material = Meshes[m].Materials[k];
            if (GetXFileDataName(child.Get(), material.Name) != kImportOK)
            {
                return kImportBadData;
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
                    return kImportBadData;
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
        return k == numMaterials ? kImportOK : kImportBadData;
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
