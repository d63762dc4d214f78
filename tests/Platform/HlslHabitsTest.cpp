// DX9-era habits of HLSL and effect files through the display-free shader
// compiler (the path tessavin-shader and the program share), one row each;
// what compiles is checked by glslangValidator as GLSL 3.30 and ES 3.00.
#include "Platform/EffectSamplerStates.h"
#include "Platform/HlslCompiler.h"
#include "Platform/HlslSource.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <unistd.h>

namespace gen
{
namespace
{

namespace fs = std::filesystem;

// A folder of shader files, removed when the test ends.
class CShaderFolder
{
public:
    CShaderFolder() : Root(fs::path(testing::TempDir()) / ("tessavin_hlsl_" + std::to_string(getpid())))
    {
        fs::create_directories(Root / "inc");
        fs::create_directories(Root / "sys");
        Write("inc/Common.fxh", "#pragma once\r\nfloat3 Tinted(float3 c, float3 t)\r\n{\r\n    return c * t;\r\n}\r\n");
        Write("inc/Again.fxh", "#include \"Common.fxh\"\n#include \"../inc/Common.fxh\"\n");
        Write("inc/Bad.fxh", "float4 Bad()\n{\n    return undefinedThing;\n}\n");
        Write("inc/CycleA.fxh", "#include \"CycleB.fxh\"\n");
        Write("inc/CycleB.fxh", "\n#include \"CycleA.fxh\"\n");
        Write("inc/Guarded.fxh", "#ifndef GUARDED\n#define GUARDED\n#include \"Guarded.fxh\"\nfloat Half() { return 0.5; }\n#endif\n");
        Write("sys/System.fxh", "float4 Grey() { return 0.5; }\n");
    }
    ~CShaderFolder()
    {
        std::error_code ignored;
        fs::remove_all(Root, ignored);
    }
    std::string Write(const std::string& name, const std::string& text) const
    {
        const std::string path = (Root / name).string();
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }
    std::string Path(const std::string& name) const { return (Root / name).string(); }

private:
    fs::path Root;
};

// glslangValidator's verdict on generated GLSL; true when it is not installed.
bool ValidGlsl(const std::string& glsl, EShaderStage stage, const std::string& name)
{
    if (std::system("command -v glslangValidator >/dev/null 2>&1") != 0)
    {
        return true;
    }
    const std::string path = testing::TempDir() + "tessavin_" + std::to_string(getpid()) + "_" + name +
                             (stage == kVertexStage ? ".vert" : ".frag");
    std::ofstream(path, std::ios::binary) << glsl;
    const int status = std::system(("glslangValidator \"" + path + "\" >/dev/null 2>&1").c_str());
    fs::remove(path);
    return status == 0;
}

struct SHabit
{
    const char* Name;
    const char* Source;
    const char* Entry;
    const char* Profile;
    std::vector<std::string> Arguments;
    // "" when it compiles; else FILE:LINE and the start of the first error's text.
    const char* Error;
    const char* InGlsl; // in the generated GLSL ("" for nothing)
};

const char* const kPixel = "float4 main(float2 uv : TEXCOORD0) : COLOR0 { return float4(uv, 0, 1); }\n";

TEST(HlslHabits, EachCompilesAsFxcWouldOrFailsWhereItShould)
{
    const CShaderFolder folder;
    const SHabit habits[] = {
        {"byte-order mark and CRLF", "\xEF\xBB\xBF" "float4 main() : COLOR0\r\n{\r\n    return 1;\r\n}\r\n", "main",
         "ps_2_0", {}, "", ""},
        {"CR line ends keep lines", "float4 main() : COLOR0\r{\r    return nothing;\r}\r", "main", "ps_2_0", {},
         "main.fx:3:'nothing'", ""},
        {"include beside the file, pragma once", "#include \"inc/Common.fxh\"\n#include \"inc/Again.fxh\"\n"
         "float3 Tint;\nfloat4 main() : COLOR0 { return float4(Tinted(1, Tint), 1); }\n", "main", "ps_2_0", {}, "", ""},
        {"include from an include folder", "#include <System.fxh>\nfloat4 main() : COLOR0 { return Grey(); }\n",
         "main", "ps_2_0", {}, "", ""},
        {"missing include named at its line", "\n#include \"inc/Missing.fxh\"\n", "main", "ps_2_0", {},
         "main.fx:2:'#error' : cannot include inc/Missing.fxh", ""},
        {"missing include in #if 0", "#if 0\n#include \"nowhere.h\"\n#endif\n" "float4 main() : COLOR0 { return 1; }\n",
         "main", "ps_2_0", {}, "", ""},
        {"include cycle names both files", "#include \"inc/CycleA.fxh\"\n", "main", "ps_2_0", {},
         "inc/CycleB.fxh:2:'#error' : " /* then both names */, ""},
        {"guarded self-include", "#include \"inc/Guarded.fxh\"\nfloat4 main() : COLOR0 { return Half(); }\n", "main",
         "ps_2_0", {}, "", ""},
        {"error inside an include", "#include \"inc/Bad.fxh\"\nfloat4 main() : COLOR0 { return Bad(); }\n", "main",
         "ps_2_0", {}, "inc/Bad.fxh:3:'undefinedThing'", ""},
        {"texture object and sampler_state",
         "texture2D Scene;\nsampler Image : register(s0) = sampler_state\n{\n    Texture = <Scene>;\n    AddressU = "
         "Clamp;\n};\nfloat4 main(float2 uv : TEXCOORD0) : COLOR0 { return tex2D(Image, uv); }\n",
         "main", "ps_2_0", {}, "", "s_Image"},
        {"XNA sampler block", "Texture Scene;\nsampler2D Image : register(s1) { Texture = (Scene); MinFilter = Point; };\n"
         "float4 main(float2 uv : TEXCOORD0) : COLOR0 { return tex2D(Image, uv); }\n",
         "main", "ps_2_0", {}, "", "s_Image"},
        {"technique and pass blocks", "float4 PS(float2 uv : TEXCOORD0) : COLOR0 { return float4(uv, 0, 1); }\n"
         "technique T < string Name = \"t\"; >\n{\n    pass P0\n    {\n        CullMode = None;\n        PixelShader = "
         "compile ps_2_0 PS();\n    }\n}\n",
         "PS", "ps_2_0", {}, "", ""},
        {"uniform arguments honoured", "float4 PS(float2 uv : TEXCOORD0, uniform float scale) : COLOR0\n"
         "{ return float4(uv * scale, 0, 1); }\n",
         "PS", "ps_2_0", {"0.25"}, "", "0.25"},
        {"too many uniform arguments", kPixel, "main", "ps_2_0", {"1"}, "main.fx:0:'main' : main has 0 uniform", ""},
        {"annotations and string variables", "string Description = \"a tint\";\n"
         "float Amount < string UIName = \"Amount\"; float UIMin = 0; > = 0.5;\n"
         "float4 main() : COLOR0 { return Amount; }\n",
         "main", "ps_2_0", {}, "", "Amount"},
        {"SV_Position vertex input", "float4 main(float4 p : SV_Position) : POSITION { return p; }\n", "main",
         "vs_2_0", {}, "", "a_POSITION0"},
        {"SV_Target output", "float4 main() : SV_Target { return 1; }\n", "main", "ps_3_0", {}, "", "tsv_target0"},
        {"macros given to the compiler", "#ifndef TAPS\n#error no TAPS\n#endif\n"
         "float4 main() : COLOR0 { return TAPS * SCALE; }\n", "main", "ps_2_0", {}, "", "vec4(4.0)"},
        {"no GLSL macro visible", "#ifdef GL_ARB_gpu_shader5\n#error GLSL only\n#endif\n"
         "#if defined(GL_core_profile)\n#error GLSL only\n#endif\n" "float4 main() : COLOR0 { return 1; }\n",
         "main", "ps_2_0", {}, "", ""},
        {"GLSL macro tested past a line end", "#if defined(NO_SUCH) || \\\n    defined(GL_ARB_gpu_shader5)\n"
         "#error GLSL only\n#endif\n" "float4 main() : COLOR0 { return 1; }\n", "main", "ps_2_0", {}, "", ""},
        {"macro redefined", "#define K 1\n#define K 2\nfloat4 main() : COLOR0 { return K + nothing; }\n", "main",
         "ps_2_0", {}, "main.fx:3:'nothing'", ""},
        {"loop variable used after its loop", "float4 main() : COLOR0\n{\n    float s = 0;\n"
         "    [unroll] for (int i = 0; i < 3; i++) { s += i; }\n    for (int i = 0; i < 2; i++) s += 1;\n"
         "    return s + i;\n}\n", "main", "ps_2_0", {}, "", ""},
        {"matrix initialiser list of vectors and scalars", "float3 a, b;\nstatic const float3x3 K = {a, b, 0, 0, 1,};\n"
         "float4 main() : COLOR0 { float4x4 m = {float4(a, 0), b, 0, 0, 0, 1, 0, 0, 0, 0, 1};\n"
         "    return float4(mul(a, K), 1) + mul(float4(b, 1), m); }\n", "main", "ps_2_0", {}, "", ""},
        {"one-row and one-column matrices",
         "float3x1 Column;\nfloat4 main() : COLOR0 { float1x3 r = float1x3(1, 2, 3);\n"
         "    return mul(r, Column) + Column[1] + r[0].z + r._m02 + Column._m10_m20.y; }\n", "main", "ps_2_0", {}, "", "Column"},
        {"vector cast to an array", "float4 v;\nfloat4 main() : COLOR0 { float a[4] = (float[4])v;\n"
         "    float b[3] = (float[3])(v.xyz * 2); return a[2] + b[1]; }\n", "main", "ps_2_0", {}, "", ""},
        {"vector cast to an array as an argument", "float4 v;\nfloat F(float a[4]) { return a[0]; }\n"
         "float4 main() : COLOR0 { return F((float[4])v); }\n", "main", "ps_2_0", {},
         "main.fx:3:'float' : a cast", ""},
        {"several matrix elements in one swizzle", "float4x4 View;\nfloat4x4 M[2];\nfloat4 main() : COLOR0\n"
         "{ return float4(View._m02_m12_m22 + M[1]._13_23_33, View._m33); }\n", "main", "ps_2_0", {}, "", "View[1].z"},
        {"matrix elements swizzle written to", "float4x4 View;\nfloat4 main() : COLOR0\n"
         "{ float4x4 m = View; m._m00_m11 = 0; return m[0] + float4(transpose(m)._m00_m11, 0, 0); }\n", "main",
         "ps_2_0", {}, "main.fx:3:'_m00_m11'", ""},
        {"tex1D on an untyped sampler", "sampler Ramp;\nfloat4 main(float2 uv : TEXCOORD0) : COLOR0\n"
         "{ return tex1D(Ramp, uv.x) + tex1D(Ramp, uv); }\n", "main", "ps_2_0", {}, "", "0.5)"},
        {"noise intrinsic refused",
         "float4 main(float2 uv : TEXCOORD0) : COLOR0\n{\n    // noise(uv) in a comment\n"
         "    return noise(uv);\n}\n", "main", "ps_2_0", {}, "main.fx:4:'noise' : the noise intrinsic", ""},
        {"noise of the file's own", "float noise(float2 p) { return frac(sin(dot(p, float2(12.9, 78.2))) * 43758.5); }\n"
         "float4 main(float2 uv : TEXCOORD0) : COLOR0 { return noise(uv); }\n", "main", "ps_2_0", {}, "", ""},
        {"code the GL compiler refuses", "int3 i;\nfloat3 v;\nfloat4 main() : COLOR0\n"
         "{ int3x3 m = int3x3(i, i, i); return float4(mul(v, (float3x3)m), 1); }\n", "main", "ps_2_0", {},
         "main.fx:0:'GLSL 3.30' : the generated code is refused", ""},
    };
    SHlslOptions options;
    options.IncludeFolders = {folder.Path("sys")};
    options.Defines = {{"TAPS", "8"}, {"SCALE", "0.5"}};
    const std::string file = folder.Path("main.fx");
    for (const SHabit& habit : habits)
    {
        SCOPED_TRACE(habit.Name);
        folder.Write("main.fx", habit.Source);
        options.Arguments = habit.Arguments;
        for (const bool es : {false, true})
        {
            options.Es = es;
            SCompiledShader shader;
            std::string errors;
            const bool ok = CompileHlsl(habit.Source, file, habit.Entry, habit.Profile, options, shader, &errors);
            if (*habit.Error == '\0')
            {
                ASSERT_TRUE(ok) << errors;
                EXPECT_NE(shader.Glsl.find(es ? "#version 300 es" : "#version 330"), std::string::npos);
                EXPECT_NE(shader.Glsl.find(habit.InGlsl), std::string::npos) << shader.Glsl;
                EXPECT_TRUE(ValidGlsl(shader.Glsl, shader.Stage, es ? "es" : "desktop")) << shader.Glsl;
                continue;
            }
            ASSERT_FALSE(ok);
            const std::vector<SShaderMessage> messages = ShaderMessages(file, errors);
            ASSERT_FALSE(messages.empty());
            const SShaderMessage& first = messages.front();
            const std::string placed = fs::path(first.File).lexically_relative(folder.Path("")).generic_string() +
                                       ":" + std::to_string(first.Line) + ":" + first.Text;
            EXPECT_EQ(placed.rfind(habit.Error, 0), 0u) << placed;
        }
    }
}

// What fxc only warns about compiles, with a warning placed where fxc
// would place it (after an include, by its #line marks).
TEST(HlslHabits, WhatFxcOnlyWarnsAboutIsAWarning)
{
    const struct
    {
        const char* Source;
        const char* Warning; // FILE:LINE:TEXT of the first warning
    } cases[] = {
        {"#define K 1\n\n#define K 2\nfloat4 main() : COLOR0 { return K; }\n", "w.fx:3:'K' : macro redefined"},
        {"#define K(x) (x)\n#define K(x)  (x)\n#include \"inc.fxh\"\nfloat4 main() : COLOR0\n{\n"
         "    for (int i = 0; i < 2; i++) {}\n    return i + K(1);\n}\n", "w.fx:7:'i' : a for loop's variable"},
        {"float1x2 Row;\nfloat4 main() : COLOR0 { return Row.x; }\n", "w.fx:1:'float1x2' : a matrix of one row"},
        {"\n#define TAPS 4\nfloat4 main() : COLOR0 { return TAPS; }\n", "w.fx:2:'TAPS' : macro redefined"},
    };
    const CShaderFolder folder;
    folder.Write("inc.fxh", "#define L 1\n\n#define L 2\n");
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.Source);
        SCompiledShader shader;
        std::string errors;
        std::string warnings;
        SHlslOptions options;
        options.Defines = {{"TAPS", "8"}};
        ASSERT_TRUE(CompileHlsl(c.Source, folder.Path("w.fx"), "main", "ps_2_0", options, shader, &errors, &warnings))
            << errors;
        bool found = false;
        for (const SShaderMessage& message : ShaderMessages("w.fx", warnings))
        {
            const std::string placed = fs::path(message.File).filename().string() + ":" +
                                       std::to_string(message.Line) + ":" + message.Text;
            found = found || (message.Warning && placed.rfind(c.Warning, 0) == 0);
        }
        EXPECT_TRUE(found) << warnings;
    }
}

