// Every shader file goes through the program's HLSL translator, and in each render
// method the pixel shader's inputs are all written by its vertex shader: varyings
// are joined by semantic, so a missing one would read an undefined value.

#include "Platform/CShader.h"
#include "Render/RenderMethodInfo.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>

namespace fs = std::filesystem;
using namespace gen;

namespace
{

const fs::path kShaders = fs::path(TESSAVIN_SOURCE_DIR) / "Source" / "Render";

bool Translate(const std::string& file, SCompiledShader& out, std::string& errors)
{
    std::ifstream in(kShaders / file);
    std::stringstream source;
    source << in.rdbuf();
    const bool vertex = fs::path(file).extension() == ".vsh";
    return in && CompileHlsl(source.str(), file, "main", vertex ? "vs_3_0" : "ps_3_0", out, &errors);
}

} // namespace

TEST(ShaderTranslation, EveryFileTranslates)
{
    for (const auto& entry : fs::directory_iterator(kShaders))
    {
        const std::string ext = entry.path().extension().string();
        if (ext == ".vsh" || ext == ".psh")
        {
            SCompiledShader out;
            std::string errors;
            EXPECT_TRUE(Translate(entry.path().filename().string(), out, errors)) << entry.path().filename() << "\n" << errors;
        }
    }
}

TEST(ShaderTranslation, PixelInputsAreWrittenByTheVertexShader)
{
    for (std::uint32_t m = 0; m < kNumRenderMethods; ++m)
    {
        const SRenderMethodInfo& info = GetRenderMethodInfo(static_cast<ERenderMethod>(m));
        SCOPED_TRACE(std::string(info.VertexShaderFile) + " + " + info.PixelShaderFile);
        SCompiledShader vs, ps;
        std::string errors;
        ASSERT_TRUE(Translate(info.VertexShaderFile, vs, errors)) << errors;
        ASSERT_TRUE(Translate(info.PixelShaderFile, ps, errors)) << errors;
        std::set<std::string> written;
        for (const SShaderVarying& out : vs.Outputs)
        {
            written.insert(out.Semantic);
        }
        for (const SShaderVarying& in : ps.Inputs)
        {
            EXPECT_TRUE(written.count(in.Semantic)) << in.Semantic << " is read but not written";
        }
        std::set<std::uint32_t> stages;
        for (const SShaderSampler& s : ps.Samplers)
        {
            stages.insert(s.Stage);
        }
        std::set<std::uint32_t> bound;
        for (std::uint32_t s = 0; s < info.NumTextures + (info.PostProcess ? 1u : 0u); ++s)
        {
            bound.insert(s);
        }
        EXPECT_EQ(stages, bound);
    }
}
