// The importer over the hand-written files in tests/data: node trees, face
// merging, material lists, splitting, output records and every refusal.

#include "Common/CFatalException.h"
#include "XFile/CImportXFile.h"
#include "XFile/CImportXFileSteps.h"
#include "XFile/XFile.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
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

SSubMesh Sub(const CImportXFile& x, std::uint32_t i, bool tangents = false)
{
    SSubMesh s;
    EXPECT_EQ(x.GetSubMesh(i, s, tangents), kImportOK) << i;
    return s;
}

SMeshNode Node(const CImportXFile& x, std::uint32_t i)
{
    SMeshNode node;
    x.GetNode(i, node);
    return node;
}

SMaterialDesc Material(const CImportXFile& x, std::uint32_t i)
{
    SMaterialDesc m;
    x.GetMaterial(i, m);
    return m;
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
SVertex VertexOf(const SSubMesh& s, std::uint32_t v, bool tangents = false)
{
    SVertex out{};
    const std::uint8_t* p = s.Vertices.data() + static_cast<std::size_t>(v) * s.VertexSize;
    std::memcpy(&out.Position, p, 12);
    std::memcpy(&out.Normal, p + 12, 12);
    if (tangents) std::memcpy(&out.Tangent, p + 24, 12);
    if (s.VertexSize >= (tangents ? 44u : 32u)) std::memcpy(&out.Uv, p + (tangents ? 36 : 24), 8);
    return out;
}

// Binary-file writer for generated files.
class CBinaryX
{
public:
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
    std::string Out = "xof 0302bin 0032";
};

// What a file imports as: node count, per-submesh layout, further checks.
struct SSubLayout
{
    std::uint32_t VertexSize, NumVertices, NumFaces, MaterialIndex;
};
struct SFileCase
{
    const char* File; // in tests/data, or a label for Make's image
    std::string (*Make)();
    std::uint32_t Nodes;
    std::vector<SSubLayout> Subs;
    std::function<void(const CImportXFile&)> Check;
};

void ExpectImport(const SFileCase& c)
{
    SCOPED_TRACE(c.File);
    CImportXFile importer;
    const std::string image = c.Make ? c.Make() : std::string();
    ASSERT_EQ(c.Make ? importer.ImportMemory(image.data(), image.size()) : importer.ImportFile(DataFile(c.File)),
              kImportOK);
    EXPECT_EQ(importer.GetNumNodes(), c.Nodes);
    ASSERT_EQ(importer.GetNumSubMeshes(), c.Subs.size());
    for (std::uint32_t i = 0; i < c.Subs.size(); ++i)
    {
        const SSubMesh s = Sub(importer, i);
        const SSubLayout& e = c.Subs[i];
        EXPECT_EQ(s.VertexSize, e.VertexSize) << i;
        EXPECT_EQ(s.NumVertices, e.NumVertices) << i;
        EXPECT_EQ(s.NumFaces, e.NumFaces) << i;
        EXPECT_EQ(s.MaterialIndex, e.MaterialIndex) << i;
    }
    if (c.Check) c.Check(importer);
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

// T copies of triangle (0,1,2), every corner with a normal of its own:
// each position ends up with T vertices.
constexpr std::uint32_t kCopies = 20000;
std::string ManyNormals()
{
    CBinaryX x;
    x.Open("Mesh");
    x.Ints({3});
    x.Floats({0, 0, 0, 1, 0, 0, 0, 1, 0});
    std::vector<std::uint32_t> faces{kCopies}, normalFaces{kCopies};
    std::vector<float> normals;
    for (std::uint32_t i = 0; i < kCopies; ++i)
    {
        faces.insert(faces.end(), {3, 0, 1, 2});
        normalFaces.insert(normalFaces.end(), {3, 3 * i, 3 * i + 1, 3 * i + 2});
        for (std::uint32_t k = 0; k < 3; ++k) normals.insert(normals.end(), {0, 0, static_cast<float>(3 * i + k)});
    }
    x.Ints(faces);
    x.Open("MeshNormals");
    x.Ints({3 * kCopies});
    x.Floats(normals);
    x.Ints(normalFaces);
    x.Close();
    x.Material();
    x.Close();
    return x.Out;
}

using TFaces = std::vector<std::uint16_t>;

TEST(ImportXFile, IsXFileWantsTheExactMagic)
{
    EXPECT_TRUE(IsXFile(DataFile("Cube.x")));
    EXPECT_TRUE(IsXFile("tests\\data\\Cube.x")); // data paths use backslashes
    EXPECT_FALSE(IsXFile(DataFile("NotXFileTab.x")));
    EXPECT_FALSE(IsXFile(DataFile("Missing.x")));
    EXPECT_FALSE(IsXFile(""));

    CImportXFile importer;
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
    const std::uint32_t parents[] = {0, 0, 1, 1, 0}, depths[] = {0, 1, 2, 2, 1}, children[] = {2, 2, 0, 0, 0};
    for (std::uint32_t i = 0; i < 5; ++i)
    {
        const SMeshNode node = Node(importer, i);
        EXPECT_EQ(node.Name, names[i]) << i;
        EXPECT_EQ(node.Parent, parents[i]) << i;
        EXPECT_EQ(node.Depth, depths[i]) << i;
        EXPECT_EQ(node.NumChildren, children[i]) << i;
    }
    EXPECT_EQ(Node(importer, 1).Matrix.GetPosition(), CVector3(10, 0, 0));
    EXPECT_EQ(Node(importer, 2).Matrix, CMatrix4x4::kIdentity); // no FrameTransformMatrix
    EXPECT_EQ(Node(importer, 3).Matrix(0, 0), 3.0f);            // the second matrix overwrites the first
    EXPECT_EQ(Node(importer, 3).Matrix.GetPosition(), CVector3(0, 5, 0));
    EXPECT_EQ(Node(importer, 4).Matrix.GetPosition(), CVector3(0, 0, -4.5f));
    EXPECT_EQ(importer.GetNumSubMeshes(), 0u);

    // A frame referenced twice is placed under both referrers.
    ASSERT_EQ(importer.ImportFile(DataFile("ReferencedFrames.x")), kImportOK);
    ASSERT_EQ(importer.GetNumNodes(), 7u);
    for (std::uint32_t i : {4u, 6u})
    {
        EXPECT_EQ(Node(importer, i).Name, "Wheel");
        EXPECT_EQ(Node(importer, i).Parent, i - 1);
        EXPECT_EQ(Node(importer, i).Matrix.GetPosition(), CVector3(0, 0, 1));
    }
}

// Vertices are split per normal and colour, faces into submeshes per used
// material, renumbering vertices by first use; equal materials merge.
TEST(ImportXFile, SubMeshesSplitByNormalAndMaterial)
{
    const SFileCase cases[] = {
        // Face normals: one vertex per corner and normal, each triangle flat.
        {"Cube.x", nullptr, 2, {{32, 24, 12, 0}},
         [](const CImportXFile& x) {
             const SSubMesh s = Sub(x, 0);
             EXPECT_EQ(s.Node, 1u);
             EXPECT_EQ(TFaces(s.Faces.begin(), s.Faces.begin() + 6), (TFaces{0, 1, 2, 0, 2, 3})); // a quad's fan
             EXPECT_EQ(VertexOf(s, 0).Position, CVector3(-1, -1, -1));
             EXPECT_EQ(VertexOf(s, 2).Position, CVector3(1, 1, -1));
             for (std::uint32_t t = 0; t < s.NumFaces; ++t)
             {
                 const CVector3 n = VertexOf(s, s.Faces[t * 3]).Normal;
                 EXPECT_EQ(VertexOf(s, s.Faces[t * 3 + 1]).Normal, n) << t;
                 EXPECT_EQ(VertexOf(s, s.Faces[t * 3 + 2]).Normal, n) << t;
                 EXPECT_FLOAT_EQ(n.Length(), 1.0f);
             }
             int copies = 0; // a corner position with three normals
             for (std::uint32_t v = 0; v < 24; ++v) copies += VertexOf(s, v).Position == CVector3(1, 1, 1);
             EXPECT_EQ(copies, 3);
         }},
        // A position used with many normals stays cheap.
        {"many normals", ManyNormals, 1, {{24, 3 * kCopies, kCopies, 0}},
         [](const CImportXFile& x) {
             const SSubMesh s = Sub(x, 0);
             EXPECT_EQ(VertexOf(s, s.Faces[3 * (kCopies - 1) + 2]).Normal, CVector3(0, 0, 3.0f * kCopies - 1));
         }},
        // The most vertices 16-bit indices reach (more are refused below).
        {"65535 vertices", [] { return ManyTriangles(21845); }, 1, {{12, 65535, 21845, 0}},
         [](const CImportXFile& x) { EXPECT_EQ(Sub(x, 0).Faces.back(), 65534u); }},
        // Colours for some vertices: the others opaque white.
        {"VertexColours.x", nullptr, 1, {{28, 3, 1, 0}},
         [](const CImportXFile& x) {
             const float expected[3][4] = {{1, 0, 0, 0.5f}, {1, 1, 1, 1}, {0, 0, 1, 1}};
             const SSubMesh s = Sub(x, 0);
             for (int v = 0; v < 3; ++v) EXPECT_EQ(std::memcmp(s.Vertices.data() + v * 28 + 12, expected[v], 16), 0) << v;
         }},
        // One index for ten polygons: all triangles take it.
        {"OneIndexManyPolygons.x", nullptr, 1, {{12, 12, 10, 1}}, nullptr},
        // One index for exactly one polygon: the per-polygon path.
        {"SinglePolygonMaterial.x", nullptr, 1, {{12, 4, 2, 0}}, nullptr},
        // Per polygon: the pentagon's three triangles follow its index.
        {"Pentagon.x", nullptr, 1, {{12, 4, 2, 0}, {12, 5, 3, 1}},
         [](const CImportXFile& x) { EXPECT_EQ(Sub(x, 1).Faces, (TFaces{0, 1, 2, 0, 2, 3, 0, 3, 4})); }},
        // Material 1 unused, mesh Bare has no list, position 4 unused.
        {"ThreeMaterials.x", nullptr, 2, {{12, 3, 1, 0}, {12, 4, 2, 2}},
         [](const CImportXFile& x) {
             EXPECT_EQ(x.GetNumMaterials(), 3u);
             EXPECT_EQ(Sub(x, 0).Node, 1u);
             EXPECT_EQ(Sub(x, 0).Faces, (TFaces{0, 1, 2})); // (2,3,0) in order of use
             EXPECT_EQ(VertexOf(Sub(x, 0), 0).Position, CVector3(1, 1, 0));
             EXPECT_EQ(Sub(x, 1).Faces, (TFaces{0, 1, 2, 3, 2, 1}));
         }},
        // Materials equal but for the name merge keeping the first name.
        {"MergedMaterials.x", nullptr, 1, {{32, 3, 1, 0}, {32, 3, 1, 0}},
         [](const CImportXFile& x) {
             EXPECT_EQ(x.GetNumMaterials(), 3u); // PlainWood, Shared, PlainWoodShiny
             for (std::uint32_t i = 0; i < 2; ++i) EXPECT_EQ(x.GetSubMeshRenderMethod(i), kPlainTexture);
             const SMaterialDesc shared = Material(x, 1);
             EXPECT_EQ(shared.TextureFiles[0], "shared.png");
             EXPECT_FLOAT_EQ(shared.DiffuseColour[2], 0.75f);
             EXPECT_FLOAT_EQ(shared.SpecularColour[0], 0.1f);
             EXPECT_EQ(shared.SpecularColour[3], 1.0f);
             EXPECT_EQ(shared.SpecularPower, 8.0f);
             EXPECT_EQ(shared.RenderMethod, kPixelLitTex);
             EXPECT_EQ(Material(x, 2).SpecularPower, 21.0f);
         }},
        // Positions that no face uses, with normals; fewer normals than vertices.
        {"UnusedPositions.x", nullptr, 1, {{24, 3, 1, 0}},
         [](const CImportXFile& x) {
             EXPECT_EQ(VertexOf(Sub(x, 0), 0).Position, CVector3(0, 0, 0));
             EXPECT_EQ(VertexOf(Sub(x, 0), 2).Normal, CVector3(0, 0, -1));
         }},
        {"FewNormals.x", nullptr, 1, {{24, 3, 1, 0}},
         [](const CImportXFile& x) { EXPECT_EQ(VertexOf(Sub(x, 0), 2).Normal, CVector3(0, 1, 0)); }},
    };
    for (const SFileCase& c : cases) ExpectImport(c);
}

TEST(ImportXFile, MaterialDescriptionsDeriveFurtherTextureNames)
{
    CImportXFile importer;
    ASSERT_EQ(importer.ImportFile(DataFile("TextureNames.x")), kImportOK);
    ASSERT_EQ(importer.GetNumMaterials(), 5u);
    const struct
    {
        ERenderMethod Method;
        std::uint32_t NumTextures;
        const char *First, *Second;
    } expected[] = {{kEarth, 2, "stone.dds", "stone1.dds"},
                    {kParallaxMap, 2, "rock", "rock1"},
                    {kNormalMap, 2, "a.b.tga", "a.b1.tga"}, // the last TextureFilename wins
                    {kPlainColour, 0, "", ""},
                    {kAtmosphere, 0, "", ""}};
    for (std::uint32_t i = 0; i < 5; ++i)
    {
        const SMaterialDesc m = Material(importer, i);
        EXPECT_EQ(m.RenderMethod, expected[i].Method) << i;
        EXPECT_EQ(m.NumTextures, expected[i].NumTextures) << i;
        EXPECT_EQ(m.TextureFiles[0], expected[i].First) << i;
        EXPECT_EQ(m.TextureFiles[1], expected[i].Second) << i;
        EXPECT_EQ(m.TextureFiles[2], "") << i;
    }
    EXPECT_EQ(Material(importer, 4).DiffuseColour[3], 0.5f);
    EXPECT_EQ(Material(importer, 4).SpecularPower, 20.0f);
}

TEST(ImportXFile, TangentsFollowTheTextureMappingOrAreZero)
{
    CImportXFile importer;
    ASSERT_EQ(importer.ImportFile(DataFile("QuadBinary64.x")), kImportOK);
    EXPECT_EQ(importer.GetSubMeshRenderMethod(0), kNormalMap);
    const SSubMesh plain = Sub(importer, 0), tangent = Sub(importer, 0, true);
    EXPECT_EQ(plain.VertexSize, 32u);
    EXPECT_EQ(tangent.VertexSize, 44u);
    EXPECT_EQ(tangent.Faces, (TFaces{0, 1, 2, 0, 2, 3}));
    for (std::uint32_t v = 0; v < 4; ++v)
    {
        const SVertex a = VertexOf(plain, v), b = VertexOf(tangent, v, true);
        EXPECT_EQ(a.Position, b.Position);
        EXPECT_EQ(a.Uv.u, b.Uv.u);
        EXPECT_EQ(a.Uv.v, b.Uv.v);
        // u grows along +x: the tangent is +x, at right angles to the normal.
        EXPECT_NEAR((b.Tangent - CVector3(1, 0, 0)).Length(), 0.0f, 1e-6f) << v;
        EXPECT_EQ(b.Normal, CVector3(0, 0, -1));
    }

    // Positions only: the tangent slot is there, and zero.
    ASSERT_EQ(importer.ImportFile(DataFile("TopLevelMesh.x")), kImportOK);
    const SSubMesh bare = Sub(importer, 0, true);
    ASSERT_EQ(bare.VertexSize, 24u);
    for (std::uint32_t v = 0; v < bare.NumVertices; ++v) EXPECT_EQ(VertexOf(bare, v).Normal, CVector3(0, 0, 0));

    // All corners share one uv, so S is 0: no NaN, a zero tangent.
    const std::string text = "xof 0302txt 0032\nMesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;;\n"
                             " MeshNormals { 1; 0;0;-1;; 1; 3;0,0,0;; }\n"
                             " MeshTextureCoords { 3; 0.5;0.5;, 0.5;0.5;, 0.5;0.5;; }\n"
                             " MeshMaterialList { 1; 1; 0;; Material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; } } }\n";
    ASSERT_EQ(importer.ImportMemory(text.data(), text.size()), kImportOK);
    const SSubMesh flat = Sub(importer, 0, true);
    for (std::uint32_t v = 0; v < 3; ++v) EXPECT_EQ(VertexOf(flat, v, true).Tangent, CVector3(0, 0, 0));
}

// `frames` frames, the first holding a strip mesh of 5000 vertices that the
// others name by reference: instancing, as a 262 KB exporter file has it.
constexpr std::uint32_t kStripVertices = 5000;
std::string Instanced(std::uint32_t frames)
{
    CBinaryX x;
    std::vector<float> positions(kStripVertices * 3);
    for (std::uint32_t i = 0; i < positions.size(); ++i) positions[i] = static_cast<float>(i % 5);
    std::vector<std::uint32_t> faces{kStripVertices - 2};
    for (std::uint32_t t = 0; t + 2 < kStripVertices; ++t) faces.insert(faces.end(), {3, t, t + 1, t + 2});
    for (std::uint32_t f = 0; f < frames; ++f)
    {
        x.Open("Frame", "F" + std::to_string(f));
        if (f > 0)
        {
            x.Reference("Strip");
            x.Close();
            continue;
        }
        x.Open("Mesh", "Strip");
        x.Ints({kStripVertices});
        x.Floats(positions);
        x.Ints(faces);
        x.Material();
        x.Close();
        x.Close();
    }
    return x.Out;
}
std::string InstancedThreeHundred()
{
    return Instanced(300);
}

TEST(ImportXFile, ImportsBeyondTheirBoundsAreRefused)
{
    const struct
    {
        std::string Image;
        const char* Reason;
    } cases[] = {
        {ManyTriangles(21846), "a submesh (one material of a mesh) of 65538 vertices; expected at most 65536"},
        // What instancing makes is bounded, not how often it repeats.
        {Instanced(1200), "grows past 256 MiB"},
    };
    for (const auto& c : cases)
    {
        CImportXFile importer;
        EXPECT_EQ(importer.ImportMemory(c.Image.data(), c.Image.size()), kImportBadData);
        EXPECT_EQ(importer.GetNumNodes(), 0u);
        EXPECT_NE(importer.GetErrorText().find(c.Reason), std::string::npos) << importer.GetErrorText();
    }
}

// Files the reader accepts whose content the importer must refuse (their
// result codes are pinned in tests/data/expected-results.txt), and the
// reason each gives: where, and what was expected.
TEST(ImportXFile, TheImporterRefusesInconsistentContent)
{
    const std::pair<const char*, const char*> cases[] = {
        {"BadFaceIndex.x", "line 3: Mesh face 0: it names index 3; expected below 3"},
        {"BadNormalFaceCount.x", "line 8: MeshNormals has 2 faces; expected 1"},
        {"BadNormalCorners.x", "line 8: MeshNormals face 0 has 4 corners; expected 3"},
        {"BadNormalIndex.x", "line 8: MeshNormals face 0: it names index 1; expected below 1"},
        {"BadTwoNormals.x", "line 9: a second MeshNormals"},
        {"BadTexCoordCount.x", "line 8: MeshTextureCoords has 2 coordinates; expected one for each of the 3"},
        {"BadTwoTexCoords.x", "line 9: a second MeshTextureCoords"},
        {"BadColourIndex.x", "line 8: MeshVertexColors colour 0 names vertex 3; expected below 3"},
        {"BadSkinNoHeader.x", "line 8: SkinWeights beyond the 0 bones"},
        {"BadSkinMissingWeights.x", "line 3: Mesh with 1 SkinWeights; expected one for each of the 2 bones"},
        {"BadSkinUnknownBone.x", "line 9: SkinWeights names the bone \"Nobody\"; expected the name of a frame"},
        {"BadSkinVertex.x", "line 9: SkinWeights names vertex 7; expected below 3"},
        {"BadReference.x", "line 8: the reference {Missing} names no object"},
        {"BadMaterialsTooMany.x", "line 8: MeshMaterialList holds more Material objects than the 1"},
        {"BadMaterialsTooFew.x", "line 8: MeshMaterialList declares 2 materials"},
        {"BadTwoMaterialLists.x", "line 9: a second MeshMaterialList"},
        {"BadMaterialIndexCount.x", "line 9: MeshMaterialList has 3 face indexes; expected one for each of the 2"},
    };
    for (const auto& c : cases)
    {
        CXFile* file = nullptr;
        ASSERT_EQ(XFileCreate(&file), kXOK);
        CXFileEnumObject* e = nullptr;
        EXPECT_EQ(file->CreateEnumObject(DataFile(c.first).c_str(), kXLoadFromFile, &e), kXOK) << c.first;
        if (e) e->Release();
        file->Release();
        CImportXFile importer;
        EXPECT_EQ(importer.ImportFile(DataFile(c.first)), kImportBadData) << c.first;
        EXPECT_NE(importer.GetErrorText().find(c.second), std::string::npos)
            << c.first << ": " << importer.GetErrorText();
    }
}

// The reasons of files the reader refuses, in text, binary and compressed form.
TEST(ImportXFile, ReaderRefusalsSayWhereAndWhatWasExpected)
{
    const std::pair<const char*, const char*> cases[] = {
        {"BadSyntax.x", "line 3: expected the object's '{', found the integer 3"},
        {"BadTruncated.x", "line 9: expected a child object, a reference or '}', found the end of the data"},
        {"BadUnknownTemplate.x", "line 8: expected the name of a known template, found the name \"Wobble\""},
        {"BadCycle.x", "line 3: Frame \"A\" holds itself through references"},
        {"BadRestriction.x", "line 8: MeshMaterialList holds a TextureFilename; expected only"},
        {"BadBinaryList.x", "byte 28: expected an integer of 32 bits at most for Mesh.nVertices"},
        {"BadCompressed.x", "byte 250: expected a whole block beginning \"CK\""},
        {"BadVersion.x", "byte 4: expected version 0302 or 0303"},
        {"BadDoublingReferences.x", "the walk through references reached"},
        {"NotXFileTab.x", "does not begin with \"xof \""},
    };
    for (const auto& c : cases)
    {
        CImportXFile importer;
        EXPECT_NE(importer.ImportFile(DataFile(c.first)), kImportOK) << c.first;
        EXPECT_NE(importer.GetErrorText().find(c.second), std::string::npos)
            << c.first << ": " << importer.GetErrorText();
    }
    CImportXFile importer;
    ASSERT_EQ(importer.ImportFile(DataFile("Cube.x")), kImportOK);
    EXPECT_EQ(importer.GetErrorText(), "");
}

void NaNNormalInfiniteUv(const CImportXFile& x)
{
    const SVertex v = VertexOf(Sub(x, 0), 0);
    EXPECT_TRUE(std::isnan(v.Normal.x) && std::isnan(v.Normal.y) && std::isnan(v.Normal.z));
    EXPECT_EQ(v.Uv.u, INFINITY);
    EXPECT_EQ(v.Uv.v, -INFINITY);
}

void TextureIsAPng(const CImportXFile& x)
{
    ASSERT_EQ(x.GetNumMaterials(), 1u);
    EXPECT_EQ(Material(x, 0).TextureFiles[0], "a.png");
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
    const SSubLayout triangle{12, 3, 1, 0};
    const SFileCase cases[] = {
        {"TopLevelMesh.x", nullptr, 1, {triangle}, nullptr},
        {"OwnTemplates.x", nullptr, 1, {triangle}, nullptr},
        {"Skinned.x",
         nullptr,
         3,
         {{12, 4, 2, 0}},                                               // no blend data in the output
         [](const CImportXFile& x) { EXPECT_EQ(Sub(x, 0).Node, 1u); }}, // the first frame named Bone
        {"Doubles.x",
         nullptr,
         2,
         {},
         [](const CImportXFile& x) {
             EXPECT_EQ(Node(x, 1).Matrix(0, 0), 1.5f);
             EXPECT_EQ(Node(x, 1).Matrix.GetPosition(), CVector3(0.125f, -20.0f, 3.25f));
         }},
        // Template names in any case, in text and binary files.
        {"CaseTemplateNames.x", nullptr, 2, {triangle}, TextureIsAPng},
        {"CaseTemplateNamesBinary.x", nullptr, 2, {triangle}, TextureIsAPng},
        // A closing brace too many at the top level.
        {"StrayBrace.x", nullptr, 3, {triangle}, nullptr},
        // A reference to nothing, where the import never walks.
        {"DanglingAnimationReference.x", nullptr, 2, {triangle}, nullptr},
        // Many references share few objects.
        {"large animated", LargeAnimated, 61, {triangle}, nullptr},
        // Comments end at CR as at LF.
        {"MacLineEnds.x", nullptr, 3, {triangle}, nullptr},
        // Names led by digits, and bytes from 0x80 on (the materials by reference).
        {"ExporterNames.x",
         nullptr,
         5,
         {triangle},
         [](const CImportXFile& x) {
             const char* names[] = {"01-Default", "\xe6\x9c\xa8", "\x83\x7b\x81\x5b\x83\x93", "Caf\xe9"};
             for (std::uint32_t i = 0; i < 4; ++i) EXPECT_EQ(Node(x, i + 1).Name, names[i]);
         }},
        // An empty colour list gives no colours, and a later list is taken.
        {"EmptyVertexColours.x", nullptr, 1, {triangle, {28, 3, 1, 0}}, nullptr},
        // MSVC's NaN and infinity read as such, and C's and Python's words.
        {"MsvcNaN.x", nullptr, 1, {{32, 3, 1, 0}}, NaNNormalInfiniteUv},
        {"CNaN.x", nullptr, 1, {{32, 3, 1, 0}}, NaNNormalInfiniteUv},
        // Integer literals of any size in FLOAT members become the nearest float.
        {"LargeIntegers.x",
         nullptr,
         1,
         {triangle},
         [](const CImportXFile& x) {
             const SSubMesh s = Sub(x, 0);
             float p[9];
             std::memcpy(p, s.Vertices.data(), sizeof p);
             EXPECT_EQ(p[0], 3e9f);
             EXPECT_EQ(p[3], 5e9f);
             EXPECT_EQ(p[7], INFINITY);
             EXPECT_EQ(p[8], -4294967297.0f);
         }},
        // A reference's name with punctuation, to nothing, where the import never walks.
        {"ReferencePunctuation.x", nullptr, 2, {triangle}, nullptr},
        // The file's own "frame" does not take the standard Frame's place.
        {"ShadowedTemplate.x", nullptr, 2, {triangle}, nullptr},
        // Instancing: 400 trees of 20 branches naming one leaf; 300 frames
        // naming one 5000-vertex mesh.
        {"InstancedForest.x", nullptr, 8823, std::vector<SSubLayout>(8021, triangle), nullptr},
        {"instanced mesh", InstancedThreeHundred, 301,
         std::vector<SSubLayout>(300, SSubLayout{12, kStripVertices, kStripVertices - 2, 0}), nullptr},
    };

    for (const SFileCase& c : cases) ExpectImport(c);
}

// The fatal record a call throws, or a failure.
CFatalException FatalFrom(const std::function<void()>& call)
{
    try
    {
        call();
    }
    catch (const CFatalException& e)
    {
        return e;
    }
    ADD_FAILURE() << "no exception";
    return CFatalException("", "", 0);
}

TEST(ImportXFile, OutOfRangeIndicesAreCallerErrors)
{
    CImportXFile importer;
    ASSERT_EQ(importer.ImportFile(DataFile("TopLevelMesh.x")), kImportOK);
    const CFatalException e = FatalFrom([&] { Node(importer, 1); });
    EXPECT_EQ(e.GetFile(), "Source/XFile/CImportXFile");
    EXPECT_EQ(e.GetFunctions(), "gen::CImportXFile::GetNode <- ");
    SSubMesh s;
    EXPECT_THROW(importer.GetSubMesh(1, s, false), CFatalException);
    EXPECT_THROW(importer.GetSubMeshRenderMethod(1), CFatalException);
    EXPECT_THROW(Material(importer, 1), CFatalException);
}

// The reader's "no more objects" answers are caller errors that the steps
// turn into fatal records with fixed sites.
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
    const CFatalException top = FatalFrom([&] { import_detail::GetXFileChild(enumerator, count, child, guid); });
    EXPECT_EQ(top.GetMessage(), "Invalid child ID");
    EXPECT_EQ(top.GetFile(), "Source/XFile/CImportXFile");
    EXPECT_EQ(top.GetLine(), 1529);
    EXPECT_EQ(top.GetFunctions(), "gen::CImportXFile::GetXFileChild <- ");

    ASSERT_EQ(import_detail::GetXFileChild(enumerator, 0, child, guid), kImportOK);
    ASSERT_EQ(import_detail::GetXFileNumChildren(child, count), kImportOK);
    CXFileData* grandChild = nullptr;
    EXPECT_EQ(FatalFrom([&] { import_detail::GetXFileChild(child, count, grandChild, guid); }).GetLine(), 1554);
    child->Release();
    enumerator->Release();
    file->Release();
}

} // namespace
} // namespace gen
