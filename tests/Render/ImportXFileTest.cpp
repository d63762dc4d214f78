// The importer over the hand-written files in tests/data: node trees, face
// merging, material lists, splitting, output records and every refusal.

#include "Common/CFatalException.h"
#include "Render/CImportXFile.h"
#include "Render/CImportXFileSteps.h"
#include "Render/XFile.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace gen
{
namespace
{

std::string DataFile(const std::string& name)
{
    return "tests/data/" + name;
}

struct SVertex
{
    CVector3 Position;
    CVector3 Normal;
    CVector3 Tangent;
    CVector2 Uv;
};

// Reads vertex v of a submesh that has normals, perhaps uvs, and tangents
// when asked for.
SVertex VertexOf(const SSubMesh& s, std::uint32_t v, bool tangents)
{
    SVertex out{};
    const std::uint8_t* p = s.Vertices.data() + static_cast<std::size_t>(v) * s.VertexSize;
    std::memcpy(&out.Position, p, 12);
    std::memcpy(&out.Normal, p + 12, 12);
    if (tangents)
    {
        std::memcpy(&out.Tangent, p + 24, 12);
    }
    if (s.VertexSize >= (tangents ? 44u : 32u))
    {
        std::memcpy(&out.Uv, p + (tangents ? 36 : 24), 8);
    }
    return out;
}

// Binary-file writer for generated files.
class CBinaryX
{
public:
    CBinaryX() : Out("xof 0302bin 0032") {}
    void Word(std::uint16_t w) { Out.append(reinterpret_cast<const char*>(&w), 2); }
    void Dword(std::uint32_t d) { Out.append(reinterpret_cast<const char*>(&d), 4); }
    void Name(const std::string& name)
    {
        Word(1);
        Dword(static_cast<std::uint32_t>(name.size()));
        Out += name;
    }
    void Open(const char* type, const std::string& name = std::string())
    {
        Name(type);
        if (!name.empty()) Name(name);
        Word(10);
    }
    void Close() { Word(11); }
    void Reference(const std::string& name)
    {
        Word(10);
        Name(name);
        Word(11);
    }
    void Ints(const std::vector<std::uint32_t>& v)
    {
        Word(6);
        Dword(static_cast<std::uint32_t>(v.size()));
        for (std::uint32_t x : v) Dword(x);
    }
    void Floats(const std::vector<float>& v)
    {
        Word(7);
        Dword(static_cast<std::uint32_t>(v.size()));
        Out.append(reinterpret_cast<const char*>(v.data()), v.size() * 4);
    }
    // A material list giving every face one white material.
    void Material()
    {
        Open("MeshMaterialList");
        Ints({1, 1, 0});
        Open("Material");
        Floats({1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0});
        Close();
        Close();
    }
    std::string Out;
};

TEST(ImportXFile, IsXFileWantsTheExactMagic)
{
    EXPECT_TRUE(IsXFile(DataFile("Cube.x")));
    EXPECT_TRUE(IsXFile("tests\\data\\Cube.x")); // data paths use backslashes
    EXPECT_FALSE(IsXFile(DataFile("NotXFileTab.x")));
    EXPECT_FALSE(IsXFile(DataFile("Missing.x")));
    EXPECT_FALSE(IsXFile(""));

    CImportXFile importer;
    EXPECT_EQ(importer.ImportFile(DataFile("NotXFileTab.x")), kImportNotXFile);
    EXPECT_EQ(importer.ImportFile(""), kImportNotXFile);
    EXPECT_EQ(importer.ImportMemory("xof", 3), kImportNotXFile);
}

TEST(ImportXFile, NodesFollowTheFramesDepthFirst)
{
    CImportXFile importer;
    ASSERT_EQ(importer.ImportFile(DataFile("Frames.x")), kImportOK);
    EXPECT_TRUE(importer.IsImported());
    ASSERT_EQ(importer.GetNumNodes(), 5u);
    const char* names[] = {"Root", "A", "B", "", "D"};
    const std::uint32_t parents[] = {0, 0, 1, 1, 0};
    const std::uint32_t depths[] = {0, 1, 2, 2, 1};
    const std::uint32_t children[] = {2, 2, 0, 0, 0};
    for (std::uint32_t i = 0; i < 5; ++i)
    {
        SMeshNode node;
        importer.GetNode(i, node);
        EXPECT_EQ(node.Name, names[i]) << i;
        EXPECT_EQ(node.Parent, parents[i]) << i;
        EXPECT_EQ(node.Depth, depths[i]) << i;
        EXPECT_EQ(node.NumChildren, children[i]) << i;
    }
    SMeshNode node;
    importer.GetNode(1, node);
    EXPECT_EQ(node.Matrix.GetPosition(), CVector3(10, 0, 0));
    importer.GetNode(2, node);
    EXPECT_EQ(node.Matrix, CMatrix4x4::kIdentity); // no FrameTransformMatrix
    importer.GetNode(3, node);
    EXPECT_EQ(node.Matrix(0, 0), 3.0f); // the second matrix overwrites the first
    EXPECT_EQ(node.Matrix.GetPosition(), CVector3(0, 5, 0));
    importer.GetNode(4, node);
    EXPECT_EQ(node.Matrix.GetPosition(), CVector3(0, 0, -4.5f));
    EXPECT_EQ(importer.GetNumSubMeshes(), 0u);
}

TEST(ImportXFile, ReferencedFramesArePlacedWhereverTheyAreReferenced)
{
    CImportXFile importer;
    ASSERT_EQ(importer.ImportFile(DataFile("ReferencedFrames.x")), kImportOK);
    ASSERT_EQ(importer.GetNumNodes(), 7u);
    SMeshNode node;
    importer.GetNode(4, node);
    EXPECT_EQ(node.Name, "Wheel");
    EXPECT_EQ(node.Parent, 3u);
    EXPECT_EQ(node.Matrix.GetPosition(), CVector3(0, 0, 1));
    importer.GetNode(6, node);
    EXPECT_EQ(node.Name, "Wheel");
    EXPECT_EQ(node.Parent, 5u);
}

TEST(ImportXFile, CubeWithFaceNormalsGetsOneVertexPerCornerAndNormal)
{
    CImportXFile importer;
    ASSERT_EQ(importer.ImportFile(DataFile("Cube.x")), kImportOK);
    ASSERT_EQ(importer.GetNumSubMeshes(), 1u);
    SSubMesh s;
    ASSERT_EQ(importer.GetSubMesh(0, s, false), kImportOK);
    EXPECT_EQ(s.Node, 1u);
    EXPECT_EQ(s.NumVertices, 24u);
    EXPECT_EQ(s.NumFaces, 12u);
    EXPECT_EQ(s.VertexSize, 32u);
    ASSERT_EQ(s.Faces.size(), 36u);
    ASSERT_EQ(s.Vertices.size(), 24u * 32);
    // The first quad (0,1,2,3) fans into (0,1,2), (0,2,3).
    const std::uint16_t first[] = {0, 1, 2, 0, 2, 3};
    EXPECT_TRUE(std::equal(first, first + 6, s.Faces.begin()));
    EXPECT_EQ(VertexOf(s, 0, false).Position, CVector3(-1, -1, -1));
    EXPECT_EQ(VertexOf(s, 2, false).Position, CVector3(1, 1, -1));
    // Every triangle is flat-shaded: its corners carry its face's normal.
    for (std::uint32_t t = 0; t < s.NumFaces; ++t)
    {
        const CVector3 n = VertexOf(s, s.Faces[t * 3], false).Normal;
        EXPECT_EQ(VertexOf(s, s.Faces[t * 3 + 1], false).Normal, n) << t;
        EXPECT_EQ(VertexOf(s, s.Faces[t * 3 + 2], false).Normal, n) << t;
        EXPECT_FLOAT_EQ(n.Length(), 1.0f);
    }
    // Each corner position appears with three different normals.
    int copies = 0;
    for (std::uint32_t v = 0; v < 24; ++v)
    {
        copies += VertexOf(s, v, false).Position == CVector3(1, 1, 1) ? 1 : 0;
    }
    EXPECT_EQ(copies, 3);
}

TEST(ImportXFile, BinaryCompressedAndTextCubesAreIdentical)
{
    CImportXFile text, binary, compressed;
    ASSERT_EQ(text.ImportFile(DataFile("Cube.x")), kImportOK);
    ASSERT_EQ(binary.ImportFile(DataFile("CubeBinary.x")), kImportOK);
    ASSERT_EQ(compressed.ImportFile(DataFile("CubeCompressed.x")), kImportOK);
    SSubMesh a, b, c;
    ASSERT_EQ(text.GetSubMesh(0, a, true), kImportOK);
    ASSERT_EQ(binary.GetSubMesh(0, b, true), kImportOK);
    ASSERT_EQ(compressed.GetSubMesh(0, c, true), kImportOK);
    EXPECT_EQ(a.Vertices, b.Vertices);
    EXPECT_EQ(a.Faces, b.Faces);
    EXPECT_EQ(a.Vertices, c.Vertices);
    EXPECT_EQ(a.Faces, c.Faces);
    EXPECT_EQ(binary.GetNumNodes(), text.GetNumNodes());
}

TEST(ImportXFile, ImportFromMemoryMatchesImportFromFile)
{
    std::ifstream in(DataFile("QuadCompressedBinary.x"), std::ios::binary);
    std::stringstream buffer;
    buffer << in.rdbuf();
    const std::string image = buffer.str();
    CImportXFile fromMemory, fromFile;
    ASSERT_EQ(fromMemory.ImportMemory(image.data(), image.size()), kImportOK);
    ASSERT_EQ(fromFile.ImportFile(DataFile("QuadBinary64.x")), kImportOK);
    SSubMesh a, b;
    ASSERT_EQ(fromMemory.GetSubMesh(0, a, true), kImportOK);
    ASSERT_EQ(fromFile.GetSubMesh(0, b, true), kImportOK);
    EXPECT_EQ(a.Vertices, b.Vertices);
}

TEST(ImportXFile, MaterialIndexLists)
{
    {
        // One index for ten polygons: all triangles take it.
        CImportXFile importer;
        ASSERT_EQ(importer.ImportFile(DataFile("OneIndexManyPolygons.x")), kImportOK);
        ASSERT_EQ(importer.GetNumSubMeshes(), 1u);
        SSubMesh s;
        ASSERT_EQ(importer.GetSubMesh(0, s, false), kImportOK);
        EXPECT_EQ(s.NumFaces, 10u);
        EXPECT_EQ(s.MaterialIndex, 1u);
    }
    {
        // One index for exactly one polygon: the per-polygon path.
        CImportXFile importer;
        ASSERT_EQ(importer.ImportFile(DataFile("SinglePolygonMaterial.x")), kImportOK);
        ASSERT_EQ(importer.GetNumSubMeshes(), 1u);
        SSubMesh s;
        ASSERT_EQ(importer.GetSubMesh(0, s, false), kImportOK);
        EXPECT_EQ(s.NumFaces, 2u);
    }
    {
        // Per polygon: the pentagon's three triangles follow its index.
        CImportXFile importer;
        ASSERT_EQ(importer.ImportFile(DataFile("Pentagon.x")), kImportOK);
        ASSERT_EQ(importer.GetNumSubMeshes(), 2u);
        SSubMesh quad, pentagon;
        ASSERT_EQ(importer.GetSubMesh(0, quad, false), kImportOK);
        ASSERT_EQ(importer.GetSubMesh(1, pentagon, false), kImportOK);
        EXPECT_EQ(quad.NumFaces, 2u);
        EXPECT_EQ(pentagon.NumFaces, 3u);
        EXPECT_EQ(pentagon.NumVertices, 5u);
        const std::uint16_t fan[] = {0, 1, 2, 0, 2, 3, 0, 3, 4};
        EXPECT_TRUE(std::equal(fan, fan + 9, pentagon.Faces.begin()));
    }
}

TEST(ImportXFile, SplitsPerUsedMaterialAndRenumbersByFirstUse)
{
    CImportXFile importer;
    ASSERT_EQ(importer.ImportFile(DataFile("ThreeMaterials.x")), kImportOK);
    EXPECT_EQ(importer.GetNumMaterials(), 3u);
    ASSERT_EQ(importer.GetNumSubMeshes(), 2u); // material 1 unused, mesh Bare has no list
    SSubMesh a, b;
    ASSERT_EQ(importer.GetSubMesh(0, a, false), kImportOK);
    ASSERT_EQ(importer.GetSubMesh(1, b, false), kImportOK);
    EXPECT_EQ(a.MaterialIndex, 0u);
    EXPECT_EQ(b.MaterialIndex, 2u);
    EXPECT_EQ(a.Node, 1u);
    // Material 0 has triangle (2,3,0): renumbered 0,1,2 in order of use.
    EXPECT_EQ(a.NumVertices, 3u);
    const std::uint16_t aFaces[] = {0, 1, 2};
    EXPECT_TRUE(std::equal(aFaces, aFaces + 3, a.Faces.begin()));
    CVector3 p;
    std::memcpy(&p, a.Vertices.data(), 12);
    EXPECT_EQ(p, CVector3(1, 1, 0));
    // Material 2 has (0,1,2) and (3,2,1); the unused position 4 is nowhere.
    EXPECT_EQ(b.NumVertices, 4u);
    const std::uint16_t bFaces[] = {0, 1, 2, 3, 2, 1};
    EXPECT_TRUE(std::equal(bFaces, bFaces + 6, b.Faces.begin()));
}

TEST(ImportXFile, EqualMaterialsMergeKeepingTheFirstName)
{
    CImportXFile importer;
    ASSERT_EQ(importer.ImportFile(DataFile("MergedMaterials.x")), kImportOK);
    EXPECT_EQ(importer.GetNumMaterials(), 3u); // PlainWood, Shared, PlainWoodShiny
    ASSERT_EQ(importer.GetNumSubMeshes(), 2u);
    for (std::uint32_t i = 0; i < 2; ++i)
    {
        SSubMesh s;
        ASSERT_EQ(importer.GetSubMesh(i, s, false), kImportOK);
        EXPECT_EQ(s.MaterialIndex, 0u);
        EXPECT_EQ(importer.GetSubMeshRenderMethod(i), kPlainTexture); // not NormalMap
    }
    SMaterialDesc shared;
    importer.GetMaterial(1, shared);
    EXPECT_EQ(shared.TextureFiles[0], "shared.png");
    EXPECT_FLOAT_EQ(shared.DiffuseColour[2], 0.75f);
    EXPECT_FLOAT_EQ(shared.SpecularColour[0], 0.1f);
    EXPECT_EQ(shared.SpecularColour[3], 1.0f);
    EXPECT_EQ(shared.SpecularPower, 8.0f);
    EXPECT_EQ(shared.RenderMethod, kPixelLitTex);
    SMaterialDesc shiny;
    importer.GetMaterial(2, shiny);
    EXPECT_EQ(shiny.SpecularPower, 21.0f);
}

TEST(ImportXFile, MaterialDescriptionsDeriveFurtherTextureNames)
{
    CImportXFile importer;
    ASSERT_EQ(importer.ImportFile(DataFile("TextureNames.x")), kImportOK);
    ASSERT_EQ(importer.GetNumMaterials(), 5u);
    SMaterialDesc m;
    importer.GetMaterial(0, m);
    EXPECT_EQ(m.RenderMethod, kEarth);
    ASSERT_EQ(m.NumTextures, 2u);
    EXPECT_EQ(m.TextureFiles[0], "stone.dds");
    EXPECT_EQ(m.TextureFiles[1], "stone1.dds");
    EXPECT_EQ(m.TextureFiles[2], "");
    importer.GetMaterial(1, m);
    EXPECT_EQ(m.RenderMethod, kParallaxMap);
    EXPECT_EQ(m.TextureFiles[1], "rock1");
    importer.GetMaterial(2, m);
    EXPECT_EQ(m.RenderMethod, kNormalMap);
    EXPECT_EQ(m.TextureFiles[0], "a.b.tga"); // the last TextureFilename wins
    EXPECT_EQ(m.TextureFiles[1], "a.b1.tga");
    importer.GetMaterial(3, m);
    EXPECT_EQ(m.RenderMethod, kPlainColour);
    EXPECT_EQ(m.NumTextures, 0u);
    EXPECT_EQ(m.TextureFiles[0], "");
    importer.GetMaterial(4, m);
    EXPECT_EQ(m.RenderMethod, kAtmosphere);
    EXPECT_EQ(m.DiffuseColour[3], 0.5f);
    EXPECT_EQ(m.SpecularPower, 20.0f);
}

TEST(ImportXFile, VertexColoursDefaultToOpaqueWhite)
{
    CImportXFile importer;
    ASSERT_EQ(importer.ImportFile(DataFile("VertexColours.x")), kImportOK);
    SSubMesh s;
    ASSERT_EQ(importer.GetSubMesh(0, s, false), kImportOK);
    ASSERT_EQ(s.VertexSize, 28u);
    float c[3][4];
    for (int v = 0; v < 3; ++v)
    {
        std::memcpy(c[v], s.Vertices.data() + v * 28 + 12, 16);
    }
    EXPECT_EQ(c[0][0], 1.0f);
    EXPECT_EQ(c[0][3], 0.5f);
    EXPECT_EQ(c[1][0], 1.0f);
    EXPECT_EQ(c[1][1], 1.0f);
    EXPECT_EQ(c[1][2], 1.0f);
    EXPECT_EQ(c[1][3], 1.0f);
    EXPECT_EQ(c[2][2], 1.0f);
    EXPECT_EQ(c[2][0], 0.0f);
}

TEST(ImportXFile, TangentsOnAKnownQuad)
{
    CImportXFile importer;
    ASSERT_EQ(importer.ImportFile(DataFile("QuadBinary64.x")), kImportOK);
    EXPECT_EQ(importer.GetSubMeshRenderMethod(0), kNormalMap);
    SSubMesh plain, tangent;
    ASSERT_EQ(importer.GetSubMesh(0, plain, false), kImportOK);
    ASSERT_EQ(importer.GetSubMesh(0, tangent, true), kImportOK);
    EXPECT_EQ(plain.VertexSize, 32u);
    EXPECT_EQ(tangent.VertexSize, 44u);
    const std::uint16_t faces[] = {0, 1, 2, 0, 2, 3};
    EXPECT_TRUE(std::equal(faces, faces + 6, tangent.Faces.begin()));
    for (std::uint32_t v = 0; v < 4; ++v)
    {
        const SVertex a = VertexOf(plain, v, false);
        const SVertex b = VertexOf(tangent, v, true);
        EXPECT_EQ(a.Position, b.Position);
        EXPECT_EQ(a.Uv.u, b.Uv.u);
        EXPECT_EQ(a.Uv.v, b.Uv.v);
        // u grows along +x: the tangent is +x, at right angles to the normal.
        EXPECT_NEAR(b.Tangent.x, 1.0f, 1e-6f) << v;
        EXPECT_NEAR(b.Tangent.y, 0.0f, 1e-6f) << v;
        EXPECT_NEAR(b.Tangent.z, 0.0f, 1e-6f) << v;
        EXPECT_EQ(b.Normal, CVector3(0, 0, -1));
    }
}

TEST(ImportXFile, TangentsWithoutTexCoordsOrWithDegenerateMappingAreZero)
{
    {
        // Positions only: the tangent slot is there, and zero.
        CImportXFile importer;
        ASSERT_EQ(importer.ImportFile(DataFile("TopLevelMesh.x")), kImportOK);
        SSubMesh s;
        ASSERT_EQ(importer.GetSubMesh(0, s, true), kImportOK);
        ASSERT_EQ(s.VertexSize, 24u);
        for (std::uint32_t v = 0; v < s.NumVertices; ++v)
        {
            CVector3 t;
            std::memcpy(&t, s.Vertices.data() + v * 24 + 12, 12);
            EXPECT_EQ(t, CVector3(0, 0, 0));
        }
    }
    {
        // All corners share one uv, so S is 0: no NaN, a zero tangent.
        const std::string text = "xof 0302txt 0032\nMesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;;\n"
                                 " MeshNormals { 1; 0;0;-1;; 1; 3;0,0,0;; }\n"
                                 " MeshTextureCoords { 3; 0.5;0.5;, 0.5;0.5;, 0.5;0.5;; }\n"
                                 " MeshMaterialList { 1; 1; 0;; Material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; } } }\n";
        CImportXFile importer;
        ASSERT_EQ(importer.ImportMemory(text.data(), text.size()), kImportOK);
        SSubMesh s;
        ASSERT_EQ(importer.GetSubMesh(0, s, true), kImportOK);
        for (std::uint32_t v = 0; v < 3; ++v)
        {
            const SVertex x = VertexOf(s, v, true);
            EXPECT_EQ(x.Tangent, CVector3(0, 0, 0));
        }
    }
}

TEST(ImportXFile, MeshesThatFitNoCornerTablesAreHandled)
{
    // Positions that no face uses, with normals.
    CImportXFile importer;
    ASSERT_EQ(importer.ImportFile(DataFile("UnusedPositions.x")), kImportOK);
    SSubMesh s;
    ASSERT_EQ(importer.GetSubMesh(0, s, false), kImportOK);
    EXPECT_EQ(s.NumVertices, 3u);
    EXPECT_EQ(VertexOf(s, 0, false).Position, CVector3(0, 0, 0));
    EXPECT_EQ(VertexOf(s, 2, false).Normal, CVector3(0, 0, -1));

    // Fewer normals than vertices.
    ASSERT_EQ(importer.ImportFile(DataFile("FewNormals.x")), kImportOK);
    ASSERT_EQ(importer.GetSubMesh(0, s, false), kImportOK);
    EXPECT_EQ(s.NumVertices, 3u);
    EXPECT_EQ(VertexOf(s, 2, false).Normal, CVector3(0, 1, 0));
}

// A binary file image of one mesh of `triangles` separate triangles.
std::string ManyTriangles(std::uint32_t triangles)
{
    const std::uint32_t vertices = triangles * 3;
    CBinaryX x;
    x.Open("Mesh");
    x.Ints({vertices});
    std::vector<float> positions(vertices * 3);
    for (std::uint32_t i = 0; i < vertices * 3; ++i) positions[i] = static_cast<float>(i % 7);
    x.Floats(positions);
    std::vector<std::uint32_t> faces{triangles};
    for (std::uint32_t t = 0; t < triangles; ++t) faces.insert(faces.end(), {3, t * 3, t * 3 + 1, t * 3 + 2});
    x.Ints(faces);
    x.Material();
    x.Close();
    return x.Out;
}

TEST(ImportXFile, SubMeshesBeyondSixteenBitIndicesAreRefused)
{
    CImportXFile importer;
    const std::string fits = ManyTriangles(21845); // 65535 vertices
    ASSERT_EQ(importer.ImportMemory(fits.data(), fits.size()), kImportOK);
    SSubMesh s;
    ASSERT_EQ(importer.GetSubMesh(0, s, false), kImportOK);
    EXPECT_EQ(s.NumVertices, 65535u);
    EXPECT_EQ(s.Faces.back(), 65534u);

    const std::string over = ManyTriangles(21846); // 65538 vertices
    EXPECT_EQ(importer.ImportMemory(over.data(), over.size()), kImportBadData);
    EXPECT_EQ(importer.GetNumNodes(), 0u);
}

TEST(ImportXFile, APositionUsedWithManyNormalsStaysCheap)
{
    // T copies of triangle (0,1,2), every corner with a normal of its own:
    // each position ends up with T vertices.
    const std::uint32_t t = 20000;
    CBinaryX x;
    x.Open("Mesh");
    x.Ints({3});
    x.Floats({0, 0, 0, 1, 0, 0, 0, 1, 0});
    std::vector<std::uint32_t> faces{t};
    std::vector<std::uint32_t> normalFaces{t};
    for (std::uint32_t i = 0; i < t; ++i)
    {
        faces.insert(faces.end(), {3, 0, 1, 2});
        normalFaces.insert(normalFaces.end(), {3, 3 * i, 3 * i + 1, 3 * i + 2});
    }
    x.Ints(faces);
    x.Open("MeshNormals");
    x.Ints({3 * t});
    std::vector<float> normals;
    for (std::uint32_t i = 0; i < 3 * t; ++i)
    {
        normals.insert(normals.end(), {0, 0, static_cast<float>(i)});
    }
    x.Floats(normals);
    x.Ints(normalFaces);
    x.Close();
    x.Material();
    x.Close();

    CImportXFile importer;
    ASSERT_EQ(importer.ImportMemory(x.Out.data(), x.Out.size()), kImportOK);
    SSubMesh s;
    ASSERT_EQ(importer.GetSubMesh(0, s, false), kImportOK);
    EXPECT_EQ(s.NumVertices, 3 * t);
    EXPECT_EQ(VertexOf(s, s.Faces[3 * (t - 1) + 2], false).Normal, CVector3(0, 0, 3.0f * t - 1));
}

TEST(ImportXFile, BadContentIsRefusedAndLeavesNothingBehind)
{
    struct SCase
    {
        const char* File;
        EImportResult Result;
        bool ReaderAccepts; // the importer, not the reader, must catch it
    };
    const SCase cases[] = {
        {"BadFaceIndex.x", kImportBadData, true},         {"BadNormalFaceCount.x", kImportBadData, true},
        {"BadNormalCorners.x", kImportBadData, true},     {"BadNormalIndex.x", kImportBadData, true},
        {"BadTwoNormals.x", kImportBadData, true},        {"BadTexCoordCount.x", kImportBadData, true},
        {"BadTwoTexCoords.x", kImportBadData, true},      {"BadColourIndex.x", kImportBadData, true},
        {"BadSkinMissingWeights.x", kImportBadData, true}, {"BadSkinNoHeader.x", kImportBadData, true},
        {"BadSkinUnknownBone.x", kImportBadData, true},   {"BadSkinVertex.x", kImportBadData, true},
        {"BadMaterialsTooMany.x", kImportBadData, true},  {"BadMaterialsTooFew.x", kImportBadData, true},
        {"BadTwoMaterialLists.x", kImportBadData, true},  {"BadMaterialIndexCount.x", kImportBadData, true},
        {"BadReference.x", kImportBadData, true},         {"BadRestriction.x", kImportBadData, false},
        {"BadUnknownTemplate.x", kImportBadData, false},  {"BadTruncated.x", kImportBadData, false},
        {"BadSyntax.x", kImportBadData, false},           {"BadCycle.x", kImportBadData, false},
        {"BadSelfReference.x", kImportBadData, false},    {"BadCompressed.x", kImportBadData, false},
        {"BadBinaryList.x", kImportBadData, false},       {"BadVersion.x", kImportFailed, false},
        {"BadFloatSize.x", kImportFailed, false},
    };
    for (const SCase& c : cases)
    {
        CImportXFile importer;
        ASSERT_EQ(importer.ImportFile(DataFile("Cube.x")), kImportOK);
        EXPECT_EQ(importer.ImportFile(DataFile(c.File)), c.Result) << c.File;
        EXPECT_FALSE(importer.IsImported()) << c.File;
        EXPECT_EQ(importer.GetNumNodes(), 0u) << c.File;
        EXPECT_EQ(importer.GetNumSubMeshes(), 0u) << c.File;
        EXPECT_EQ(importer.GetNumMaterials(), 0u) << c.File;

        CXFile* file = nullptr;
        ASSERT_EQ(XFileCreate(&file), kXOK);
        CXFileEnumObject* e = nullptr;
        const std::string path = DataFile(c.File);
        const XResult rc = file->CreateEnumObject(path.c_str(), kXLoadFromFile, &e);
        EXPECT_EQ(rc == kXOK, c.ReaderAccepts) << c.File;
        if (e) e->Release();
        file->Release();
    }
}

void TextureIsAPng(const CImportXFile& x)
{
    ASSERT_EQ(x.GetNumMaterials(), 1u);
    SMaterialDesc m;
    x.GetMaterial(0, m);
    EXPECT_EQ(m.TextureFiles[0], "a.png");
}

// A 60-frame chain holding a triangle, and 80 animation sets whose
// animations each name every frame: about 730 KB of references to few objects.
std::string LargeAnimated()
{
    CBinaryX x;
    for (int i = 0; i < 60; ++i)
    {
        x.Open("Frame", "Bone" + std::to_string(i));
        x.Open("FrameTransformMatrix");
        x.Floats({1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 1, 0, 1});
        x.Close();
    }
    x.Open("Mesh");
    x.Ints({3});
    x.Floats({0, 0, 0, 1, 0, 0, 0, 1, 0});
    x.Ints({1, 3, 0, 1, 2});
    x.Material();
    x.Close();
    for (int i = 0; i < 60; ++i) x.Close();
    for (int set = 0; set < 80; ++set)
    {
        x.Open("AnimationSet");
        for (int i = 0; i < 60; ++i)
        {
            x.Open("Animation");
            x.Reference("Bone" + std::to_string(i));
            x.Open("AnimationKey"); // four scale keys
            x.Ints({1, 4, 0, 3, 1, 1, 1, 10, 3, 2, 2, 2, 20, 3, 1, 1, 1, 30, 3, 2, 2, 2});
            x.Close();
            x.Close();
        }
        x.Close();
    }
    return x.Out;
}

// Files as exporters write them, and what each must import as.
TEST(ImportXFile, FilesAsExportersWriteThem)
{
    struct SCase
    {
        const char* File; // in tests/data, or a label for Make's image
        std::string (*Make)();
        EImportResult Result;
        std::uint32_t Nodes;
        std::vector<std::uint32_t> VertexSizes; // per submesh
        void (*Check)(const CImportXFile&);
    };
    const SCase cases[] = {
        {"TopLevelMesh.x", nullptr, kImportOK, 1, {12}, nullptr},
        {"OwnTemplates.x", nullptr, kImportOK, 1, {12}, nullptr},
        {"Skinned.x", nullptr, kImportOK, 3, {12}, // no blend data in the output
         [](const CImportXFile& x) {
             SSubMesh s;
             ASSERT_EQ(x.GetSubMesh(0, s, false), kImportOK);
             EXPECT_EQ(s.Node, 1u); // the first frame named Bone
         }},
        {"Doubles.x", nullptr, kImportOK, 2, {},
         [](const CImportXFile& x) {
             SMeshNode node;
             x.GetNode(1, node);
             EXPECT_EQ(node.Matrix(0, 0), 1.5f);
             EXPECT_EQ(node.Matrix.GetPosition(), CVector3(0.125f, -20.0f, 3.25f));
         }},
        // Template names in any case, in text and binary files.
        {"CaseTemplateNames.x", nullptr, kImportOK, 2, {12}, TextureIsAPng},
        {"CaseTemplateNamesBinary.x", nullptr, kImportOK, 2, {12}, TextureIsAPng},
        // A closing brace too many at the top level; a cut-off file still fails.
        {"StrayBrace.x", nullptr, kImportOK, 3, {12}, nullptr},
        {"BadTruncated.x", nullptr, kImportBadData, 0, {}, nullptr},
        // A reference to nothing, where the import never walks.
        {"DanglingAnimationReference.x", nullptr, kImportOK, 2, {12}, nullptr},
        // Many references share few objects; a walk that would explode stops.
        {"large animated", LargeAnimated, kImportOK, 61, {12}, nullptr},
        {"BadDoublingReferences.x", nullptr, kImportBadData, 0, {}, nullptr},
        // Comments end at CR as at LF.
        {"MacLineEnds.x", nullptr, kImportOK, 3, {12}, nullptr},
        // Names led by digits, and bytes from 0x80 on (the materials by reference).
        {"ExporterNames.x", nullptr, kImportOK, 5, {12},
         [](const CImportXFile& x) {
             const char* names[] = {"01-Default", "\xe6\x9c\xa8", "\x83\x7b\x81\x5b\x83\x93", "Caf\xe9"};
             for (std::uint32_t i = 0; i < 4; ++i)
             {
                 SMeshNode node;
                 x.GetNode(i + 1, node);
                 EXPECT_EQ(node.Name, names[i]);
             }
         }},
        // An empty colour list gives no colours, and a later list is taken.
        {"EmptyVertexColours.x", nullptr, kImportOK, 1, {12, 28}, nullptr},
        // MSVC's NaN and infinity read as such.
        {"MsvcNaN.x", nullptr, kImportOK, 1, {32},
         [](const CImportXFile& x) {
             SSubMesh s;
             ASSERT_EQ(x.GetSubMesh(0, s, false), kImportOK);
             const SVertex v = VertexOf(s, 0, false);
             EXPECT_TRUE(std::isnan(v.Normal.x) && std::isnan(v.Normal.y) && std::isnan(v.Normal.z));
             EXPECT_EQ(v.Uv.u, INFINITY);
             EXPECT_EQ(v.Uv.v, -INFINITY);
         }},
    };
    for (const SCase& c : cases)
    {
        SCOPED_TRACE(c.File);
        CImportXFile importer;
        if (c.Make)
        {
            const std::string image = c.Make();
            ASSERT_EQ(importer.ImportMemory(image.data(), image.size()), c.Result);
        }
        else
        {
            ASSERT_EQ(importer.ImportFile(DataFile(c.File)), c.Result);
        }
        EXPECT_EQ(importer.GetNumNodes(), c.Nodes);
        ASSERT_EQ(importer.GetNumSubMeshes(), c.VertexSizes.size());
        for (std::uint32_t i = 0; i < c.VertexSizes.size(); ++i)
        {
            SSubMesh s;
            ASSERT_EQ(importer.GetSubMesh(i, s, false), kImportOK);
            EXPECT_EQ(s.VertexSize, c.VertexSizes[i]) << i;
        }
        if (c.Check) c.Check(importer);
    }
}

TEST(ImportXFile, OutOfRangeIndicesAreCallerErrors)
{
    CImportXFile importer;
    ASSERT_EQ(importer.ImportFile(DataFile("TopLevelMesh.x")), kImportOK);
    SMeshNode node;
    try
    {
        importer.GetNode(1, node);
        FAIL() << "no exception";
    }
    catch (const CFatalException& e)
    {
        EXPECT_EQ(e.GetFile(), "Source/Render/CImportXFile");
        EXPECT_EQ(e.GetFunctions(), "gen::CImportXFile::GetNode <- ");
    }
    SSubMesh s;
    EXPECT_THROW(importer.GetSubMesh(1, s, false), CFatalException);
    EXPECT_THROW(importer.GetSubMeshRenderMethod(1), CFatalException);
    SMaterialDesc m;
    EXPECT_THROW(importer.GetMaterial(1, m), CFatalException);
}

} // namespace
// The reader's "no more objects" and bad-value answers are caller errors that
// the steps turn into fatal records with fixed sites.
TEST(ImportXFile, StepFailuresCarryTheirRecordedSites)
{
    CXFile* file = nullptr;
    ASSERT_EQ(XFileCreate(&file), kXOK);
    CXFileEnumObject* enumerator = nullptr;
    ASSERT_EQ(file->CreateEnumObject("tests/data/Cube.x", kXLoadFromFile, &enumerator), kXOK);

    std::size_t count = 0;
    ASSERT_EQ(import_detail::GetXFileNumChildren(enumerator, count), kImportOK);
    CXFileData* child = nullptr;
    SXGuid guid{};
    try
    {
        import_detail::GetXFileChild(enumerator, count, child, guid);
        ADD_FAILURE() << "no exception";
    }
    catch (const CFatalException& e)
    {
        EXPECT_EQ(e.GetMessage(), "Invalid child ID");
        EXPECT_EQ(e.GetFile(), "Source/Render/CImportXFile");
        EXPECT_EQ(e.GetLine(), 1529);
        EXPECT_EQ(e.GetFunctions(), "gen::CImportXFile::GetXFileChild <- ");
    }

    ASSERT_EQ(import_detail::GetXFileChild(enumerator, 0, child, guid), kImportOK);
    std::size_t grandChildren = 0;
    ASSERT_EQ(import_detail::GetXFileNumChildren(child, grandChildren), kImportOK);
    CXFileData* grandChild = nullptr;
    try
    {
        import_detail::GetXFileChild(child, grandChildren, grandChild, guid);
        ADD_FAILURE() << "no exception";
    }
    catch (const CFatalException& e)
    {
        EXPECT_EQ(e.GetLine(), 1554);
    }
    child->Release();
    enumerator->Release();
    file->Release();
}

} // namespace gen
