#include "Mesh/CMesh.h"

#include "Common/FileProblem.h"
#include "Common/Message.h"
#include "Common/DataFolder.h"
#include "Common/Problems.h"

#include "Common/Path.h"
#include "Common/Utf8System.h"

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <cstring>
#include <utility>

namespace gen
{

namespace
{

float PositionLength(const std::uint8_t* vertex)
{
    float p[3];
    std::memcpy(p, vertex, sizeof(p));
    return CVector3(p[0], p[1], p[2]).Length();
}

const char* ImportResultWords(EImportResult result)
{
    switch (result)
    {
    case kImportOutOfMemory: return "it needs more memory than there is";
    case kImportNotXFile: return "not an X file";
    case kImportBadData: return "its content is invalid, inconsistent or beyond a limit";
    default: return "the X-file reader refused it";
    }
}
} // namespace

CMesh::CMesh(std::unique_ptr<CMeshDevice> deviceHalf)
    : Loaded(false), BoundingRadius(0.0f), DeviceHalf(std::move(deviceHalf))
{
}

CMesh::~CMesh()
{
    Destroy();
}

bool CMesh::Load(const std::string& fileName)
{
    const std::string path = MediaName(fileName);
    const std::string nativePath = DataPath(path);
    // No message box for a file that is missing or not an X file, but a
    // line that says which one and why.
    if (!IsXFile(nativePath))
    {
        ReportFileProblem(nativePath, FileProblemOr(nativePath, "not an X file (it does not begin with \"xof \")"));
        return false;
    }

    CImportXFile importer;
    const EImportResult result = importer.ImportFile(nativePath);
    if (result != kImportOK)
    {
        if (result == kImportNotXFile)
        {
            ShowMessage("Error loading mesh " + path, "Mesh Error");
        }
        const std::string& why = importer.GetErrorText();
        ReportFileProblem(nativePath, why.empty() ? ImportResultWords(result) : why);
        return false;
    }

    if (Loaded)
    {
        Destroy();
    }
    // A mesh from outside the data takes its textures from beside it first.
    OwnFolder = path == fileName ? FilePath(NativePath(fileName)).parent_path().u8string() : std::string();
    const int problemsBefore = ProblemCount();
    if (!LoadImported(importer))
    {
        Destroy();
        if (ProblemCount() == problemsBefore) // else a shader or texture has named itself
        {
            ReportFileProblem(nativePath, "its meshes or materials cannot be made ready for drawing");
        }
        return false;
    }
    Loaded = true;
    return true;
}

bool CMesh::LoadImported(const CImportXFile& importer)
{
    const std::uint32_t numNodes = importer.GetNumNodes();
    Nodes.resize(numNodes);
    for (std::uint32_t i = 0; i < numNodes; ++i)
    {
        importer.GetNode(i, Nodes[i]);
    }

    const std::uint32_t numSubMeshes = importer.GetNumSubMeshes();
    const std::uint32_t numMaterials = importer.GetNumMaterials();
    SubMeshes.reserve(numSubMeshes);
    for (std::uint32_t i = 0; i < numSubMeshes; ++i)
    {
        const bool tangents = RenderMethodUsesTangents(importer.GetSubMeshRenderMethod(i));
        SSubMesh subMesh;
        if (importer.GetSubMesh(i, subMesh, tangents) != kImportOK)
        {
            return false;
        }
        // Node, material and face indices reach the device as array and
        // buffer offsets; a mesh with any out of range is refused.
        if (!IsValidSubMesh(subMesh, numNodes, numMaterials))
        {
            return false;
        }
        if (DeviceHalf && !DeviceHalf->CreateSubMeshBuffers(subMesh))
        {
            return false;
        }
        SubMeshes.push_back(std::move(subMesh));
    }

    Materials.reserve(numMaterials);
    for (std::uint32_t i = 0; i < numMaterials; ++i)
    {
        SMaterialDesc material;
        importer.GetMaterial(i, material);
        if (material.NumTextures > kMaxMaterialTextures)
        {
            return false;
        }
        for (std::uint32_t t = 0; t < material.NumTextures && !OwnFolder.empty(); ++t)
        {
            const std::string beside = OwnFolder + "/" + NativePath(material.TextureFiles[t]);
            std::error_code error;
            if (std::filesystem::is_regular_file(FilePath(beside), error))
            {
                material.TextureFiles[t] = beside;
            }
        }
        if (DeviceHalf && !DeviceHalf->LoadMaterial(material))
        {
            return false;
        }
        Materials.push_back(std::move(material));
    }

    return ComputeBoundingRadius();
}

bool CMesh::IsValidSubMesh(const SSubMesh& subMesh, std::uint32_t numNodes, std::uint32_t numMaterials)
{
    if (subMesh.Node >= numNodes || subMesh.MaterialIndex >= numMaterials)
    {
        return false;
    }
    if (subMesh.VertexSize < 3 * sizeof(float) ||
        subMesh.Vertices.size() != static_cast<std::size_t>(subMesh.NumVertices) * subMesh.VertexSize ||
        subMesh.Faces.size() != static_cast<std::size_t>(subMesh.NumFaces) * 3)
    {
        return false;
    }
    return std::all_of(subMesh.Faces.begin(), subMesh.Faces.end(),
                       [&](std::uint16_t index) { return index < subMesh.NumVertices; });
}

bool CMesh::ComputeBoundingRadius()
{
    if (SubMeshes.empty() || SubMeshes[0].NumVertices == 0)
    {
        return false;
    }
    float radius = PositionLength(SubMeshes[0].Vertices.data());
    for (const SSubMesh& subMesh : SubMeshes)
    {
        if (subMesh.NumVertices == 0)
        {
            return false;
        }
        for (std::size_t offset = 0; offset < subMesh.Vertices.size(); offset += subMesh.VertexSize)
        {
            radius = std::max(radius, PositionLength(subMesh.Vertices.data() + offset));
        }
    }
    BoundingRadius = radius;
    return true;
}

bool CMesh::IsSubMeshInPass(std::uint32_t index, bool postProcessPass) const
{
    return IsPostProcessMethod(Materials[SubMeshes[index].MaterialIndex].RenderMethod) == postProcessPass;
}

void CMesh::GetCullingSphere(const CMatrix4x4& rootWorldMatrix, CVector3& centre, float& radius) const
{
    const CVector3 scale = rootWorldMatrix.GetScale();
    centre = rootWorldMatrix.GetPosition();
    radius = BoundingRadius * std::max(scale.x, std::max(scale.y, scale.z));
}

void CMesh::Render(const std::vector<CMatrix4x4>& worldMatrices, CCamera& camera, bool postProcessPass)
{
    if (!Loaded || !DeviceHalf || worldMatrices.size() < Nodes.size())
    {
        return;
    }
    DeviceHalf->Render(*this, worldMatrices, camera, postProcessPass);
}

void CMesh::Destroy()
{
    if (DeviceHalf)
    {
        DeviceHalf->Destroy();
    }
    Materials.clear();
    SubMeshes.clear();
    Nodes.clear();
    BoundingRadius = 0.0f;
    Loaded = false;
}

} // namespace gen
