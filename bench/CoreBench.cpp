// Device-free benchmarks: the .x importer on a large generated mesh file
// (text and binary), the level reader on a large generated level, and one
// update pass over 1000 entities.
//
// The inputs are written into a temporary folder at start-up, which also
// becomes the working directory (the level names meshes as "Media\...").

#include "Common/ReadFile.h"
#include "Data/CParseLevel.h"
#include "Entities/CEntityManager.h"
#include "XFile/CImportXFile.h"
#include "XWriter.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace
{

std::string gFolder;

// A grid of quads in the XZ plane with normals, uvs and one material:
// (cells + 1)^2 vertices, each position used by up to four quads.
gen::SXMesh Grid(const std::string& name, std::uint32_t cells, float height)
{
    gen::SXMesh mesh;
    mesh.Name = name;
    const std::uint32_t row = cells + 1;
    for (std::uint32_t z = 0; z < row; ++z)
    {
        for (std::uint32_t x = 0; x < row; ++x)
        {
            const float fx = static_cast<float>(x), fz = static_cast<float>(z);
            mesh.Positions.push_back({fx, height + std::sin(fx * 0.1f) * std::cos(fz * 0.1f), fz});
            mesh.Normals.push_back({0.0f, 1.0f, 0.0f});
            mesh.TexCoords.push_back({fx / static_cast<float>(cells), fz / static_cast<float>(cells)});
        }
    }
    for (std::uint32_t z = 0; z < cells; ++z)
    {
        for (std::uint32_t x = 0; x < cells; ++x)
        {
            const std::uint32_t a = z * row + x;
            std::vector<std::uint32_t> quad{a, a + row, a + row + 1, a + 1};
            mesh.Faces.push_back(quad);
            mesh.NormalFaces.push_back(quad);
            mesh.FaceMaterials.push_back(0);
        }
    }
    gen::SXMaterial material;
    material.Name = "Ground";
    material.Texture = "Ground.png";
    mesh.Materials.push_back(material);
    return mesh;
}

// Four frames of 180x180 cells: 131044 vertices, 259200 triangles, each
// mesh below the 16-bit index limit.
constexpr std::uint32_t kMeshes = 4, kCells = 180;
constexpr std::uint32_t kVertices = kMeshes * (kCells + 1) * (kCells + 1);

gen::SXFile LargeScene()
{
    gen::SXFile file;
    for (std::uint32_t i = 0; i < kMeshes; ++i)
    {
        gen::SXFrame frame;
        frame.Name = "Tile" + std::to_string(i);
        frame.Matrix[12] = static_cast<float>(i) * 200.0f;
        frame.Meshes.push_back(Grid("TileMesh" + std::to_string(i), kCells, static_cast<float>(i)));
        file.Frames.push_back(std::move(frame));
    }
    return file;
}

void WriteFile(const std::string& path, const std::string& bytes)
{
    if (!gen::WriteWholeFile(path, bytes))
    {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        std::exit(1);
    }
}

std::size_t FileSize(const std::string& path)
{
    std::error_code error;
    const auto size = std::filesystem::file_size(gen::FilePath(path), error);
    return error ? 0 : static_cast<std::size_t>(size);
}

// The level: one template per mesh kind and `entities` entities, every
// fourth one a planet with a spin, each with position, rotation, scale and
// a random offset.
std::string LargeLevel(int entities)
{
    std::string xml = "<?xml version=\"1.0\"?>\n<Level>\n  <Templates>\n"
                      "    <EntityTemplate Type=\"Scenery\" Name=\"Box\" Mesh=\"Small.x\"/>\n"
                      "    <EntityTemplate Type=\"Planet\" Name=\"Moon\" Mesh=\"Small.x\"/>\n"
                      "  </Templates>\n  <Entities>\n";
    char line[512];
    for (int i = 0; i < entities; ++i)
    {
        const bool planet = i % 4 == 0;
        std::snprintf(line, sizeof line,
                      "    <Entity Type=\"%s\" Name=\"Thing%d\">\n"
                      "      <Position X=\"%d.5\" Y=\"%d\" Z=\"-%d.25\"/> <Rotation X=\"%d\" Y=\"45\"/>\n"
                      "      <Scale X=\"1\" Y=\"2\" Z=\"1\"/>%s <Randomise X=\"10\" Y=\"0\" Z=\"4\"/>\n"
                      "    </Entity>\n",
                      planet ? "Moon" : "Box", i, i % 100, i % 7, i % 50, i % 360, planet ? " <Spin Speed=\"0.5\"/>" : "");
        xml += line;
    }
    xml += "  </Entities>\n</Level>\n";
    return xml;
}

constexpr int kLevelEntities = 10000;

void SetUpInputs()
{
    char folder[] = "/tmp/tessavin-bench-XXXXXX";
    if (!mkdtemp(folder) || chdir(folder) != 0 || mkdir("Media", 0700) != 0)
    {
        std::fprintf(stderr, "cannot make a temporary folder\n");
        std::exit(1);
    }
    gFolder = folder;
    const gen::SXFile scene = LargeScene();
    WriteFile("Large.x", gen::WriteXText(scene));
    WriteFile("LargeBinary.x", gen::WriteXBinary(scene));

    gen::SXFile small;
    gen::SXFrame frame;
    frame.Name = "Body";
    frame.Meshes.push_back(Grid("BodyMesh", 2, 0.0f));
    gen::SXFrame child;
    child.Name = "Arm";
    child.Matrix[13] = 2.0f;
    frame.Children.push_back(child);
    small.Frames.push_back(frame);
    WriteFile("Media/Small.x", gen::WriteXText(small));
    WriteFile("Level.xml", LargeLevel(kLevelEntities));
}

void RemoveInputs()
{
    for (const char* name : {"Large.x", "LargeBinary.x", "Media/Small.x", "Level.xml"})
    {
        std::remove((gFolder + "/" + name).c_str());
    }
    rmdir((gFolder + "/Media").c_str());
    rmdir(gFolder.c_str());
}

// Import and the copy-out the mesh class does (every submesh, with tangents).
void ImportBench(benchmark::State& state, const char* fileName)
{
    const std::size_t bytes = FileSize(fileName);
    for (auto _ : state)
    {
        gen::CImportXFile importer;
        if (importer.ImportFile(fileName) != gen::kImportOK)
        {
            state.SkipWithError("import failed");
            break;
        }
        std::uint32_t vertices = 0;
        for (std::uint32_t i = 0; i < importer.GetNumSubMeshes(); ++i)
        {
            gen::SSubMesh sub;
            importer.GetSubMesh(i, sub, true);
            vertices += sub.NumVertices;
        }
        benchmark::DoNotOptimize(vertices);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
    state.counters["vertices/s"] = benchmark::Counter(kVertices, benchmark::Counter::kIsIterationInvariantRate);
    state.counters["file_MB"] = static_cast<double>(bytes) / 1e6;
}

void BM_ImportText(benchmark::State& state)
{
    ImportBench(state, "Large.x");
}
BENCHMARK(BM_ImportText)->Unit(benchmark::kMillisecond);

void BM_ImportBinary(benchmark::State& state)
{
    ImportBench(state, "LargeBinary.x");
}
BENCHMARK(BM_ImportBinary)->Unit(benchmark::kMillisecond);

// Reading the level creates every template (loading its mesh) and entity.
void BM_ParseLevel(benchmark::State& state)
{
    const std::size_t bytes = FileSize("Level.xml");
    for (auto _ : state)
    {
        gen::CEntityManager manager(gen::kNoMeshDevice);
        gen::CParseLevel level(&manager);
        if (!level.ParseFile("Level.xml", 32768) || manager.GetNumEntities() != kLevelEntities)
        {
            state.SkipWithError("level not read");
            break;
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
    state.counters["entities/s"] = benchmark::Counter(kLevelEntities, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_ParseLevel)->Unit(benchmark::kMillisecond);

// One update pass over 1000 entities, a quarter of them spinning planets.
void BM_UpdateEntities(benchmark::State& state)
{
    gen::CEntityManager manager(gen::kNoMeshDevice);
    manager.CreateTemplate("Scenery", "Box", "Small.x");
    manager.CreateTemplate("Planet", "Moon", "Small.x");
    for (int i = 0; i < 1000; ++i)
    {
        const gen::CVector3 position(static_cast<float>(i), 0.0f, 0.0f);
        if (i % 4 == 0)
        {
            manager.CreatePlanet("Moon", "Moon" + std::to_string(i), 0.5f, position);
        }
        else
        {
            manager.CreateEntity("Box", "Box" + std::to_string(i), position);
        }
    }
    for (auto _ : state)
    {
        manager.UpdateAllEntities(0.016f);
    }
    state.counters["entities/s"] = benchmark::Counter(1000, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_UpdateEntities)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
    {
        return 1;
    }
    SetUpInputs();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    RemoveInputs();
    return 0;
}
