#include "Render/CMeshDeviceObjects.h"

#include "Device/Device.h"
#include "Common/DataFolder.h"
#include "Common/Message.h"
#include "Render/RenderMethods.h"
#include "Effects/PostProcess.h"
#include "Camera/CCamera.h"

#include <algorithm>
#include <cstring>

namespace gen
{

namespace
{
TSceneTextureSource& SceneTextureSource()
{
    static TSceneTextureSource source = &GetPolyPostProcessSceneTexture;
    return source;
}

template <typename TBuffer>
bool FillBuffer(TBuffer* buffer, const void* data, std::size_t length)
{
    void* target = nullptr;
    if (!buffer->Lock(0, static_cast<std::uint32_t>(length), &target, 0) || !target)
    {
        return false;
    }
    std::memcpy(target, data, length);
    return buffer->Unlock();
}

// The box around the vertex positions (each vertex's first three floats).
void BoundingBox(const SSubMesh& subMesh, CVector3& boxMin, CVector3& boxMax)
{
    for (std::size_t offset = 0; subMesh.VertexSize >= sizeof(float[3]) && offset < subMesh.Vertices.size();
         offset += subMesh.VertexSize)
    {
        float p[3];
        std::memcpy(p, subMesh.Vertices.data() + offset, sizeof(p));
        const CVector3 v(p[0], p[1], p[2]);
        boxMin = offset ? CVector3(std::min(boxMin.x, v.x), std::min(boxMin.y, v.y), std::min(boxMin.z, v.z)) : v;
        boxMax = offset ? CVector3(std::max(boxMax.x, v.x), std::max(boxMax.y, v.y), std::max(boxMax.z, v.z)) : v;
    }
}
} // namespace

TSceneTextureSource SetMeshSceneTextureSource(TSceneTextureSource source)
{
    const TSceneTextureSource previous = SceneTextureSource();
    SceneTextureSource() = source ? source : &GetPolyPostProcessSceneTexture;
    return previous;
}

CMeshDeviceObjects::~CMeshDeviceObjects()
{
    Destroy();
}

bool CMeshDeviceObjects::CreateSubMeshBuffers(const SSubMesh& subMesh)
{
    if (!Device)
    {
        return false;
    }
    // The entry joins the list at once so that Destroy releases whatever of
    // it was created, also when a later step fails.
    Buffers.emplace_back();
    SMeshBuffers& buffers = Buffers.back();
    buffers.Node = subMesh.Node;
    buffers.MaterialIndex = subMesh.MaterialIndex;

    const std::size_t vertexLength = static_cast<std::size_t>(subMesh.NumVertices) * subMesh.VertexSize;
    if (vertexLength == 0 || vertexLength > 0xFFFFFFFFu || subMesh.Vertices.size() < vertexLength)
    {
        return false;
    }
    buffers.VertexBuffer =
        Device->CreateVertexBuffer(static_cast<std::uint32_t>(vertexLength), kUsageWriteOnly, 0, kPoolManaged);
    if (!buffers.VertexBuffer)
    {
        return false;
    }
    buffers.NumVertices = subMesh.NumVertices;
    buffers.VertexSize = subMesh.VertexSize;
    BoundingBox(subMesh, buffers.BoxMin, buffers.BoxMax);
    if (!FillBuffer(buffers.VertexBuffer, subMesh.Vertices.data(), vertexLength))
    {
        return false;
    }

    const std::size_t indexLength = static_cast<std::size_t>(subMesh.NumFaces) * 6;
    if (indexLength == 0 || indexLength > 0xFFFFFFFFu || subMesh.Faces.size() * 2 < indexLength)
    {
        return false;
    }
    buffers.IndexBuffer =
        Device->CreateIndexBuffer(static_cast<std::uint32_t>(indexLength), kUsageWriteOnly, kFormatIndex16, kPoolManaged);
    if (!buffers.IndexBuffer)
    {
        return false;
    }
    buffers.NumIndices = subMesh.NumFaces * 3;
    return FillBuffer(buffers.IndexBuffer, subMesh.Faces.data(), indexLength);
}

bool CMeshDeviceObjects::LoadMaterial(const SMaterialDesc& desc)
{
    if (desc.NumTextures > kMaxMaterialTextures || !PrepareRenderMethod(desc.RenderMethod))
    {
        return false;
    }
    // Listed before its textures load, so that textures loaded ahead of a
    // failing one are released with the rest.
    Materials.emplace_back();
    SMeshMaterial& material = Materials.back();
    material.RenderMethod = desc.RenderMethod;
    std::memcpy(material.DiffuseColour, desc.DiffuseColour, sizeof(material.DiffuseColour));
    std::memcpy(material.SpecularColour, desc.SpecularColour, sizeof(material.SpecularColour));
    material.SpecularPower = desc.SpecularPower;
    material.NumTextures = desc.NumTextures;

    for (std::uint32_t i = 0; i < desc.NumTextures; ++i)
    {
        const std::string path = MediaName(desc.TextureFiles[i]);
        material.Textures[i] = Device ? Device->CreateTextureFromFile(path) : nullptr;
        if (!material.Textures[i])
        {
            ShowMessage("Error loading texture " + path, "CMesh Error");
            return false;
        }
    }
    return true;
}

void CMeshDeviceObjects::Render(const CMesh& mesh, const std::vector<CMatrix4x4>& worldMatrices, CCamera& camera,
                                bool postProcessPass)
{
    if (!Device || worldMatrices.empty())
    {
        return;
    }
    CVector3 centre;
    float radius;
    mesh.GetCullingSphere(worldMatrices[0], centre, radius);
    if (!camera.SphereInFrustum(centre, radius))
    {
        return;
    }
    if (!postProcessPass)
    {
        NotePolygonSurfaces(worldMatrices, camera);
    }

    for (const SMeshBuffers& buffers : Buffers)
    {
        if (buffers.MaterialIndex >= Materials.size() || buffers.Node >= worldMatrices.size())
        {
            continue;
        }
        const SMeshMaterial& material = Materials[buffers.MaterialIndex];
        if (IsPostProcessMethod(material.RenderMethod) != postProcessPass)
        {
            continue;
        }
        for (std::uint32_t stage = 0; stage < material.NumTextures; ++stage)
        {
            Device->SetTexture(stage, material.Textures[stage]);
        }
        if (postProcessPass)
        {
            Device->SetTexture(material.NumTextures, SceneTextureSource()());
        }
        SetMaterial(material.DiffuseColour, material.SpecularColour, material.SpecularPower);
        UseRenderMethod(material.RenderMethod, &worldMatrices[buffers.Node], camera);
        Device->SetStreamSource(0, buffers.VertexBuffer, 0, buffers.VertexSize);
        Device->SetIndices(buffers.IndexBuffer);
        Device->DrawIndexedPrimitive(kPrimTriangleList, 0, 0, buffers.NumVertices, 0, buffers.NumIndices / 3);
    }
}

void CMeshDeviceObjects::NotePolygonSurfaces(const std::vector<CMatrix4x4>& worldMatrices, const CCamera& camera) const
{
    for (const SMeshBuffers& buffers : Buffers)
    {
        if (buffers.MaterialIndex < Materials.size() && buffers.Node < worldMatrices.size() &&
            IsPostProcessMethod(Materials[buffers.MaterialIndex].RenderMethod))
        {
            NotePolygonSurface(camera, worldMatrices[buffers.Node], buffers.BoxMin, buffers.BoxMax,
                               RenderMethodSceneReach(Materials[buffers.MaterialIndex].RenderMethod));
        }
    }
}

void CMeshDeviceObjects::Destroy()
{
    for (SMeshMaterial& material : Materials)
    {
        for (CTexture*& texture : material.Textures)
        {
            SafeRelease(texture);
        }
    }
    Materials.clear();
    for (SMeshBuffers& buffers : Buffers)
    {
        SafeRelease(buffers.IndexBuffer);
        SafeRelease(buffers.VertexBuffer);
    }
    Buffers.clear();
}

std::unique_ptr<CMeshDevice> CreateMeshDeviceObjects()
{
    if (!Device)
    {
        return nullptr;
    }
    return std::unique_ptr<CMeshDevice>(new CMeshDeviceObjects);
}

} // namespace gen
