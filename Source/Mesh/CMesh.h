#pragma once
// A mesh loaded from an .x file for drawing: the node hierarchy, the
// submeshes (single-material vertex and index data) and the materials, as
// the importer produced them, plus the bounding radius used for culling.
//
// The mesh itself needs no graphics device. Everything that does (vertex and
// index buffers, render methods and textures, drawing) is the job of a device
// half, a CMeshDevice handed to the mesh when it is made. A mesh made without
// one (tools, tests, a headless run) loads its node, submesh and material
// data only, and Render draws nothing.

#include "Math/CMatrix4x4.h"
#include "XFile/CImportXFile.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace gen
{

class CCamera;
class CMesh;

// The device half of one mesh. Load calls CreateSubMeshBuffers for each
// submesh in order, then LoadMaterial for each material in order; a false
// result fails the load, after which Destroy is called. Destroy must release
// exactly what was created so far and leave the object ready for another load.
class CMeshDevice
{
public:
    virtual ~CMeshDevice() = default;

    // Creates the vertex and index buffers of the next submesh from its data.
    virtual bool CreateSubMeshBuffers(const SSubMesh& subMesh) = 0;
    // Prepares the next material's render method and loads its textures
    // (showing "Error loading texture " + path, caption "CMesh Error", for a
    // texture that cannot be loaded).
    virtual bool LoadMaterial(const SMaterialDesc& material) = 0;
    // Culls the mesh (see CMesh::GetCullingSphere) and draws the submeshes
    // whose render method belongs to the pass: ordinary methods when
    // postProcessPass is false, polygon post-processing methods when true.
    // Only called on a loaded mesh with a world matrix for every node.
    virtual void Render(const CMesh& mesh, const std::vector<CMatrix4x4>& worldMatrices, CCamera& camera,
                        bool postProcessPass) = 0;
    virtual void Destroy() = 0;
};

// Makes the device half of a mesh; may return null (no device).
using TMeshDeviceFactory = std::unique_ptr<CMeshDevice> (*)();

// For owners of meshes that never draw (tools, tests without a device).
constexpr TMeshDeviceFactory kNoMeshDevice = nullptr;

class CMesh
{
public:
    // deviceHalf null: the mesh holds its data only and never draws.
    explicit CMesh(std::unique_ptr<CMeshDevice> deviceHalf);
    ~CMesh();

    CMesh(const CMesh&) = delete;
    CMesh& operator=(const CMesh&) = delete;

    // Loads "Media\" + fileName, or fileName itself when it is an absolute
    // path, whose textures are then taken from beside it where they are
    // there, else from Media. A file that is missing or does not begin
    // with "xof " fails silently and leaves the mesh as it was; an import
    // that reports the file is no X file shows "Error loading mesh " + path
    // (caption "Mesh Error"); other import errors fail silently, likewise
    // leaving the mesh as it was. After a successful import the previous
    // content is released; a failure from then on (inconsistent submesh data,
    // a submesh without vertices, no submeshes at all, the device half
    // refusing) leaves the mesh empty and not loaded.
    bool Load(const std::string& fileName);

    // Draws the mesh placed by one world matrix per node (indexed like the
    // nodes). Nothing happens when the mesh is not loaded, has no device
    // half, or when fewer matrices than nodes are given.
    void Render(const std::vector<CMatrix4x4>& worldMatrices, CCamera& camera, bool postProcessPass);

    // Releases everything; the mesh is empty and not loaded.
    void Destroy();

    bool IsLoaded() const { return Loaded; }

    std::uint32_t GetNumNodes() const { return static_cast<std::uint32_t>(Nodes.size()); }
    // index must be below GetNumNodes().
    const SMeshNode& GetNode(std::uint32_t index) const { return Nodes[index]; }

    // The submesh and material records are kept after loading; their node
    // and material indices and face indices have been checked.
    std::uint32_t GetNumSubMeshes() const { return static_cast<std::uint32_t>(SubMeshes.size()); }
    const SSubMesh& GetSubMesh(std::uint32_t index) const { return SubMeshes[index]; }
    std::uint32_t GetNumMaterials() const { return static_cast<std::uint32_t>(Materials.size()); }
    const SMaterialDesc& GetMaterial(std::uint32_t index) const { return Materials[index]; }

    // Whether submesh index is drawn in the given pass: its material's render
    // method is a polygon post-processing one exactly when postProcessPass.
    bool IsSubMeshInPass(std::uint32_t index, bool postProcessPass) const;

    // The largest distance of a vertex position from the mesh's origin.
    float GetBoundingRadius() const { return BoundingRadius; }

    // The sphere to test against the view: centred on the root world
    // matrix's position, the bounding radius times the root's largest axis
    // length.
    void GetCullingSphere(const CMatrix4x4& rootWorldMatrix, CVector3& centre, float& radius) const;

    // Null for a mesh without a device half.
    CMeshDevice* GetDevice() const { return DeviceHalf.get(); }

    // Whether a submesh is safe to keep and draw: its node and material
    // exist, its blocks have the sizes its counts give, its vertices hold at
    // least a position and every face index names one of its vertices.
    static bool IsValidSubMesh(const SSubMesh& subMesh, std::uint32_t numNodes, std::uint32_t numMaterials);

private:
    bool LoadImported(const CImportXFile& importer);
    bool ComputeBoundingRadius();

    bool Loaded;
    std::vector<SMeshNode> Nodes;
    std::vector<SSubMesh> SubMeshes;
    std::vector<SMaterialDesc> Materials;
    float BoundingRadius;
    std::unique_ptr<CMeshDevice> DeviceHalf;
    std::string OwnFolder; // an absolute mesh's folder; empty for the data's meshes
};

} // namespace gen
