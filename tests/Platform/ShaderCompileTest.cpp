// HLSL compilation and constant tables, without a device.
#include "Platform/CShader.h"

#include <gtest/gtest.h>

#include <cstring>
#include <dirent.h>

namespace gen
{
namespace
{

const char* const kTexturePixelShader = R"(
sampler2D DiffuseMap : register(s0);
float3 TintColour;
float Strength;
float4 main(float2 uv : TEXCOORD0) : COLOR0
{
    return float4(tex2D(DiffuseMap, uv).rgb * TintColour * Strength, 1.0f);
}
)";

const char* const kTransformVertexShader = R"(
float4x4 WorldMatrix;
float4x4 ViewProjMatrix;
struct VS_OUTPUT { float4 Position : POSITION; float2 UV : TEXCOORD0; float3 Normal : TEXCOORD1; };
VS_OUTPUT main(float3 pos : POSITION, float3 normal : NORMAL, float2 uv : TEXCOORD0)
{
    VS_OUTPUT o;
    o.Position = mul(mul(float4(pos, 1.0f), WorldMatrix), ViewProjMatrix);
    o.UV = uv;
    o.Normal = mul(normal, (float3x3)WorldMatrix);
    return o;
}
)";

TEST(ShaderCompile, Dx9PixelShaderWithTex2DCompilesWithReflection)
{
    SCompiledShader shader;
    std::string errors;
    ASSERT_TRUE(CompileHlsl(kTexturePixelShader, "tex.psh", "main", "ps_3_0", shader, &errors)) << errors;
    EXPECT_EQ(shader.Stage, kPixelStage);
    ASSERT_EQ(shader.Samplers.size(), 1u);
    EXPECT_EQ(shader.Samplers[0].Name, "DiffuseMap");
    EXPECT_EQ(shader.Samplers[0].Stage, 0u);
    ASSERT_EQ(shader.Inputs.size(), 1u);
    EXPECT_EQ(shader.Inputs[0].Semantic, "TEXCOORD0");
    EXPECT_NE(shader.Glsl.find("#version 330"), std::string::npos);
    ASSERT_EQ(shader.Constants.size(), 2u);
    EXPECT_EQ(shader.Constants[0].Name, "TintColour");
    EXPECT_EQ(shader.Constants[0].Columns, 3u);
    EXPECT_EQ(shader.Constants[1].Name, "Strength");
}

TEST(ShaderCompile, VertexShaderInputsAndOutputsBySemantic)
{
    SCompiledShader shader;
    std::string errors;
    ASSERT_TRUE(CompileHlsl(kTransformVertexShader, "xform.vsh", "main", "vs_3_0", shader, &errors)) << errors;
    std::vector<std::string> inputs;
    for (const SShaderVarying& v : shader.Inputs)
    {
        inputs.push_back(v.Semantic);
    }
    EXPECT_EQ(inputs, (std::vector<std::string>{"POSITION0", "NORMAL0", "TEXCOORD0"}));
    // POSITION is the clip position, not a varying; the others cross as vec4.
    ASSERT_EQ(shader.Outputs.size(), 2u);
    for (const SShaderVarying& v : shader.Outputs)
    {
        EXPECT_EQ(v.GlslType, "vec4") << v.Semantic;
    }
    ASSERT_EQ(shader.Constants.size(), 2u);
    EXPECT_EQ(shader.Constants[0].Rows, 4u);
    EXPECT_EQ(shader.Constants[0].Columns, 4u);
    EXPECT_EQ(shader.Constants[1].Offset, 64u);
}

TEST(ShaderCompile, SyntaxErrorIsAFailureWithTheCompilerText)
{
    SCompiledShader shader;
    std::string errors;
    EXPECT_FALSE(CompileHlsl("float4 main() : COLOR0 { return float4(1, 1, 1 1); }", "bad.psh", "main", "ps_3_0",
                             shader, &errors));
    EXPECT_FALSE(errors.empty());
    EXPECT_NE(LastShaderLog().find("bad.psh"), std::string::npos);

    CConstantTable* table = reinterpret_cast<CConstantTable*>(1);
    EXPECT_EQ(CompileShaderFromSource("float4 main( : COLOR0 {}", "bad2.psh", "main", "ps_3_0", &table, nullptr),
              nullptr);
    EXPECT_EQ(table, nullptr);
    EXPECT_EQ(CompileShaderFromFile("Source\\Render\\NoSuchShader.psh", "main", "ps_3_0", &table, nullptr), nullptr);
    EXPECT_EQ(table, nullptr);
    EXPECT_FALSE(CompileHlsl("float4 main() : COLOR0 { return 1; }", "x", "main", "gs_4_0", shader, nullptr));
}

