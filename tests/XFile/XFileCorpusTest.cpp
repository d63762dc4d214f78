// Replays every test file and fuzzer corpus entry through the reader and the
// importer, fetching everything an import offers. Results may be anything
// (tests/data/expected-results.txt pins those of tests/data); under the
// sanitizer build this checks that no input misbehaves.

#include "XFile/CImportXFile.h"
#include "XFile/XFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace gen
{
namespace
{

// Walks every object, reading names and data.
void Walk(CXFileData* d, int depth)
{
    ASSERT_LT(depth, 1000);
    SXGuid g;
    std::size_t size = 0, n = 0;
    const void* p = nullptr;
    EXPECT_EQ(d->GetType(&g), kXOK);
    EXPECT_EQ(d->GetName(nullptr, &size), kXOK);
    EXPECT_EQ(d->Lock(&size, &p), kXOK);
    EXPECT_EQ(d->Unlock(), kXOK);
    EXPECT_EQ(d->GetChildren(&n), kXOK);
    for (std::size_t i = 0; i < n; ++i)
    {
        CXFileData* c = nullptr;
        const XResult rc = d->GetChild(i, &c);
        if (rc != kXOK)
        {
            // Only a walk may fail here: a reference to nothing, or past the walk limit.
            EXPECT_TRUE(rc == kXErrBadReference || rc == kXErrWalkLimit) << rc;
            continue;
        }
        Walk(c, depth + 1);
        c->Release();
    }
}

void Replay(const std::string& image, CImportXFile& importer)
{
    CXFile* file = nullptr;
    ASSERT_EQ(XFileCreate(&file), kXOK);
    const SXMemory memory{image.data(), image.size()};
    CXFileEnumObject* e = nullptr;
    if (file->CreateEnumObject(&memory, kXLoadFromMemory, &e) == kXOK)
    {
        std::size_t n = 0;
        EXPECT_EQ(e->GetChildren(&n), kXOK);
        for (std::size_t i = 0; i < n; ++i)
        {
            CXFileData* d = nullptr;
            if (e->GetChild(i, &d) != kXOK) continue; // past the walk limit
            Walk(d, 0);
            d->Release();
        }
        e->Release();
    }
    file->Release();

    // One importer for every file: a failed import leaves nothing of the last one.
    if (importer.ImportMemory(image.data(), image.size()) != kImportOK)
    {
        EXPECT_FALSE(importer.IsImported());
        EXPECT_EQ(importer.GetNumNodes() + importer.GetNumSubMeshes() + importer.GetNumMaterials(), 0u);
    }
    SMeshNode node;
    for (std::uint32_t i = 0; i < importer.GetNumNodes(); ++i)
    {
        importer.GetNode(i, node);
        EXPECT_TRUE(i == 0 || node.Parent < i);
    }
    for (std::uint32_t i = 0; i < importer.GetNumSubMeshes(); ++i)
    {
        importer.GetSubMeshRenderMethod(i);
        for (bool tangents : {false, true})
        {
            SSubMesh s;
            ASSERT_EQ(importer.GetSubMesh(i, s, tangents), kImportOK);
            EXPECT_EQ(s.Vertices.size(), static_cast<std::size_t>(s.NumVertices) * s.VertexSize);
            EXPECT_EQ(s.Faces.size(), static_cast<std::size_t>(s.NumFaces) * 3);
            for (std::uint16_t f : s.Faces) EXPECT_LT(f, s.NumVertices);
            EXPECT_LT(s.MaterialIndex, importer.GetNumMaterials());
            EXPECT_LT(s.Node, importer.GetNumNodes());
        }
    }
    SMaterialDesc m;
    for (std::uint32_t i = 0; i < importer.GetNumMaterials(); ++i) importer.GetMaterial(i, m);
}

TEST(XFileCorpus, EveryFileReplaysSafely)
{
    namespace fs = std::filesystem;
    std::size_t count = 0;
    CImportXFile importer;
    for (const char* folder : {"tests/data", "tests/fuzz/corpus-xfile"})
    {
        if (!fs::is_directory(folder)) continue;
        for (const auto& entry : fs::recursive_directory_iterator(folder))
        {
            if (!entry.is_regular_file()) continue;
            const std::string path = entry.path().string();
            if (std::string(folder) == "tests/data" && entry.path().extension() != ".x") continue;
            std::ifstream in(path, std::ios::binary);
            std::stringstream buffer;
            buffer << in.rdbuf();
            SCOPED_TRACE(path);
            Replay(buffer.str(), importer);
            ++count;
        }
    }
    EXPECT_GT(count, 40u);
}

} // namespace
} // namespace gen
