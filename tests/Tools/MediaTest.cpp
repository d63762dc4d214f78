// Checks of the generated media: every .x file (text and binary) imports with the
// vertex layouts its render methods need, unit normals, faces wound to match them
// and all texture files present, and the level file places what the scene relies on.

#include "Render/CImportXFile.h"
#include "Render/RenderMethodInfo.h"

#include <expat.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

namespace fs = std::filesystem;
using namespace gen;

namespace
{

const fs::path kMedia = fs::path(TESSAVIN_SOURCE_DIR) / "Media";
const fs::path kLevelFile = fs::path(TESSAVIN_SOURCE_DIR) / "Entities.xml";

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
    std::sort(out.begin(), out.end());
    return out;
}

// Position and normal of vertex v of an imported submesh (both layouts start so).
void VertexAt(const SSubMesh& sub, std::uint32_t v, CVector3& position, CVector3& normal)
{
    std::memcpy(&position, &sub.Vertices[v * sub.VertexSize], sizeof position);
    std::memcpy(&normal, &sub.Vertices[v * sub.VertexSize + 12], sizeof normal);
}

} // namespace

TEST(MediaMeshes, ImportWithTheirMethodsLayoutsAndTextures)
{
    const auto files = MediaFiles(".x");
    ASSERT_GE(files.size(), 10u);
    std::size_t binary = 0;
    for (const fs::path& path : files)
    {
        SCOPED_TRACE(path.filename().string());
        binary += ReadFile(path).compare(0, 16, "xof 0303bin 0032") == 0;
        CImportXFile importer;
        ASSERT_EQ(importer.ImportFile(path.string()), kImportOK);
        ASSERT_GE(importer.GetNumSubMeshes(), 1u);
        for (std::uint32_t s = 0; s < importer.GetNumSubMeshes(); ++s)
        {
            const ERenderMethod method = importer.GetSubMeshRenderMethod(s);
            SSubMesh sub;
            ASSERT_EQ(importer.GetSubMesh(s, sub, RenderMethodUsesTangents(method)), kImportOK);
            EXPECT_EQ(sub.VertexSize, RenderMethodUsesTangents(method) ? 44u : 32u)
                << "vertices must match the method's layout";
            // Unit normals, and triangles wound clockwise seen from the side their
            // normals point to (the default culling keeps only those).
            for (std::uint32_t f = 0; f < sub.NumFaces; ++f)
            {
                CVector3 p[3], n[3];
                for (int k = 0; k < 3; ++k)
                {
                    VertexAt(sub, sub.Faces[f * 3 + k], p[k], n[k]);
                    EXPECT_NEAR(n[k].Length(), 1.0f, 1e-3f) << "face " << f;
                }
                const CVector3 geometric = Cross(p[1] - p[0], p[2] - p[0]);
                if (Dot(geometric, geometric) < 1e-10f)
                {
                    continue; // degenerate corner of a pole fan
                }
                for (int k = 0; k < 3; ++k)
                {
                    EXPECT_GT(Dot(geometric, n[k]), 0.0f) << "face " << f << " is wound against its normals";
                }
            }
            if (RenderMethodUsesTangents(method))
            {
                // Tangents follow the normal at 12 bytes; a zero one means degenerate texture coordinates.
                for (std::uint32_t v = 0; v < sub.NumVertices; ++v)
                {
                    float t[3];
                    std::memcpy(t, &sub.Vertices[v * sub.VertexSize + 24], sizeof t);
                    EXPECT_NEAR(std::sqrt(t[0] * t[0] + t[1] * t[1] + t[2] * t[2]), 1.0f, 1e-3f) << "vertex " << v;
                }
            }
        }
        for (std::uint32_t m = 0; m < importer.GetNumMaterials(); ++m)
        {
            SMaterialDesc desc;
            importer.GetMaterial(m, desc);
            for (std::uint32_t t = 0; t < desc.NumTextures; ++t)
            {
                EXPECT_TRUE(fs::exists(kMedia / desc.TextureFiles[t])) << desc.TextureFiles[t];
            }
        }
    }
    EXPECT_GE(binary, 1u) << "both forms of the format should be exercised";
    EXPECT_LT(binary, files.size());
}