TEST(ShaderCompile, UnknownConstantsAreIgnoredAndChangeNothing)
{
    CConstantTable* table = nullptr;
    CShaderCode* code = CompileShaderFromSource(kTexturePixelShader, "tex.psh", "main", "ps_3_0", &table, nullptr);
    ASSERT_NE(code, nullptr);
    ASSERT_NE(table, nullptr);
    const std::vector<std::uint8_t> before = table->GetStorage()->Bytes;
    EXPECT_FALSE(table->SetFloat("NotDeclared", 3.0f));
    EXPECT_FALSE(table->SetMatrix("WorldMatrix", CMatrix4x4::kIdentity));
    const float three[3] = {1, 2, 3};
    EXPECT_FALSE(table->SetFloatArray("tintcolour", three, 3)); // names are case-sensitive
    EXPECT_FALSE(table->SetFloatArray(CConstantTable::kInvalidHandle, three, 3));
    EXPECT_EQ(table->GetStorage()->Bytes, before);
    EXPECT_TRUE(table->SetFloat("Strength", 2.0f));
    EXPECT_EQ(table->GetConstantByName("Strength"), 1);
    code->Release();
    table->Release();
}

TEST(ShaderCompile, ArraysWrittenPastAConstantDoNotSpillIntoTheNext)
{
    // std140 packs the float right after the float3, in the same 16 bytes.
    CConstantTable* table = nullptr;
    CShaderCode* code = CompileShaderFromSource(kTexturePixelShader, "tex.psh", "main", "ps_3_0", &table, nullptr);
    ASSERT_NE(code, nullptr);
    ASSERT_TRUE(table->SetFloat("Strength", 7.0f));
    const float four[4] = {1, 2, 3, 4};
    EXPECT_TRUE(table->SetFloatArray("TintColour", four, 4));
    const SShaderConstant& strength = table->GetConstants()[1];
    float stored = 0;
    std::memcpy(&stored, table->GetStorage()->Bytes.data() + strength.Offset, 4);
    EXPECT_EQ(stored, 7.0f);
    const SShaderConstant& tint = table->GetConstants()[0];
    std::memcpy(&stored, table->GetStorage()->Bytes.data() + tint.Offset + 8, 4);
    EXPECT_EQ(stored, 3.0f);
    code->Release();
    table->Release();
}

TEST(ShaderCompile, SamplersTakeRegistersThenDeclarationOrder)
{
    const char* source = R"(
sampler2D First;
sampler2D Second;
sampler2D Pinned : register(s0);
float4 main(float2 uv : TEXCOORD0) : COLOR0
{
    return tex2D(First, uv) + tex2D(Second, uv) + tex2D(Pinned, uv);
}
)";
    CConstantTable* table = nullptr;
    CShaderCode* code = CompileShaderFromSource(source, "samplers.psh", "main", "ps_3_0", &table, nullptr);
    ASSERT_NE(code, nullptr) << LastShaderLog();
    EXPECT_EQ(table->GetSamplerIndex("Pinned"), 0);
    EXPECT_EQ(table->GetSamplerIndex("First"), 1);
    EXPECT_EQ(table->GetSamplerIndex("Second"), 2);
    EXPECT_EQ(table->GetSamplerIndex("Missing"), -1);
    code->Release();
    table->Release();
}

TEST(ShaderCompile, EveryShaderOfTheProgramTranslates)
{
    DIR* dir = opendir("Source/Render");
    ASSERT_NE(dir, nullptr);
    int count = 0;
    while (dirent* entry = readdir(dir))
    {
        const std::string name = entry->d_name;
        const bool vertex = name.size() > 4 && name.compare(name.size() - 4, 4, ".vsh") == 0;
        const bool pixel = name.size() > 4 && name.compare(name.size() - 4, 4, ".psh") == 0;
        if (!vertex && !pixel)
        {
            continue;
        }
        CConstantTable* table = nullptr;
        std::string errors;
        CShaderCode* code = CompileShaderFromFile("Source\\Render\\" + name, "main", vertex ? "vs_3_0" : "ps_3_0",
                                                  &table, &errors);
        EXPECT_NE(code, nullptr) << name << ":\n" << errors;
        SafeRelease(code);
        SafeRelease(table);
        ++count;
    }
    closedir(dir);
    EXPECT_GT(count, 0);
}

} // namespace
} // namespace gen
