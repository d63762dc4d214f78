// HLSL compilation failures and constant tables, without a device.
#include "Platform/CShader.h"

#include <gtest/gtest.h>

#include <cstring>

namespace gen
{
namespace
{

const char* const kPixelShader = R"(
sampler2D First;
sampler2D Second;
sampler2D DiffuseMap : register(s0);
float3 TintColour;
float Strength;
float4 main(float2 uv : TEXCOORD0) : COLOR0
{
    return float4((tex2D(DiffuseMap, uv) + tex2D(First, uv) + tex2D(Second, uv)).rgb * TintColour * Strength, 1);
}
)";

TEST(ShaderCompile, FailuresKeepTheCompilerTextAndGiveNoTable)
{
    SCompiledShader shader;
    std::string errors;
    EXPECT_FALSE(CompileHlsl("float4 main() : COLOR0 { return float4(1, 1, 1 1); }", "bad.psh", "main", "ps_3_0",
                             shader, &errors));
    EXPECT_FALSE(errors.empty());
    EXPECT_NE(LastShaderLog().find("bad.psh"), std::string::npos);
    EXPECT_FALSE(CompileHlsl("float4 main() : COLOR0 { return 1; }", "x", "main", "gs_4_0", shader, nullptr));

    CConstantTable* table = reinterpret_cast<CConstantTable*>(1);
    EXPECT_EQ(CompileShaderFromSource("float4 main( : COLOR0 {}", "bad2.psh", "main", "ps_3_0", &table, nullptr),
              nullptr);
    EXPECT_EQ(table, nullptr);
    table = reinterpret_cast<CConstantTable*>(1);
    EXPECT_EQ(CompileShaderFromFile("Source\\Render\\NoSuchShader.psh", "main", "ps_3_0", &table, nullptr), nullptr);
    EXPECT_EQ(table, nullptr);
}

TEST(ShaderCompile, TableSetsDeclaredConstantsOnlyWithinTheirBytes)
{
    CConstantTable* table = nullptr;
    CShaderCode* code = CompileShaderFromSource(kPixelShader, "tex.psh", "main", "ps_3_0", &table, nullptr);
    ASSERT_NE(code, nullptr);
    const std::vector<std::uint8_t> before = table->GetStorage()->Bytes;
    const float values[4] = {1, 2, 3, 4};
    EXPECT_FALSE(table->SetFloat("NotDeclared", 3.0f));
    EXPECT_FALSE(table->SetMatrix("WorldMatrix", CMatrix4x4::kIdentity));
    EXPECT_FALSE(table->SetFloatArray("tintcolour", values, 3)); // names are case-sensitive
    EXPECT_FALSE(table->SetFloatArray(CConstantTable::kInvalidHandle, values, 3));
    EXPECT_EQ(table->GetStorage()->Bytes, before);

    // std140 packs the float right after the float3: four floats written to
    // the float3 must not reach it.
    EXPECT_EQ(table->GetConstantByName("Strength"), 1);
    ASSERT_TRUE(table->SetFloat("Strength", 7.0f));
    EXPECT_TRUE(table->SetFloatArray("TintColour", values, 4));
    float stored[2] = {0, 0};
    std::memcpy(&stored[0], table->GetStorage()->Bytes.data() + table->GetConstants()[0].Offset + 8, 4);
    std::memcpy(&stored[1], table->GetStorage()->Bytes.data() + table->GetConstants()[1].Offset, 4);
    EXPECT_EQ(stored[0], 3.0f);
    EXPECT_EQ(stored[1], 7.0f);

    // Samplers take their register, then declaration order.
    EXPECT_EQ(table->GetSamplerIndex("DiffuseMap"), 0);
    EXPECT_EQ(table->GetSamplerIndex("First"), 1);
    EXPECT_EQ(table->GetSamplerIndex("Second"), 2);
    EXPECT_EQ(table->GetSamplerIndex("Missing"), -1);
    code->Release();
    table->Release();
}

TEST(ShaderCompile, InitialisersAreTheStartingValuesOfTheTable)
{
    CConstantTable* table = nullptr;
    CShaderCode* code = CompileShaderFromSource(
        "float Amount = 0.5;\nfloat3 Tint = float3(1, -2, 3);\nfloat2 Scale = 4;\nfloat Unset;\n"
        "float4 main() : COLOR0 { return float4(Tint * Amount, Unset) + Scale.xyxy; }",
        "defaults.psh", "main", "ps_3_0", &table, nullptr);
    ASSERT_NE(code, nullptr);
    auto stored = [&](const char* name, std::size_t index) {
        const SShaderConstant& c = table->GetConstants()[static_cast<std::size_t>(table->GetConstantByName(name))];
        float value = 0;
        std::memcpy(&value, table->GetStorage()->Bytes.data() + c.Offset + 4 * index, 4);
        return value;
    };
    EXPECT_EQ(stored("Amount", 0), 0.5f);
    EXPECT_EQ(stored("Tint", 1), -2.0f);
    EXPECT_EQ(stored("Tint", 2), 3.0f);
    EXPECT_EQ(stored("Scale", 1), 4.0f); // a scalar fills the vector
    EXPECT_EQ(stored("Unset", 0), 0.0f);
    code->Release();
    table->Release();
}

TEST(ShaderCompile, FirstErrorNamesFileAndLine)
{
    struct SCase
    {
        const char* Source;
        const char* Expected;
    };
    const SCase cases[] = {
        {"float4 main() : COLOR0\n{\n    return undefinedThing;\n}\n",
         "Source/Render/Edit.psh(3): 'undefinedThing' : unknown variable"},
        {"float4 main() : COLOR0 { return float4(1, 1, 1 1); }", "Source/Render/Edit.psh(1): "},
        {"float4 notMain() : COLOR0 { return 1; }", "Source/Render/Edit.psh: "}, // no line: the linker's
    };
    for (const SCase& c : cases)
    {
        std::string errors;
        SCompiledShader shader;
        ASSERT_FALSE(CompileHlsl(c.Source, "Source/Render/Edit.psh", "main", "ps_3_0", shader, &errors));
        const std::string line = FirstShaderError("Source/Render/Edit.psh", errors);
        EXPECT_EQ(line.rfind(c.Expected, 0), 0u) << line;
        EXPECT_EQ(line.find('\n'), std::string::npos) << line;
        EXPECT_GT(line.size(), std::strlen("Source/Render/Edit.psh: ")) << line;
    }
    EXPECT_EQ(FirstShaderError("a.psh", ""), "a.psh: does not compile");
}

TEST(ShaderCompile, ANewLayoutKeepsTheValuesOfConstantsThatKeptTheirShape)
{
    CConstantTable* table = nullptr;
    CShaderCode* code = CompileShaderFromSource(kPixelShader, "tex.psh", "main", "ps_3_0", &table, nullptr);
    ASSERT_NE(code, nullptr);
    const float tint[3] = {0.25f, 0.5f, 0.75f};
    table->SetFloatArray("TintColour", tint, 3);
    table->SetFloat("Strength", 2.0f);

    // Strength is now first and a float2; TintColour moved behind it.
    CConstantTable* fresh = nullptr;
    CShaderCode* edited = CompileShaderFromSource(
        "float2 Strength;\nfloat3 TintColour;\n"
        "float4 main() : COLOR0 { return float4(TintColour * Strength.x, 1); }",
        "tex.psh", "main", "ps_3_0", &fresh, nullptr);
    ASSERT_NE(edited, nullptr);
    table->TakeLayout(*fresh);
    EXPECT_EQ(table->GetStorage(), edited->GetStorage()); // what the new code uploads
    const SShaderConstant& moved = table->GetConstants()[static_cast<std::size_t>(table->GetConstantByName("TintColour"))];
    float stored[3] = {};
    std::memcpy(stored, table->GetStorage()->Bytes.data() + moved.Offset, sizeof stored);
    EXPECT_EQ(stored[0], 0.25f);
    EXPECT_EQ(stored[2], 0.75f);
    const SShaderConstant& reshaped = table->GetConstants()[static_cast<std::size_t>(table->GetConstantByName("Strength"))];
    std::memcpy(stored, table->GetStorage()->Bytes.data() + reshaped.Offset, 4);
    EXPECT_EQ(stored[0], 0.0f); // another shape: not carried over
    for (CDeviceObject* object : {static_cast<CDeviceObject*>(code), static_cast<CDeviceObject*>(edited),
                                  static_cast<CDeviceObject*>(table), static_cast<CDeviceObject*>(fresh)})
    {
        object->Release();
    }
}

TEST(ShaderCompile, AnEditedInitialiserShowsWhereNothingSetTheConstant)
{
    const char* const kBefore = "float Amount = 0.5;\nfloat Set = 0.5;\nint Count = 2;\n"
                                "float4 main() : COLOR0 { return float4(Amount, Set, Count, 1); }";
    const char* const kAfter = "float Amount = 0.25;\nfloat Set = 0.25;\nint Count = 3;\n"
                               "float4 main() : COLOR0 { return float4(Amount, Set, Count, 1); }";
    CConstantTable* table = nullptr;
    CShaderCode* code = CompileShaderFromSource(kBefore, "amount.psh", "main", "ps_3_0", &table, nullptr);
    ASSERT_NE(code, nullptr);
    table->SetFloat("Set", 0.75f);
    CConstantTable* fresh = nullptr;
    CShaderCode* edited = CompileShaderFromSource(kAfter, "amount.psh", "main", "ps_3_0", &fresh, nullptr);
    ASSERT_NE(edited, nullptr);
    table->TakeLayout(*fresh);
    const auto value = [&](const char* name) {
        const SShaderConstant& c = table->GetConstants()[static_cast<std::size_t>(table->GetConstantByName(name))];
        float f = 0.0f;
        std::int32_t i = 0;
        std::memcpy(c.IsInteger ? static_cast<void*>(&i) : static_cast<void*>(&f),
                    table->GetStorage()->Bytes.data() + c.Offset, 4);
        return c.IsInteger ? static_cast<float>(i) : f;
    };
    EXPECT_EQ(value("Amount"), 0.25f);
    EXPECT_EQ(value("Set"), 0.75f);
    EXPECT_EQ(value("Count"), 3.0f);
    for (CDeviceObject* object : {static_cast<CDeviceObject*>(code), static_cast<CDeviceObject*>(edited),
                                  static_cast<CDeviceObject*>(table), static_cast<CDeviceObject*>(fresh)})
    {
        object->Release();
    }
}

} // namespace
} // namespace gen