namespace
{

struct SLevel
{
    struct STemplate
    {
        std::string Type, Name, Mesh;
    };
    struct SEntity
    {
        std::string Template, Name;
        bool Spin = false, Randomise = false;
        std::size_t Order = 0;
    };
    std::vector<STemplate> Templates;
    std::vector<SEntity> Entities;
    std::string Error;

    const STemplate* FindTemplate(const std::string& name) const
    {
        for (const auto& t : Templates)
        {
            if (t.Name == name)
            {
                return &t;
            }
        }
        return nullptr;
    }
};

const char* Attribute(const XML_Char** attributes, const char* name)
{
    for (int i = 0; attributes[i]; i += 2)
    {
        if (std::strcmp(attributes[i], name) == 0)
        {
            return attributes[i + 1];
        }
    }
    return "";
}

void XMLCALL StartElement(void* data, const XML_Char* name, const XML_Char** attributes)
{
    SLevel& level = *static_cast<SLevel*>(data);
    if (std::strcmp(name, "EntityTemplate") == 0)
    {
        level.Templates.push_back({Attribute(attributes, "Type"), Attribute(attributes, "Name"), Attribute(attributes, "Mesh")});
    }
    else if (std::strcmp(name, "Entity") == 0)
    {
        SLevel::SEntity e;
        e.Template = Attribute(attributes, "Type");
        e.Name = Attribute(attributes, "Name");
        e.Order = level.Entities.size();
        if (!level.FindTemplate(e.Template))
        {
            level.Error += "entity " + e.Name + " names an undefined template " + e.Template + "; ";
        }
        level.Entities.push_back(e);
    }
    else if (std::strcmp(name, "Spin") == 0 && !level.Entities.empty())
    {
        level.Entities.back().Spin = true;
    }
    else if (std::strcmp(name, "Randomise") == 0 && !level.Entities.empty())
    {
        level.Entities.back().Randomise = true;
    }
}

void XMLCALL EndElement(void*, const XML_Char*) {}

SLevel ReadLevel()
{
    SLevel level;
    const std::string text = ReadFile(kLevelFile);
    XML_Parser parser = XML_ParserCreate(nullptr);
    XML_SetUserData(parser, &level);
    XML_SetElementHandler(parser, StartElement, EndElement);
    if (XML_Parse(parser, text.data(), static_cast<int>(text.size()), 1) == XML_STATUS_ERROR)
    {
        level.Error += std::string("XML error: ") + XML_ErrorString(XML_GetErrorCode(parser));
    }
    XML_ParserFree(parser);
    return level;
}

std::set<ERenderMethod> MethodsOf(const std::string& mesh)
{
    std::set<ERenderMethod> methods;
    CImportXFile importer;
    if (importer.ImportFile((kMedia / mesh).string()) == kImportOK)
    {
        for (std::uint32_t s = 0; s < importer.GetNumSubMeshes(); ++s)
        {
            methods.insert(importer.GetSubMeshRenderMethod(s));
        }
    }
    return methods;
}

} // namespace

TEST(MediaLevel, PlacesWhatTheSceneNeeds)
{
    const SLevel level = ReadLevel();
    ASSERT_TRUE(level.Error.empty()) << level.Error;
    for (const auto& t : level.Templates)
    {
        EXPECT_TRUE(fs::exists(kMedia / t.Mesh)) << t.Name << ": " << t.Mesh;
    }
    for (const char* name : {"Cubey", "PostProcessBlock", "Wall1"})
    {
        std::size_t count = 0;
        for (const auto& e : level.Entities)
        {
            count += e.Name == name;
        }
        EXPECT_EQ(count, 1u) << name << " is looked up by name";
    }
    bool spinningPlanet = false, randomised = false;
    for (const auto& e : level.Entities)
    {
        spinningPlanet |= e.Spin && level.FindTemplate(e.Template)->Type == "Planet";
        randomised |= e.Randomise;
    }
    EXPECT_TRUE(spinningPlanet);
    EXPECT_TRUE(randomised);
}

