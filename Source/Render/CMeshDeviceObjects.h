#pragma once
// The device half of a mesh: one vertex and one index buffer per submesh,
// one material per material of the file with its render method and loaded
// textures, and the drawing of both passes. Made for each mesh by
// CreateMeshDeviceObjects, the scene's factory for its entity manager.

#include "Platform/CDevice.h"
#include "Mesh/CMesh.h"
#include "Methods/RenderMethodInfo.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace gen
{

struct SMeshBuffers
{
    std::uint32_t Node = 0;          // whose world matrix the submesh is drawn with
    std::uint32_t MaterialIndex = 0;
    CVertexBuffer* VertexBuffer = nullptr;
    std::uint32_t NumVertices = 0;
    std::uint32_t VertexSize = 0;
    CIndexBuffer* IndexBuffer = nullptr;
    std::uint32_t NumIndices = 0; // three per face
    CVector3 BoxMin{0.0f, 0.0f, 0.0f}; // around the vertex positions
    CVector3 BoxMax{0.0f, 0.0f, 0.0f};
};

struct SMeshMaterial
{
    ERenderMethod RenderMethod = kPlainColour;
    float DiffuseColour[4] = {0, 0, 0, 0};
    float SpecularColour[4] = {0, 0, 0, 0};
    float SpecularPower = 0.0f;
    std::uint32_t NumTextures = 0; // at most kMaxMaterialTextures
    CTexture* Textures[kMaxMaterialTextures] = {nullptr, nullptr, nullptr, nullptr};
};

class CMeshDeviceObjects : public CMeshDevice
{
public:
    CMeshDeviceObjects() = default;
    ~CMeshDeviceObjects() override;

    CMeshDeviceObjects(const CMeshDeviceObjects&) = delete;
    CMeshDeviceObjects& operator=(const CMeshDeviceObjects&) = delete;

    bool CreateSubMeshBuffers(const SSubMesh& subMesh) override;
    bool LoadMaterial(const SMaterialDesc& material) override;
    void Render(const CMesh& mesh, const std::vector<CMatrix4x4>& worldMatrices, CCamera& camera,
                bool postProcessPass) override;
    void Destroy() override;

    std::uint32_t GetNumBuffers() const { return static_cast<std::uint32_t>(Buffers.size()); }
    const SMeshBuffers& GetBuffers(std::uint32_t index) const { return Buffers[index]; }
    std::uint32_t GetNumMaterials() const { return static_cast<std::uint32_t>(Materials.size()); }
    const SMeshMaterial& GetMaterial(std::uint32_t index) const { return Materials[index]; }

private:
    // Tells post-processing where the polygon pass will draw this mesh's
    // polygon post-processing surfaces, so that their copy of the scene covers them.
    void NotePolygonSurfaces(const std::vector<CMatrix4x4>& worldMatrices, const CCamera& camera) const;

    std::vector<SMeshBuffers> Buffers;
    std::vector<SMeshMaterial> Materials;
};

// Where the polygon post-processing pass finds the scene texture to bind:
// GetPolyPostProcessSceneTexture of post-processing unless replaced (tests).
// Returns the previous source; null restores the default.
using TSceneTextureSource = CTexture* (*)();
TSceneTextureSource SetMeshSceneTextureSource(TSceneTextureSource source);

// The device half for a new mesh; null while there is no device, which
// leaves that mesh data-only.
std::unique_ptr<CMeshDevice> CreateMeshDeviceObjects();

} // namespace gen