TEST(HlslHabits, EffectRecordsKeepWhatTheCodeLoses)
{
    const char* const source =
        "texture Scene < string File = \"scene.png\"; >;\n"
        "sampler Image = sampler_state { Texture = <Scene>; AddressU = Clamp; MinFilter = Linear; };\n"
        "float Amount < string UIName = \"Amount\"; > = 0.5;\n"
        "float3 Tint = float3(1, -0.5, 0.25);\n"
        "static const float Fixed = 2;\n"
        "string Description = \"a tint\";\n"
        "float4 PS(float2 uv : TEXCOORD0, uniform bool invert) : COLOR0 { return tex2D(Image, uv) * Amount; }\n"
        "technique9 Main\n{\n    pass First { ZEnable = false; PixelShader = compile ps_2_0 PS(true); }\n"
        "    pass { VertexShader = null; PixelShader = compile ps_3_0 PS(false); }\n}\n";
    const SPreparedHlsl prepared = PrepareHlsl(source, "a.fx", SHlslOptions());
    const SEffect& effect = prepared.Effect;
    ASSERT_EQ(effect.Techniques.size(), 1u);
    ASSERT_EQ(effect.Techniques[0].Passes.size(), 2u);
    const SEffectPass& first = effect.Techniques[0].Passes[0];
    EXPECT_EQ(first.Name, "First");
    EXPECT_EQ(first.Pixel.Function, "PS");
    EXPECT_EQ(first.Pixel.Profile, "ps_2_0");
    EXPECT_EQ(first.Pixel.Arguments, std::vector<std::string>{"true"});
    ASSERT_EQ(first.States.size(), 1u);
    EXPECT_EQ(first.States[0].Name, "ZEnable");
    EXPECT_EQ(effect.Techniques[0].Passes[1].Pixel.Profile, "ps_3_0");
    EXPECT_TRUE(effect.Techniques[0].Passes[1].Vertex.Function.empty());
    ASSERT_EQ(effect.Samplers.size(), 1u);
    EXPECT_EQ(effect.Samplers[0].Texture, "Scene");
    EXPECT_EQ(effect.Samplers[0].States.size(), 3u);
    ASSERT_EQ(effect.Strings.size(), 1u);
    EXPECT_EQ(effect.Strings[0].Value, "a tint");
    // Only the globals that can be constants; the static one stays constant.
    ASSERT_EQ(effect.Globals.size(), 2u);
    EXPECT_EQ(effect.Globals[0].Default, std::vector<float>{0.5f});
    EXPECT_EQ(effect.Globals[0].Annotations, "< string UIName = \"Amount\"; >");
    EXPECT_EQ(effect.Globals[1].Default, (std::vector<float>{1.0f, -0.5f, 0.25f}));
    // Every line stays where it was.
    EXPECT_EQ(std::count(prepared.Text.begin(), prepared.Text.end(), '\n'),
              std::count(source, source + std::strlen(source), '\n'));

    SCompiledShader shader;
    std::string errors;
    SHlslOptions options;
    options.Arguments = first.Pixel.Arguments;
    ASSERT_TRUE(CompileHlsl(source, "a.fx", "PS", "ps_2_0", options, shader, &errors)) << errors;
    ASSERT_EQ(shader.Constants.size(), 2u);
    EXPECT_EQ(shader.Constants[0].Name, "Amount");
    EXPECT_EQ(shader.Constants[0].Default, std::vector<float>{0.5f});
    EXPECT_EQ(shader.Constants[0].Annotations, "< string UIName = \"Amount\"; >");
    EXPECT_EQ(shader.Constants[1].Default, (std::vector<float>{1.0f, -0.5f, 0.25f}));
}

