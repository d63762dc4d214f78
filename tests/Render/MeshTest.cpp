#include "Render/CMesh.h"

#include "../Entities/TestDoubles.h"
#include "Common/Message.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace gen
{
namespace
{

// Records every user message shown while it lives.
class CMessageRecorder
{
public:
    CMessageRecorder()
        : Previous(SetMessageHandler([this](const std::string& text, const std::string& caption) {
              Messages.push_back(caption + ": " + text);
          }))
    {
    }
    ~CMessageRecorder() { SetMessageHandler(Previous); }

    std::vector<std::string> Messages;

private:
    TMessageHandler Previous;
};

const char* const kFramesOnlyMesh = "../tests/data/mesh/FramesOnly.x";
const char* const kNotXFileMesh = "../tests/data/mesh/NotXFile.x";
const char* const kTruncatedMesh = "../tests/data/mesh/Truncated.x";

TEST(Mesh, LoadsNodesSubMeshesAndMaterialsWithoutADevice)
{
    CMesh mesh(nullptr);
    EXPECT_FALSE(mesh.IsLoaded());
    EXPECT_EQ(mesh.GetNumNodes(), 0u);
    ASSERT_TRUE(mesh.Load(kHierarchyMesh));
    EXPECT_TRUE(mesh.IsLoaded());
    EXPECT_EQ(mesh.GetDevice(), nullptr);

    ASSERT_EQ(mesh.GetNumNodes(), 5u);
    const char* names[] = {"Root", "Body", "Arm", "Hand", "Leg"};
    const std::uint32_t parents[] = {0, 0, 1, 2, 1};
    for (std::uint32_t i = 0; i < 5; ++i)
    {
        EXPECT_EQ(mesh.GetNode(i).Name, names[i]);
        EXPECT_EQ(mesh.GetNode(i).Parent, parents[i]);
    }
    EXPECT_EQ(mesh.GetNode(3).Matrix.GetPosition(), CVector3(0, 0, 4));

    ASSERT_EQ(mesh.GetNumSubMeshes(), 1u);
    EXPECT_EQ(mesh.GetSubMesh(0).Node, 1u);
    EXPECT_EQ(mesh.GetSubMesh(0).NumVertices, 3u);
    EXPECT_EQ(mesh.GetSubMesh(0).VertexSize, 32u);
    EXPECT_EQ(mesh.GetSubMesh(0).NumFaces, 1u);
    ASSERT_EQ(mesh.GetNumMaterials(), 1u);
    EXPECT_EQ(mesh.GetMaterial(0).RenderMethod, kPlainColour);
    EXPECT_EQ(mesh.GetBoundingRadius(), 5.0f); // the vertex (3, 4, 0)

    // With no device half there is nothing to draw with.
    CCamera camera;
    mesh.Render(std::vector<CMatrix4x4>(5, CMatrix4x4::kIdentity), camera, false);

    mesh.Destroy();
    EXPECT_FALSE(mesh.IsLoaded());
    EXPECT_EQ(mesh.GetNumNodes(), 0u);
    EXPECT_EQ(mesh.GetNumSubMeshes(), 0u);
    EXPECT_EQ(mesh.GetNumMaterials(), 0u);
}

TEST(Mesh, FailuresBeforeTheImportLeaveTheMeshAsItWas)
{
    CMessageRecorder messages;
    CMesh mesh(nullptr);
    ASSERT_TRUE(mesh.Load(kHierarchyMesh));
    // Missing, not an X file, empty name, unreadable content: all silent.
    for (const char* name : {"../tests/data/mesh/NoSuchFile.x", kNotXFileMesh, "", kTruncatedMesh})
    {
        EXPECT_FALSE(mesh.Load(name)) << name;
        EXPECT_TRUE(mesh.IsLoaded()) << name;
        EXPECT_EQ(mesh.GetNumNodes(), 5u) << name;
    }
    EXPECT_TRUE(messages.Messages.empty());

    CMesh empty(nullptr);
    EXPECT_FALSE(empty.Load(kNotXFileMesh));
    EXPECT_FALSE(empty.IsLoaded());
}

TEST(Mesh, AFileWithoutMeshDataImportsButDoesNotLoad)
{
    CMessageRecorder messages;
    CMesh mesh(nullptr);
    ASSERT_TRUE(mesh.Load(kHierarchyMesh));
    // The import succeeds and replaces the old content; no submesh means no
    // bounding radius, so the mesh ends up empty.
    EXPECT_FALSE(mesh.Load(kFramesOnlyMesh));
    EXPECT_FALSE(mesh.IsLoaded());
    EXPECT_EQ(mesh.GetNumNodes(), 0u);
    EXPECT_TRUE(messages.Messages.empty());
}

TEST(Mesh, LoadingAgainReplacesTheContent)
{
    CRecordingDeviceScope device;
    CMesh mesh(CRecordingMeshDevice::Create());
    ASSERT_TRUE(mesh.Load(kHierarchyMesh));
    ASSERT_NE(mesh.GetDevice(), nullptr);
    EXPECT_EQ(DeviceLog().SubMeshBuffers, 1);
    EXPECT_EQ(DeviceLog().Materials, 1);
    EXPECT_EQ(DeviceLog().Destroys, 0);

    ASSERT_TRUE(mesh.Load(kTwoMaterialsMesh));
    EXPECT_EQ(DeviceLog().Destroys, 1); // the first content went before the second was built
    EXPECT_EQ(DeviceLog().SubMeshBuffers, 3);
    EXPECT_EQ(DeviceLog().Materials, 3);
    EXPECT_EQ(mesh.GetNumNodes(), 2u);
    EXPECT_EQ(mesh.GetNumSubMeshes(), 2u);
    EXPECT_EQ(mesh.GetNumMaterials(), 2u);
    EXPECT_FLOAT_EQ(mesh.GetBoundingRadius(), std::sqrt(5.0f)); // (1, 0, 2) in the second submesh
}

TEST(Mesh, DeviceFailureEmptiesTheMesh)
{
    CRecordingDeviceScope device;
    DeviceLog().FailSubMeshAt = 1;
    CMesh mesh(CRecordingMeshDevice::Create());
    EXPECT_FALSE(mesh.Load(kTwoMaterialsMesh));
    EXPECT_FALSE(mesh.IsLoaded());
    EXPECT_EQ(mesh.GetNumSubMeshes(), 0u);
    EXPECT_EQ(DeviceLog().Destroys, 1);
    EXPECT_EQ(DeviceLog().Materials, 0);

    DeviceLog() = {};
    DeviceLog().FailMaterialAt = 0;
    EXPECT_FALSE(mesh.Load(kTwoMaterialsMesh));
    EXPECT_FALSE(mesh.IsLoaded());
    EXPECT_EQ(DeviceLog().Destroys, 1);

    DeviceLog() = {};
    EXPECT_TRUE(mesh.Load(kTwoMaterialsMesh));
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

TEST(Mesh, SubMeshesAreSortedIntoPassesByRenderMethod)
{
    CMesh mesh(nullptr);
    ASSERT_TRUE(mesh.Load(kTwoMaterialsMesh));
    ASSERT_EQ(mesh.GetNumSubMeshes(), 2u);
    int ordinary = -1, postProcess = -1;
    for (std::uint32_t i = 0; i < 2; ++i)
    {
        const ERenderMethod method = mesh.GetMaterial(mesh.GetSubMesh(i).MaterialIndex).RenderMethod;
        (method == kTintPoly ? postProcess : ordinary) = static_cast<int>(i);
        EXPECT_NE(mesh.IsSubMeshInPass(i, false), mesh.IsSubMeshInPass(i, true));
    }
    ASSERT_GE(ordinary, 0);
    ASSERT_GE(postProcess, 0);
    EXPECT_TRUE(mesh.IsSubMeshInPass(static_cast<std::uint32_t>(ordinary), false));
    EXPECT_TRUE(mesh.IsSubMeshInPass(static_cast<std::uint32_t>(postProcess), true));
    EXPECT_EQ(mesh.GetMaterial(mesh.GetSubMesh(static_cast<std::uint32_t>(ordinary)).MaterialIndex).RenderMethod,
              kPlainColour);
}

TEST(Mesh, CullingSphereScalesWithTheLargestRootAxis)
{
    CMesh mesh(nullptr);
    ASSERT_TRUE(mesh.Load(kHierarchyMesh));
    CMatrix4x4 root = CMatrix4x4::kIdentity;
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
    good.MaterialIndex = 0;
    good.NumVertices = 3;
    good.VertexSize = 32;
    good.Vertices.assign(3 * 32, 0);
    good.NumFaces = 1;
    good.Faces = {0, 1, 2};
    EXPECT_TRUE(CMesh::IsValidSubMesh(good, 2, 1));

    EXPECT_FALSE(CMesh::IsValidSubMesh(good, 1, 1)); // node past the list
    EXPECT_FALSE(CMesh::IsValidSubMesh(good, 2, 0)); // material past the list
    SSubMesh bad = good;
    bad.Faces[2] = 3; // face index past the vertices
    EXPECT_FALSE(CMesh::IsValidSubMesh(bad, 2, 1));
    bad = good;
    bad.NumFaces = 2; // more faces than the block holds
    EXPECT_FALSE(CMesh::IsValidSubMesh(bad, 2, 1));
    bad = good;
    bad.NumVertices = 4;
    EXPECT_FALSE(CMesh::IsValidSubMesh(bad, 2, 1));
    bad = good;
    bad.VertexSize = 8; // no room for a position
    bad.Vertices.assign(3 * 8, 0);
    EXPECT_FALSE(CMesh::IsValidSubMesh(bad, 2, 1));
}

} // namespace
} // namespace gen
