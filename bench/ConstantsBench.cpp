// Shader constants as the render methods set them for one draw: matrices,
// light and material values, by name (hash of the name, then a scan of the
// table's hashes) and by pre-resolved handle. The table is built from a
// hand-made reflection, so no shader is compiled and no device is needed.
// A counting operator new reports allocations per draw (expected: none).

#include "Platform/CShader.h"
#include "Platform/Conventions.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <new>

namespace
{
std::atomic<std::size_t> gAllocations{0};
} // namespace

void* operator new(std::size_t size)
{
    ++gAllocations;
    if (void* p = std::malloc(size ? size : 1))
    {
        return p;
    }
    throw std::bad_alloc();
}

void operator delete(void* p) noexcept
{
    std::free(p);
}

void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}

namespace
{

// The constants of the pixel-lit, two-light, textured vertex and pixel
// shaders merged into one table (the larger case for a scan).
const char* const kNames[] = {"WorldMatrix",    "ViewProjMatrix",  "Light1Position", "Light1Colour",
                              "Light1Brightness", "Light2Position", "Light2Colour",   "Light2Brightness",
                              "AmbientColour",  "CameraPosition",  "MaterialColour", "SpecularStrength",
                              "SpecularPower"};

gen::SCompiledShader Reflection()
{
    gen::SCompiledShader shader;
    std::uint32_t offset = 0;
    for (const char* name : kNames)
    {
        gen::SShaderConstant c;
        c.Name = name;
        c.NameHash = gen::HashConstantName(name);
        c.Offset = offset;
        const bool matrix = std::string(name).find("Matrix") != std::string::npos;
        const bool scalar = std::string(name).find("Brightness") != std::string::npos ||
                            std::string(name) == "SpecularPower";
        c.Rows = matrix ? 4 : 1;
        c.Columns = scalar ? 1 : matrix ? 4 : 3;
        c.VectorStride = 16;
        offset += matrix ? 64 : 16;
        shader.Constants.push_back(c);
    }
    shader.BlockSize = offset;
    return shader;
}

const gen::CMatrix4x4 kWorld = gen::CMatrix4x4::kIdentity;
const float kColour[3] = {0.5f, 0.25f, 1.0f};

void BM_ConstantsByName(benchmark::State& state)
{
    gen::CConstantTable* table = new gen::CConstantTable(Reflection());
    const std::size_t before = gAllocations;
    for (auto _ : state)
    {
        table->SetMatrix("ViewProjMatrix", kWorld);
        table->SetMatrix("WorldMatrix", kWorld);
        table->SetFloatArray("Light1Position", kColour, 3);
        table->SetFloatArray("Light1Colour", kColour, 3);
        table->SetFloat("Light1Brightness", 2.0f);
        table->SetFloatArray("Light2Position", kColour, 3);
        table->SetFloatArray("Light2Colour", kColour, 3);
        table->SetFloat("Light2Brightness", 2.0f);
        table->SetFloatArray("MaterialColour", kColour, 3);
        table->SetFloatArray("SpecularStrength", kColour, 3);
        table->SetFloat("SpecularPower", 20.0f);
        benchmark::ClobberMemory();
    }
    state.counters["allocs/draw"] = benchmark::Counter(static_cast<double>(gAllocations - before),
                                                       benchmark::Counter::kAvgIterations);
    state.counters["sets/draw"] = 11;
    table->Release();
}
BENCHMARK(BM_ConstantsByName);

void BM_ConstantsByHandle(benchmark::State& state)
{
    gen::CConstantTable* table = new gen::CConstantTable(Reflection());
    gen::CConstantTable::THandle h[13];
    for (int i = 0; i < 13; ++i)
    {
        h[i] = table->GetConstantByName(kNames[i]);
    }
    const std::size_t before = gAllocations;
    for (auto _ : state)
    {
        table->SetMatrix(h[1], kWorld);
        table->SetMatrix(h[0], kWorld);
        table->SetFloatArray(h[2], kColour, 3);
        table->SetFloatArray(h[3], kColour, 3);
        table->SetFloat(h[4], 2.0f);
        table->SetFloatArray(h[5], kColour, 3);
        table->SetFloatArray(h[6], kColour, 3);
        table->SetFloat(h[7], 2.0f);
        table->SetFloatArray(h[10], kColour, 3);
        table->SetFloatArray(h[11], kColour, 3);
        table->SetFloat(h[12], 20.0f);
        benchmark::ClobberMemory();
    }
    state.counters["allocs/draw"] = benchmark::Counter(static_cast<double>(gAllocations - before),
                                                       benchmark::Counter::kAvgIterations);
    state.counters["sets/draw"] = 11;
    table->Release();
}
BENCHMARK(BM_ConstantsByHandle);

// A name the shader lacks: the whole scan, then nothing set.
void BM_ConstantUnknownName(benchmark::State& state)
{
    gen::CConstantTable* table = new gen::CConstantTable(Reflection());
    for (auto _ : state)
    {
        benchmark::DoNotOptimize(table->SetFloat("ContrastLevel", 1.0f));
    }
    table->Release();
}
BENCHMARK(BM_ConstantUnknownName);

} // namespace

BENCHMARK_MAIN();