// register(cN) is reported as written; the block keeps declaration order,
// which GLSL ES can express (explicit offsets it cannot).
TEST(HlslHabits, ConstantRegistersAreKeptAsWritten)
{
    const char* const source = "float4 A : register(c5);\nfloat4 B;\nfloat4x4 M[2] : register(vs, c10);\n"
                               "sampler S : register(s2);\n"
                               "float4 main(float2 uv : TEXCOORD0) : COLOR0 { return A + B + M[1][0] + tex2D(S, uv); }\n";
    for (const bool es : {false, true})
    {
        SHlslOptions options;
        options.Es = es;
        SCompiledShader shader;
        std::string errors;
        ASSERT_TRUE(CompileHlsl(source, "r.fx", "main", "ps_3_0", options, shader, &errors)) << errors;
        ASSERT_EQ(shader.Constants.size(), 3u);
        EXPECT_EQ(shader.Constants[0].Register, 5);
        EXPECT_EQ(shader.Constants[1].Register, -1);
        EXPECT_EQ(shader.Constants[2].Register, 10);
        EXPECT_EQ(shader.Constants[2].Offset, 32u);
        ASSERT_EQ(shader.Samplers.size(), 1u);
        EXPECT_EQ(shader.Samplers[0].Stage, 2u);
    }
}

