// The mesh's device-free half: loading into nodes, submeshes and materials,
// what failures leave behind, the device half it drives, passes and culling.
#include "Mesh/CMesh.h"

#include "../Entities/TestDoubles.h"
#include "Support/Checks.h"

#include <cmath>
#include <functional>

namespace gen
{
namespace
{

TEST(Mesh, LoadsNodesSubMeshesAndMaterialsWithoutADevice)
{
    CMesh mesh(nullptr);
    EXPECT_FALSE(mesh.IsLoaded());
    ASSERT_TRUE(mesh.Load(kHierarchyMesh));
    EXPECT_TRUE(mesh.IsLoaded());
    EXPECT_EQ(mesh.GetDevice(), nullptr);
    ASSERT_EQ(mesh.GetNumNodes(), 5u);
    EXPECT_EQ(mesh.GetNode(3).Name, "Hand");
    EXPECT_EQ(mesh.GetNode(3).Parent, 2u);
    EXPECT_EQ(mesh.GetNode(3).Matrix.GetPosition(), CVector3(0, 0, 4));
    ASSERT_EQ(mesh.GetNumSubMeshes(), 1u);
    EXPECT_EQ(mesh.GetSubMesh(0).Node, 1u);
    EXPECT_EQ(mesh.GetSubMesh(0).NumVertices, 3u);
    EXPECT_EQ(mesh.GetSubMesh(0).VertexSize, 32u);
    EXPECT_EQ(mesh.GetSubMesh(0).NumFaces, 1u);
    ASSERT_EQ(mesh.GetNumMaterials(), 1u);
    EXPECT_EQ(mesh.GetMaterial(0).RenderMethod, kPlainColour);
    EXPECT_EQ(mesh.GetBoundingRadius(), 5.0f); // the vertex (3, 4, 0)

    mesh.Destroy();
    EXPECT_FALSE(mesh.IsLoaded());
    EXPECT_EQ(mesh.GetNumNodes() + mesh.GetNumSubMeshes() + mesh.GetNumMaterials(), 0u);
}

TEST(Mesh, FailuresBeforeTheImportKeepTheMeshAndAFileWithoutMeshDataEmptiesIt)
{
    CMessageLog messages;
    CMesh mesh(nullptr);
    ASSERT_TRUE(mesh.Load(kHierarchyMesh));
    // Missing, not an X file, empty name, unreadable content: all silent.
    for (const char* name : {"../tests/data/mesh/NoSuchFile.x", "../tests/data/mesh/NotXFile.x", "",
                             "../tests/data/mesh/Truncated.x"})
    {
        EXPECT_FALSE(mesh.Load(name)) << name;
        EXPECT_EQ(mesh.GetNumNodes(), 5u) << name;
    }
    EXPECT_TRUE(mesh.IsLoaded());
    // The import succeeds and replaces the old content; no submesh means no
    // bounding radius, so the mesh ends up empty.
    EXPECT_FALSE(mesh.Load("../tests/data/mesh/FramesOnly.x"));
    EXPECT_FALSE(mesh.IsLoaded());
    EXPECT_EQ(mesh.GetNumNodes(), 0u);
    EXPECT_TRUE(messages.Messages.empty());
}

TEST(Mesh, LoadingAgainReplacesTheContentAndDeviceFailuresEmptyTheMesh)
{
    CRecordingDeviceScope device;
    CMesh mesh(CRecordingMeshDevice::Create());
    ASSERT_TRUE(mesh.Load(kHierarchyMesh));
    ASSERT_NE(mesh.GetDevice(), nullptr);
    ASSERT_TRUE(mesh.Load(kTwoMaterialsMesh));
    EXPECT_EQ(DeviceLog().Destroys, 1); // the first content went before the second was built
    EXPECT_EQ(DeviceLog().SubMeshBuffers, 3);
    EXPECT_EQ(DeviceLog().Materials, 3);
    EXPECT_EQ(mesh.GetNumNodes(), 2u);
    EXPECT_EQ(mesh.GetNumSubMeshes(), 2u);
    EXPECT_EQ(mesh.GetNumMaterials(), 2u);
    EXPECT_FLOAT_EQ(mesh.GetBoundingRadius(), std::sqrt(5.0f)); // (1, 0, 2) in the second submesh

    // A submesh or material the device refuses empties the mesh.
    for (const auto& [failAt, index] : {std::pair(&SDeviceLog::FailSubMeshAt, 1), {&SDeviceLog::FailMaterialAt, 0}})
    {
        DeviceLog() = {};
        DeviceLog().*failAt = index;
        CMesh failing(CRecordingMeshDevice::Create());
        EXPECT_FALSE(failing.Load(kTwoMaterialsMesh));
        EXPECT_FALSE(failing.IsLoaded());
        EXPECT_EQ(failing.GetNumSubMeshes(), 0u);
        EXPECT_EQ(DeviceLog().Destroys, 1);
    }
}

TEST(Mesh, RenderGoesToTheDeviceHalfWithAMatrixPerNode)
{
    CRecordingDeviceScope device;
    CMesh mesh(CRecordingMeshDevice::Create());
    ASSERT_TRUE(mesh.Load(kHierarchyMesh));
    CCamera camera;
    std::vector<CMatrix4x4> world(5, CMatrix4x4::kIdentity);
    world[3].SetPosition({1, 2, 3});
    mesh.Render(world, camera, true);
    ASSERT_EQ(DeviceLog().Renders.size(), 1u);
    EXPECT_EQ(DeviceLog().Renders[0].Mesh, &mesh);
    EXPECT_EQ(DeviceLog().Renders[0].WorldMatrices[3], world[3]);
    EXPECT_TRUE(DeviceLog().Renders[0].PostProcessPass);
    // Too few matrices (an entity built before a reload) draws nothing, as
    // does a mesh that is not loaded.
    mesh.Render(std::vector<CMatrix4x4>(4, CMatrix4x4::kIdentity), camera, false);
    mesh.Destroy();
    mesh.Render(world, camera, false);
    EXPECT_EQ(DeviceLog().Renders.size(), 1u);
}

TEST(Mesh, SubMeshesGoToThePassOfTheirMethodAndCullingScalesWithTheLargestAxis)
{
    CMesh mesh(nullptr);
    ASSERT_TRUE(mesh.Load(kTwoMaterialsMesh));
    for (std::uint32_t i = 0; i < 2; ++i)
    {
        const bool postProcess = mesh.GetMaterial(mesh.GetSubMesh(i).MaterialIndex).RenderMethod == kTintPoly;
        EXPECT_TRUE(mesh.IsSubMeshInPass(i, postProcess)) << i;
        EXPECT_FALSE(mesh.IsSubMeshInPass(i, !postProcess)) << i;
    }
    EXPECT_NE(mesh.GetMaterial(0).RenderMethod, mesh.GetMaterial(1).RenderMethod);

    ASSERT_TRUE(mesh.Load(kHierarchyMesh));
    CMatrix4x4 root;
    root.MakeAffineEuler({7, 8, 9}, {0.3f, 0.2f, 0.1f}, kZXY, {1, 3, 1});
    CVector3 centre;
    float radius = 0;
    mesh.GetCullingSphere(root, centre, radius);
    EXPECT_EQ(centre, CVector3(7, 8, 9));
    EXPECT_NEAR(radius, 15.0f, 1e-5f);
}

TEST(Mesh, SubMeshChecksCatchIndicesOutOfRange)
{
    SSubMesh good;
    good.Node = 1;
    good.NumVertices = 3;
    good.VertexSize = 32;
    good.Vertices.assign(3 * 32, 0);
    good.NumFaces = 1;
    good.Faces = {0, 1, 2};
    EXPECT_TRUE(CMesh::IsValidSubMesh(good, 2, 1));
    EXPECT_FALSE(CMesh::IsValidSubMesh(good, 1, 1)); // node past the list
    EXPECT_FALSE(CMesh::IsValidSubMesh(good, 2, 0)); // material past the list
    const std::function<void(SSubMesh&)> faults[] = {
        [](SSubMesh& s) { s.Faces[2] = 3; },  // a face index past the vertices
        [](SSubMesh& s) { s.NumFaces = 2; },  // more faces than the block holds
        [](SSubMesh& s) { s.NumVertices = 4; },
        [](SSubMesh& s) { s.VertexSize = 8, s.Vertices.assign(3 * 8, 0); }, // no room for a position
    };
    for (const auto& fault : faults)
    {
        SSubMesh bad = good;
        fault(bad);
        EXPECT_FALSE(CMesh::IsValidSubMesh(bad, 2, 1));
    }
}

} // namespace
} // namespace gen
