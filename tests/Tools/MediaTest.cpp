// The generated media: every .x file (text and binary) imports with the vertex
// layouts its render methods need, unit normals, faces wound to match them and
// its textures present; the level loads every mesh and gives the scene what it
// relies on; and the generator reproduces the committed files byte for byte.
#include "Data/CParseLevel.h"
#include "Entities/CEntityManager.h"
#include "XFile/CImportXFile.h"
#include "Mesh/CMesh.h"
#include "Methods/RenderMethodInfo.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace gen;

namespace
{

const fs::path kMedia = fs::path(TESSAVIN_SOURCE_DIR) / "Media";

std::string ReadFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::vector<fs::path> MediaFiles(const std::string& extension)
{
    std::vector<fs::path> out;
    for (const auto& entry : fs::directory_iterator(kMedia))
    {
        if (entry.path().extension() == extension)
        {
            out.push_back(entry.path());
        }
    }
    return out;
}

CVector3 VectorAt(const SSubMesh& sub, std::uint32_t vertex, std::uint32_t offset)
{
    CVector3 v;
    std::memcpy(&v, &sub.Vertices[vertex * sub.VertexSize + offset], sizeof v);
    return v;
}

TEST(Media, MeshesImportWithTheirMethodsLayoutsAndTextures)
{
    std::set<std::string> textures = {"Noise.png", "Burn.png", "Distort.png"}; // read by post-processing
    std::size_t binary = 0;
    const auto meshes = MediaFiles(".x");
    for (const fs::path& path : meshes)
    {
        SCOPED_TRACE(path.filename().string());
        binary += ReadFile(path).compare(0, 16, "xof 0303bin 0032") == 0;
        CImportXFile importer;
        ASSERT_EQ(importer.ImportFile(path.string()), kImportOK);
        ASSERT_GE(importer.GetNumSubMeshes(), 1u);
        for (std::uint32_t s = 0; s < importer.GetNumSubMeshes(); ++s)
        {
            const bool tangents = RenderMethodUsesTangents(importer.GetSubMeshRenderMethod(s));
            SSubMesh sub;
            ASSERT_EQ(importer.GetSubMesh(s, sub, tangents), kImportOK);
            ASSERT_EQ(sub.VertexSize, tangents ? 44u : 32u) << "vertices must match the method's layout";
            for (std::uint32_t v = 0; v < sub.NumVertices; ++v)
            {
                EXPECT_NEAR(VectorAt(sub, v, 12).Length(), 1.0f, 1e-3f) << "normal " << v;
                // A zero tangent means degenerate texture coordinates.
                EXPECT_TRUE(!tangents || std::abs(VectorAt(sub, v, 24).Length() - 1.0f) < 1e-3f) << "tangent " << v;
            }
            // Triangles wound clockwise seen from where their normals point:
            // the default culling keeps only those.
            for (std::uint32_t f = 0; f < sub.NumFaces * 3; f += 3)
            {
                const CVector3 p0 = VectorAt(sub, sub.Faces[f], 0);
                const CVector3 geometric =
                    Cross(VectorAt(sub, sub.Faces[f + 1], 0) - p0, VectorAt(sub, sub.Faces[f + 2], 0) - p0);
                for (int k = 0; k < 3 && Dot(geometric, geometric) > 1e-10f; ++k) // skip a pole fan's corners
                {
                    EXPECT_GT(Dot(geometric, VectorAt(sub, sub.Faces[f + k], 12)), 0.0f) << "face " << f / 3;
                }
            }
        }
        for (std::uint32_t m = 0; m < importer.GetNumMaterials(); ++m)
        {
            SMaterialDesc desc;
            importer.GetMaterial(m, desc);
            textures.insert(desc.TextureFiles, desc.TextureFiles + desc.NumTextures);
        }
    }
    EXPECT_GE(meshes.size(), 10u);
    EXPECT_GE(binary, 1u) << "both forms of the format should be exercised";
    EXPECT_LT(binary, meshes.size());

    for (const std::string& texture : textures)
    {
        EXPECT_TRUE(fs::exists(kMedia / texture)) << texture;
    }
}

TEST(Media, TheLevelLoadsEveryMeshAndUsesEveryMethodAMaterialCanSelect)
{
    CEntityManager manager(kNoMeshDevice);
    CParseLevel level(&manager);
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    const bool parsed = level.ParseFile((fs::path(TESSAVIN_SOURCE_DIR) / "Entities.xml").string(), 32768);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), ""); // no missing templates, no mesh messages
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    ASSERT_TRUE(parsed);

    std::set<ERenderMethod> used;
    std::multiset<std::string> names;
    bool spinning = false;
    for (std::uint32_t i = 0; i < manager.GetNumEntities(); ++i)
    {
        const CEntity* entity = manager.GetEntityAt(i);
        const CMesh* mesh = entity->GetTemplate()->GetMesh();
        EXPECT_TRUE(mesh->IsLoaded()) << entity->GetTemplate()->GetName();
        for (std::uint32_t m = 0; m < mesh->GetNumMaterials(); ++m)
        {
            used.insert(mesh->GetMaterial(m).RenderMethod);
        }
        names.insert(entity->GetName());
        const auto* planet = dynamic_cast<const CPlanetEntity*>(entity);
        spinning |= planet && planet->GetSpinSpeed() != 0.0f;
    }
    EXPECT_TRUE(spinning);
    // No material name maps to kVertexLit or kPixelLit.
    EXPECT_EQ(used.size(), kNumRenderMethods - 2);
    EXPECT_FALSE(used.count(kVertexLit) || used.count(kPixelLit));
    // The scene animates and decorates these by name.
    for (const char* name : {"Cubey", "PostProcessBlock", "Wall1"})
    {
        EXPECT_EQ(names.count(name), 1u) << name;
    }
}

// The generator must not depend on time, addresses or the C library's random generator.
TEST(Media, RegeneratingGivesTheCommittedFilesByteForByte)
{
    const fs::path out = fs::temp_directory_path() / ("tessavin-media-" + std::to_string(::getpid()));
    fs::remove_all(out);
    const std::string command =
        std::string("\"") + MEDIAGEN_PATH + "\" \"" + (out / "Media").string() + "\" \"" + out.string() + "\"";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    EXPECT_TRUE(ReadFile(out / "Entities.xml") == ReadFile(fs::path(TESSAVIN_SOURCE_DIR) / "Entities.xml"));
    std::set<std::string> generated, committed;
    for (const auto& entry : fs::directory_iterator(out / "Media"))
    {
        generated.insert(entry.path().filename().string());
        EXPECT_TRUE(ReadFile(entry.path()) == ReadFile(kMedia / entry.path().filename())) << entry.path().filename();
    }
    for (const auto& entry : fs::directory_iterator(kMedia))
    {
        committed.insert(entry.path().filename().string());
    }
    EXPECT_EQ(generated, committed);
    fs::remove_all(out);
}

} // namespace