// A sampler_state block's states as the device takes them: names and values
// in any case, by name or D3D number, the nearest the device has.
TEST(HlslHabits, SamplerStatesAreTheDevicesNearest)
{
    const char* const source =
        "texture T;\n"
        "sampler A = sampler_state { Texture = <T>; ADDRESSU = CLAMP; AddressV = Border; AddressW = Wrap;\n"
        "    MinFilter = Anisotropic; MagFilter = point; MipFilter = NONE; MaxAnisotropy = 8; };\n"
        "sampler2D B : register(s1) { Texture = (T); AddressU = 2; AddressV = MirrorOnce; MipFilter = 2;\n"
        "    MinFilter = Bogus; };\n";
    const SEffect effect = PrepareHlsl(source, "s.fx", SHlslOptions()).Effect;
    ASSERT_EQ(effect.Samplers.size(), 2u);
    const auto listed = [](const SEffectSampler& sampler) {
        std::vector<std::pair<std::uint32_t, std::uint32_t>> pairs;
        for (const SSamplerStateValue& state : DeviceSamplerStates(sampler))
        {
            pairs.emplace_back(state.State, state.Value);
        }
        return pairs;
    };
    EXPECT_EQ(listed(effect.Samplers[0]),
              (std::vector<std::pair<std::uint32_t, std::uint32_t>>{{kSampAddressU, kAddressClamp},
                                                                    {kSampAddressV, kAddressClamp},
                                                                    {kSampMinFilter, kFilterLinear},
                                                                    {kSampMagFilter, kFilterPoint},
                                                                    {kSampMipFilter, kFilterNone}}));
    EXPECT_EQ(listed(effect.Samplers[1]),
              (std::vector<std::pair<std::uint32_t, std::uint32_t>>{{kSampAddressU, kAddressMirror},
                                                                    {kSampAddressV, kAddressMirror},
                                                                    {kSampMipFilter, kFilterLinear}}));
}

