#pragma once
// Imports one DirectX .x file into plain lists the mesh class copies: a tree
// of nodes (frames) with local matrices, single-material submeshes with
// interleaved vertices and 16-bit triangle indices, and the distinct
// materials. The .x syntax itself is handled by our X-file reader
// (XFile.h); this class walks its data objects.

#include "Math/CMatrix4x4.h"
#include "Math/CVector.h"
#include "Methods/RenderMethodInfo.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace gen
{

class CXFile;
class CXFileEnumObject;
class CXFileData;

enum EImportResult : std::uint32_t
{
    kImportOK = 0,
    kImportFailed = 1,      // the reader reported some other failure
    kImportOutOfMemory = 2,
    kImportNotXFile = 3,    // missing, unreadable, or not beginning with "xof "
    kImportBadData = 4,     // invalid, inconsistent or unsupported content
};

// One frame of the file. Node 0 is the root ("Root"); nodes follow in
// depth-first pre-order, so a node's parent always comes before it.
struct SMeshNode
{
    std::string Name;
    std::uint32_t Depth = 0;
    std::uint32_t Parent = 0;
    std::uint32_t NumChildren = 0;
    CMatrix4x4 Matrix = CMatrix4x4::kIdentity; // local, relative to the parent
};

// Output of GetSubMesh. Vertex components, tightly packed floats, in this
// order: position (always), normal, tangent (when asked for), uv, colour rgba.
struct SSubMesh
{
    std::uint32_t Node = 0;          // node whose world matrix places it
    std::uint32_t MaterialIndex = 0; // into the importer's material list
    std::uint32_t NumVertices = 0;
    std::vector<std::uint8_t> Vertices; // NumVertices * VertexSize bytes
    std::uint32_t VertexSize = 0;
    std::uint32_t NumFaces = 0;
    std::vector<std::uint16_t> Faces; // NumFaces * 3 indices, file winding
};

constexpr std::uint32_t kMaxMaterialTextures = 4;

// Output of GetMaterial.
struct SMaterialDesc
{
    ERenderMethod RenderMethod = kPlainColour;
    float DiffuseColour[4] = {0, 0, 0, 0};
    float SpecularColour[4] = {0, 0, 0, 0};
    float SpecularPower = 0;
    std::uint32_t NumTextures = 0;
    std::string TextureFiles[kMaxMaterialTextures]; // first NumTextures used
};

// Working records of the import.
struct STriangle
{
    std::uint32_t Index[3];
};

struct SColour
{
    float r, g, b, a;
};

struct SImportMaterial
{
    std::string Name;
    float Diffuse[4] = {1, 1, 1, 1};
    float Power = 20;
    float Specular[3] = {0, 0, 0};
    float Emissive[3] = {0, 0, 0};
    std::string TextureFile;
};

struct SBoneWeight
{
    std::uint32_t Vertex;
    float Weight;
};

struct SImportBone
{
    std::string Name;
    std::string Place; // of its SkinWeights, for reasons
    std::uint32_t Node = 0;
    std::vector<SBoneWeight> Weights;
    CMatrix4x4 OffsetMatrix = CMatrix4x4::kIdentity;
};

struct SImportMesh
{
    std::uint32_t Node = 0;
    std::vector<CVector3> Positions;
    std::vector<CVector3> Normals;
    std::vector<CVector2> TexCoords;
    std::vector<SColour> Colours;
    std::vector<STriangle> Faces;
    std::vector<std::uint32_t> FaceMaterials;
    std::vector<std::uint32_t> FaceSizes;
    std::vector<STriangle> NormalFaces;
    std::vector<SImportMaterial> Materials;
    std::vector<std::uint32_t> MaterialMap;
    std::vector<std::uint32_t> Adjacency;
    std::uint32_t NumOriginalVertices = 0;
    std::vector<std::uint32_t> Duplication;
    std::uint16_t MaxWeightsPerVertex = 0;
    std::uint16_t MaxWeightsPerFace = 0;
    std::vector<SImportBone> Bones;
};

// True when the name is not empty, the file opens and it begins "xof ".
bool IsXFile(const std::string& fileName);

class CImportXFile
{
public:
    CImportXFile() = default;
    ~CImportXFile() = default;
    CImportXFile(const CImportXFile&) = delete;
    CImportXFile& operator=(const CImportXFile&) = delete;

    // Imports the file (a data path such as "Media\Cube.x" works too).
    EImportResult ImportFile(const std::string& fileName);

    // The same import from a file image in memory (tools and the fuzzer).
    EImportResult ImportMemory(const void* data, std::size_t size);

    bool IsImported() const { return Imported; }

    // Why the last import failed, in words: where ("line 12" in a text file,
    // "byte 345" in a binary or compressed one) and what was expected.
    // Empty after a successful import.
    const std::string& GetErrorText() const { return ErrorText; }

    std::uint32_t GetNumNodes() const { return static_cast<std::uint32_t>(Nodes.size()); }
    std::uint32_t GetNumSubMeshes() const { return static_cast<std::uint32_t>(Meshes.size()); }
    std::uint32_t GetNumMaterials() const { return static_cast<std::uint32_t>(MaterialList.size()); }

    // Indices outside the lists are caller errors (CFatalException).
    void GetNode(std::uint32_t index, SMeshNode& node) const;
    ERenderMethod GetSubMeshRenderMethod(std::uint32_t index) const;
    // kImportOK, or kImportOutOfMemory (out left empty).
    EImportResult GetSubMesh(std::uint32_t index, SSubMesh& out, bool tangents) const;
    void GetMaterial(std::uint32_t index, SMaterialDesc& out) const;

private:
    EImportResult ImportFrom(const void* source, std::uint32_t loadOptions);
    EImportResult PrepareXFileObject(CXFile*& file);
    EImportResult GetXFileEnumerator(CXFile* file, const void* source, std::uint32_t loadOptions,
                                     CXFileEnumObject*& enumerator);
    EImportResult ParseXFile(CXFileEnumObject* enumerator);
    EImportResult ParseXFileFrame(CXFileData* frame, std::uint32_t parent);
    EImportResult ReadMatrix(CXFileData* object, CMatrix4x4& matrix);

    EImportResult ParseXFileMesh(CXFileData* mesh, std::uint32_t node);
    EImportResult ReadMeshData(CXFileData* object, std::uint32_t m);
    EImportResult ReadNormalData(CXFileData* object, std::uint32_t m);
    EImportResult ReadTextureUVData(CXFileData* object, std::uint32_t m);
    EImportResult ReadVertexColourData(CXFileData* object, std::uint32_t m);
    EImportResult ReadMaterialData(CXFileData* object, std::uint32_t m);
    EImportResult ReadDuplicationData(CXFileData* object, std::uint32_t m);
    EImportResult ReadAdjacencyData(CXFileData* object, std::uint32_t m);
    EImportResult ReadSkinDefnData(CXFileData* object, std::uint32_t m);
    EImportResult ReadSkinWeightsData(CXFileData* object, std::uint32_t m, std::uint32_t bone);
    EImportResult MatchBonesToNodes();

    void MatchFaceLists(std::uint32_t m);
    void MakeGlobalMaterialList();
    EImportResult SplitMeshes();

    // Records why the import fails (the first reason stays) and returns r.
    // object, when given, tells where.
    EImportResult Refuse(CXFileData* object, const std::string& problem, EImportResult r = kImportBadData);
    // A walk step the reader refused: its own reason.
    EImportResult WalkRefused(const std::string& readerReason, EImportResult r);
    // Counts what the import makes against its bound, so references that
    // repeat a large mesh many times cannot make it unbounded.
    EImportResult Produce(std::uint64_t bytes, CXFileData* object);

    bool Imported = false;
    std::string ErrorText;
    std::uint64_t Produced = 0;
    std::vector<SMeshNode> Nodes;
    std::vector<SImportMesh> Meshes;
    std::vector<SImportMaterial> MaterialList;
};

} // namespace gen
