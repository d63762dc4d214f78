// libFuzzer target for the X-file reader and the importer: any bytes as a
// file image, parsed, walked object by object, then imported with every
// submesh and material fetched. Seed it with tests/fuzz/corpus-xfile (and
// tests/data), e.g.:
//   fuzz_xfile -dict=tests/fuzz/xfile.dict tests/fuzz/corpus-xfile tests/data

#include "XFile/CImportXFile.h"
#include "XFile/XFile.h"

#include <cstddef>
#include <cstdint>

namespace
{

void Walk(gen::CXFileData* d)
{
    gen::SXGuid guid;
    d->GetType(&guid);
    std::size_t size = 0;
    if (d->GetName(nullptr, &size) == gen::kXOK && size > 0)
    {
        char name[256];
        if (size <= sizeof name)
        {
            d->GetName(name, &size);
        }
    }
    const void* data = nullptr;
    if (d->Lock(&size, &data) == gen::kXOK)
    {
        // Touch every byte so a bad length shows up under ASan.
        volatile std::uint8_t sum = 0;
        for (std::size_t i = 0; i < size; ++i)
        {
            sum = static_cast<std::uint8_t>(sum + static_cast<const std::uint8_t*>(data)[i]);
        }
        d->Unlock();
    }
    std::size_t n = 0;
    d->GetChildren(&n);
    for (std::size_t i = 0; i < n; ++i)
    {
        gen::CXFileData* c = nullptr;
        if (d->GetChild(i, &c) == gen::kXOK)
        {
            Walk(c);
            c->Release();
        }
        else if (d->GetErrorText().empty() || d->GetPlace().empty())
        {
            __builtin_trap(); // every refusal says why
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    gen::CXFile* file = nullptr;
    if (gen::XFileCreate(&file) != gen::kXOK)
    {
        __builtin_trap();
    }
    const gen::SXMemory memory{data, size};
    gen::CXFileEnumObject* e = nullptr;
    const gen::XResult parsed = file->CreateEnumObject(&memory, gen::kXLoadFromMemory, &e);
    if (parsed != gen::kXOK && file->GetErrorText().empty())
    {
        __builtin_trap(); // every refusal says why
    }
    if (parsed == gen::kXOK)
    {
        std::size_t n = 0;
        e->GetChildren(&n);
        for (std::size_t i = 0; i < n; ++i)
        {
            gen::CXFileData* d = nullptr;
            if (e->GetChild(i, &d) == gen::kXOK)
            {
                Walk(d);
                d->Release();
            }
        }
        e->Release();
    }
    file->Release();

    gen::CImportXFile importer;
    const gen::EImportResult imported = importer.ImportMemory(data, size);
    if ((imported == gen::kImportOK) != importer.GetErrorText().empty())
    {
        __builtin_trap(); // a reason exactly when the import fails
    }
    if (imported == gen::kImportOK)
    {
        for (std::uint32_t i = 0; i < importer.GetNumSubMeshes(); ++i)
        {
            const bool tangents = gen::RenderMethodUsesTangents(importer.GetSubMeshRenderMethod(i));
            gen::SSubMesh s;
            importer.GetSubMesh(i, s, tangents);
            importer.GetSubMesh(i, s, !tangents);
            for (std::uint16_t f : s.Faces)
            {
                if (f >= s.NumVertices)
                {
                    __builtin_trap();
                }
            }
        }
        for (std::uint32_t i = 0; i < importer.GetNumMaterials(); ++i)
        {
            gen::SMaterialDesc m;
            importer.GetMaterial(i, m);
        }
        for (std::uint32_t i = 0; i < importer.GetNumNodes(); ++i)
        {
            gen::SMeshNode node;
            importer.GetNode(i, node);
        }
    }
    return 0;
}