TEST(HlslHabits, AProfileNamedByAMacroIsTheOneThePreprocessorChooses)
{
    const char* const source = "#if OPENGL\n#define PS_MODEL ps_3_0\n#else\n#define PS_MODEL ps_4_0_level_9_1\n#endif\n"
                               "float4 PS() : COLOR0 { return 1; }\n"
                               "technique T { pass { PixelShader = compile PS_MODEL PS(); } };\n";
    SHlslOptions options;
    EXPECT_EQ(PrepareHlsl(source, "m.fx", options).Effect.Techniques.at(0).Passes.at(0).Pixel.Profile,
              "ps_4_0_level_9_1");
    options.Defines = {{"OPENGL", "1"}};
    EXPECT_EQ(PrepareHlsl(source, "m.fx", options).Effect.Techniques.at(0).Passes.at(0).Pixel.Profile, "ps_3_0");
}

// The program's own shaders are plain HLSL: the pre-pass must leave them
// exactly as they are, so that they compile to what they always did, but for
// their tunables' annotations, which it blanks as it does every file's.
TEST(HlslHabits, TheProgramsShadersPassThroughUntouched)
{
    int count = 0;
    for (const fs::directory_entry& entry : fs::directory_iterator(fs::path(TESSAVIN_SOURCE_DIR) / "Source/Render"))
    {
        const std::string extension = entry.path().extension().string();
        if (extension != ".vsh" && extension != ".psh")
        {
            continue;
        }
        SCOPED_TRACE(entry.path().string());
        std::ifstream file(entry.path(), std::ios::binary);
        const std::string source((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        const SPreparedHlsl prepared = PrepareHlsl(source, entry.path().string(), SHlslOptions());
        std::string expected = source;
        for (std::size_t at = expected.find(" <string "); at != std::string::npos; at = expected.find(" <string ", at))
        {
            const std::size_t end = expected.find('>', at);
            ASSERT_NE(end, std::string::npos);
            expected.replace(at + 1, end - at, end - at, ' ');
        }
        EXPECT_EQ(prepared.Text, expected);
        EXPECT_EQ(prepared.Preamble, "");
        EXPECT_TRUE(prepared.Effect.Techniques.empty() && prepared.Effect.Samplers.empty());
        ++count;
    }
    EXPECT_GT(count, 10);
}

TEST(HlslHabits, MessagesArePlacedWithTheirColumn)
{
    const std::string log = "ERROR: C:/fx/a.fx:12: 'x' : unknown variable\n"
                            "C:/fx/a.fx(12): error at column 9, HLSL parsing failed.\n"
                            "WARNING: a.fx:3: 'pragma' : unknown\n"
                            "ERROR: 1 compilation errors.  No code generated.\n"
                            "ERROR: Linking fragment stage: Missing entry point\n";
    const std::vector<SShaderMessage> messages = ShaderMessages("a.fx", log);
    ASSERT_EQ(messages.size(), 3u);
    EXPECT_EQ(messages[0].File, "C:/fx/a.fx");
    EXPECT_EQ(messages[0].Line, 12);
    EXPECT_EQ(messages[0].Column, 9);
    EXPECT_EQ(messages[0].Text, "'x' : unknown variable");
    EXPECT_TRUE(messages[1].Warning);
    EXPECT_EQ(messages[2].File, "a.fx");
    EXPECT_EQ(messages[2].Line, 0);
    EXPECT_EQ(messages[2].Text, "Linking fragment stage: Missing entry point");
}

} // namespace
} // namespace gen
