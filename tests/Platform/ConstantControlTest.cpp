// Controls from real compiled constants: annotations in the DX9 effect
// habit (any order, any case of the names, spaces, a missing part, a
// string holding ';'), else the type; the initialiser is the default.
#include "Platform/ConstantControl.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace gen
{
namespace
{

TEST(ConstantControl, AnnotationsElseTheTypeMakeTheControlAndTheInitialiserItsDefault)
{
    struct SCase
    {
        const char* Declaration;
        bool Fits;
        const char* Label;
        EControlKind Kind;
        unsigned Components;
        float Min, Max, Step;
        std::vector<float> Default;
    };
    const SCase cases[] = {
        {"float Gain <string UIName=\"Gain\"; float UIMin=0.5; float UIMax=4.0; float UIStep=0.1;> = 2.2f;", true,
         "Gain", kControlSlider, 1, 0.5f, 4.0f, 0.1f, {2.2f}},
        {"float3 Tint < string UIWidget = \"Color\" ; string UIName = \"Tint; warm\" ; > = {1, 0.5, 0.25};", true,
         "Tint; warm", kControlColour, 3, 0.0f, 0.0f, 0.01f, {1.0f, 0.5f, 0.25f}},
        {"float4 Edge <float uimax = 2; float uimin = -1;> = 0.5;", true, "Edge", kControlSlider, 4, -1.0f, 2.0f,
         0.01f, {0.5f, 0.5f, 0.5f, 0.5f}},
        {"float Lonely <float UIMin = 1;> = 3;", true, "Lonely", kControlDrag, 1, 1.0f, 0.0f, 0.01f, {3.0f}},
        {"float2 Plain;", true, "Plain", kControlDrag, 2, 0.0f, 0.0f, 0.01f, {0.0f, 0.0f}},
        {"int Count <float UIStep = 0;> = 3;", true, "Count", kControlDrag, 1, 0.0f, 0.0f, 1.0f, {3.0f}},
        {"float2 Backwards <float UIMin = 4; float UIMax = 1;> = {1, 2};", true, "Backwards", kControlDrag, 2, 4.0f,
         1.0f, 0.01f, {1.0f, 2.0f}},
        {"float4x4 Matrix;", false, "", kControlDrag, 0, 0, 0, 0, {}},
        {"float Weights[3];", false, "", kControlDrag, 0, 0, 0, 0, {}},
    };
    for (const SCase& c : cases)
    {
        const std::string name = std::string(c.Declaration).substr(std::string(c.Declaration).find(' ') + 1);
        const std::string variable = name.substr(0, name.find_first_of(" <[;"));
        const std::string source = std::string("sampler2D s0 : register(s0);\n") + c.Declaration +
                                   "\nfloat4 main(float2 uv : TEXCOORD0) : COLOR0 { return tex2D(s0, uv) * " +
                                   (c.Fits ? "float4(" + variable + (c.Components == 1 ? ".xxxx" :
                                    c.Components == 2 ? ".xyxy" : c.Components == 3 ? ".xyzx" : "") + ")"
                                           : std::string(variable == "Matrix" ? "Matrix[0]" : "Weights[1]")) +
                                   "; }\n";
        SCompiledShader shader;
        std::string errors;
        ASSERT_TRUE(CompileHlsl(source, "c.psh", "main", "ps_2_0", SHlslOptions(), shader, &errors))
            << c.Declaration << "\n" << errors;
        const SShaderConstant* constant = nullptr;
        for (const SShaderConstant& k : shader.Constants)
        {
            constant = k.Name == variable ? &k : constant;
        }
        ASSERT_NE(constant, nullptr) << c.Declaration;
        SConstantControl control;
        ASSERT_EQ(MakeConstantControl(*constant, control), c.Fits) << c.Declaration;
        if (!c.Fits)
        {
            continue;
        }
        EXPECT_EQ(control.Label, c.Label) << c.Declaration;
        EXPECT_EQ(control.Kind, c.Kind) << c.Declaration;
        EXPECT_EQ(control.Components, c.Components) << c.Declaration;
        EXPECT_FLOAT_EQ(control.Min, c.Min) << c.Declaration;
        EXPECT_FLOAT_EQ(control.Max, c.Max) << c.Declaration;
        EXPECT_FLOAT_EQ(control.Step, c.Step) << c.Declaration;
        EXPECT_EQ(control.Default, c.Default) << c.Declaration;
    }
}

} // namespace
} // namespace gen