TEST(MediaLevel, UsesEveryRenderMethodTheMaterialsCanSelect)
{
    const SLevel level = ReadLevel();
    std::set<ERenderMethod> used;
    std::map<std::string, std::set<ERenderMethod>> byEntity;
    for (const auto& e : level.Entities)
    {
        const auto* t = level.FindTemplate(e.Template);
        ASSERT_NE(t, nullptr);
        byEntity[e.Name] = MethodsOf(t->Mesh);
        used.insert(byEntity[e.Name].begin(), byEntity[e.Name].end());
    }
    for (std::uint32_t m = 0; m < kNumRenderMethods; ++m)
    {
        const ERenderMethod method = static_cast<ERenderMethod>(m);
        if (method == kVertexLit || method == kPixelLit)
        {
            continue; // no material name maps to these two
        }
        EXPECT_TRUE(used.count(method)) << "render method " << m << " is not used by the level";
    }
    const std::set<ERenderMethod> polygonMethods = {kTintPoly, kCutGlass, kPolyHighContrast, kPolyGrayScale};
    EXPECT_EQ(byEntity["PostProcessBlock"], polygonMethods);
    EXPECT_TRUE(byEntity["Cubey"] == std::set<ERenderMethod>{kVertexLitTex} ||
                byEntity["Cubey"] == std::set<ERenderMethod>{kPlainColour});
}

namespace
{

bool PngSize(const fs::path& path, std::uint32_t& w, std::uint32_t& h)
{
    const std::string bytes = ReadFile(path);
    if (bytes.size() < 24 || bytes.compare(1, 3, "PNG") != 0 || bytes.compare(12, 4, "IHDR") != 0)
    {
        return false;
    }
    auto be = [&](std::size_t at) {
        return (static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at])) << 24) |
               (static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + 1])) << 16) |
               (static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + 2])) << 8) |
               static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + 3]));
    };
    w = be(16);
    h = be(20);
    return true;
}

} // namespace

TEST(MediaTextures, AreReferencedSmallPowerOfTwoImages)
{
    std::set<std::string> referenced = {"Noise.png", "Burn.png", "Distort.png"};
    for (const fs::path& path : MediaFiles(".x"))
    {
        CImportXFile importer;
        ASSERT_EQ(importer.ImportFile(path.string()), kImportOK) << path;
        for (std::uint32_t m = 0; m < importer.GetNumMaterials(); ++m)
        {
            SMaterialDesc desc;
            importer.GetMaterial(m, desc);
            for (std::uint32_t t = 0; t < desc.NumTextures; ++t)
            {
                referenced.insert(desc.TextureFiles[t]);
            }
        }
    }
    std::uintmax_t total = 0;
    for (const auto& entry : fs::directory_iterator(kMedia))
    {
        total += entry.file_size();
    }
    EXPECT_LT(total, 6u * 1024 * 1024) << "the media folder should stay small";
    for (const fs::path& path : MediaFiles(".png"))
    {
        SCOPED_TRACE(path.filename().string());
        EXPECT_TRUE(referenced.count(path.filename().string())) << "stale texture";
        std::uint32_t w = 0, h = 0;
        ASSERT_TRUE(PngSize(path, w, h));
        EXPECT_TRUE(w >= 64 && w <= 1024 && (w & (w - 1)) == 0) << w;
        EXPECT_TRUE(h >= 64 && h <= 1024 && (h & (h - 1)) == 0) << h;
    }
    for (const char* name : {"Noise.png", "Burn.png", "Distort.png"})
    {
        EXPECT_TRUE(fs::exists(kMedia / name)) << "post-processing set-up fails without " << name;
    }
}

// Regenerating the media gives exactly the committed files: the generator must not
// depend on time, addresses or the C library's random generator.
TEST(MediaGenerator, RegeneratesTheCommittedFilesByteForByte)
{
    const fs::path out = fs::temp_directory_path() / ("tessavin-media-" + std::to_string(::getpid()));
    fs::remove_all(out);
    const std::string command = std::string("\"") + MEDIAGEN_PATH + "\" \"" + (out / "Media").string() + "\" \"" +
                                out.string() + "\"";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    std::set<std::string> generated, committed;
    EXPECT_TRUE(ReadFile(out / "Entities.xml") == ReadFile(kLevelFile)) << "Entities.xml differs from the committed file";
    for (const auto& entry : fs::directory_iterator(out / "Media"))
    {
        generated.insert(entry.path().filename().string());
    }
    for (const auto& entry : fs::directory_iterator(kMedia))
    {
        committed.insert(entry.path().filename().string());
    }
    EXPECT_EQ(generated, committed);
    for (const std::string& name : generated)
    {
        EXPECT_TRUE(ReadFile(out / "Media" / name) == ReadFile(kMedia / name)) << name << " differs from the committed file";
    }
    fs::remove_all(out);
}
