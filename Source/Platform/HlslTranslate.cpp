// HLSL -> SPIR-V (glslang, DX9-compatible HLSL front end) -> GLSL 3.30 or
// GLSL ES 3.00 (SPIRV-Cross), with the reflection the constant tables and the device need.
// The convention changes made to the generated code are described in
// Conventions.h.

#include "Platform/HlslCompiler.h"

#include "Platform/Conventions.h"
#include "Platform/HlslSource.h"

#include <glslang/Public/ResourceLimits.h>
#include <glslang/Public/ShaderLang.h>
#include <glslang/SPIRV/GlslangToSpv.h>
#include <spirv_cross_c.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <sstream>

namespace gen
{

namespace
{

std::string gLastShaderLog;

void EnsureGlslang()
{
    static const bool initialised = [] {
        glslang::InitializeProcess();
        std::atexit([] { glslang::FinalizeProcess(); });
        return true;
    }();
    (void)initialised;
}

// "TEXCOORD" -> "TEXCOORD0": semantics always carry their index.
std::string NormaliseSemantic(const char* semantic)
{
    std::string s = semantic ? semantic : "";
    for (char& c : s)
    {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    if (s.empty() || !std::isdigit(static_cast<unsigned char>(s.back())))
    {
        s += '0';
    }
    if (s == "SV_TARGET0")
    {
        s = "COLOR0";
    }
    return s;
}

std::string GlslTypeName(spvc_type type)
{
    const spvc_basetype base = spvc_type_get_basetype(type);
    const unsigned size = spvc_type_get_vector_size(type);
    const unsigned columns = spvc_type_get_columns(type);
    std::string prefix;
    std::string scalar;
    switch (base)
    {
    case SPVC_BASETYPE_FP32: prefix = ""; scalar = "float"; break;
    case SPVC_BASETYPE_INT32: prefix = "i"; scalar = "int"; break;
    case SPVC_BASETYPE_UINT32: prefix = "u"; scalar = "uint"; break;
    case SPVC_BASETYPE_BOOLEAN: prefix = "b"; scalar = "bool"; break;
    default: return "";
    }
    if (columns > 1)
    {
        return columns == size ? "mat" + std::to_string(columns)
                               : "mat" + std::to_string(columns) + "x" + std::to_string(size);
    }
    if (size == 1)
    {
        return scalar;
    }
    return prefix + "vec" + std::to_string(size);
}

bool IsFloatVector(spvc_type type)
{
    return spvc_type_get_basetype(type) == SPVC_BASETYPE_FP32 && spvc_type_get_columns(type) == 1 &&
           spvc_type_get_num_array_dimensions(type) == 0;
}

// Replaces "in <type> <name>;" (any qualifiers before it kept) in the
// declaration line of name. Returns false if no such line was found.
bool ReplaceDeclaration(std::string& glsl, const std::string& storage, const std::string& type,
                        const std::string& name, const std::string& replacement)
{
    const std::string needle = storage + " " + type + " " + name + ";";
    const std::size_t at = glsl.find(needle);
    if (at == std::string::npos)
    {
        return false;
    }
    glsl.replace(at, needle.size(), replacement);
    return true;
}

// Position of the final closing brace of main (the last function SPIRV-Cross writes).
// Past the version line and the precision statements that follow it (ES),
// where declarations of our own may go.
std::size_t HeaderEnd(const std::string& glsl)
{
    std::size_t at = glsl.find('\n') + 1;
    while (glsl.compare(at, 10, "precision ") == 0)
    {
        at = glsl.find('\n', at) + 1;
    }
    return at;
}

std::size_t MainEnd(const std::string& glsl)
{
    return glsl.rfind('}');
}

std::size_t MainBodyStart(const std::string& glsl)
{
    const std::string head = "void main()\n{\n";
    const std::size_t at = glsl.rfind(head);
    return at == std::string::npos ? std::string::npos : at + head.size();
}

struct SCrossContext
{
    spvc_context Context = nullptr;
    ~SCrossContext()
    {
        if (Context)
        {
            spvc_context_destroy(Context);
        }
    }
};

std::uint32_t ArrayLength(spvc_compiler compiler, spvc_type type)
{
    std::uint32_t length = 1;
    const unsigned dims = spvc_type_get_num_array_dimensions(type);
    for (unsigned d = 0; d < dims; ++d)
    {
        if (spvc_type_array_dimension_is_literal(type, d))
        {
            length *= static_cast<std::uint32_t>(spvc_type_get_array_dimension(type, d));
        }
        else
        {
            length *= spvc_compiler_get_constant_handle(compiler, spvc_type_get_array_dimension(type, d))
                          ? spvc_constant_get_scalar_u32(
                                spvc_compiler_get_constant_handle(compiler, spvc_type_get_array_dimension(type, d)),
                                0, 0)
                          : 1;
        }
    }
    return length;
}

// Sampler name -> register given in the source; SPIR-V cannot tell an
// explicit register(s0) from the default binding 0.
using TExplicitBindings = std::vector<std::pair<std::string, int>>;

int ExplicitBinding(const TExplicitBindings& bindings, const std::string& name)
{
    for (const auto& b : bindings)
    {
        if (b.first == name)
        {
            return b.second;
        }
    }
    return -1;
}

bool ReflectAndTranslate(const std::vector<unsigned>& spirv, EShaderStage stage, const TExplicitBindings& bindings,
                         bool es, SCompiledShader& result, std::string& errors)
{
    SCrossContext holder;
    if (spvc_context_create(&holder.Context) != SPVC_SUCCESS)
    {
        errors += "SPIRV-Cross: no context\n";
        return false;
    }
    spvc_context context = holder.Context;
    spvc_parsed_ir ir = nullptr;
    spvc_compiler compiler = nullptr;
    if (spvc_context_parse_spirv(context, spirv.data(), spirv.size(), &ir) != SPVC_SUCCESS ||
        spvc_context_create_compiler(context, SPVC_BACKEND_GLSL, ir, SPVC_CAPTURE_MODE_TAKE_OWNERSHIP, &compiler) !=
            SPVC_SUCCESS)
    {
        errors += std::string("SPIRV-Cross: ") + spvc_context_get_last_error_string(context) + "\n";
        return false;
    }

    // Separate textures and samplers (register(tN) + register(sN) styles)
    // become combined samplers, which GLSL 3.30 needs.
    spvc_compiler_build_combined_image_samplers(compiler);

    spvc_resources resources = nullptr;
    spvc_compiler_create_shader_resources(compiler, &resources);
    const spvc_reflected_resource* list = nullptr;
    std::size_t count = 0;

    // Constants: the one block of globals.
    spvc_resources_get_resource_list_for_type(resources, SPVC_RESOURCE_TYPE_UNIFORM_BUFFER, &list, &count);
    for (std::size_t i = 0; i < count; ++i)
    {
        const std::string blockName = stage == kVertexStage ? kVertexConstantBlock : kPixelConstantBlock;
        if (!result.BlockName.empty())
        {
            errors += "more than one constant buffer\n";
            return false;
        }
        result.BlockName = blockName;
        spvc_compiler_set_name(compiler, list[i].base_type_id, blockName.c_str());
        spvc_compiler_set_name(compiler, list[i].id, (blockName + "_").c_str());
        spvc_compiler_unset_decoration(compiler, list[i].id, SpvDecorationBinding);
        spvc_compiler_unset_decoration(compiler, list[i].id, SpvDecorationDescriptorSet);
        const spvc_type block = spvc_compiler_get_type_handle(compiler, list[i].base_type_id);
        std::size_t size = 0;
        spvc_compiler_get_declared_struct_size(compiler, block, &size);
        result.BlockSize = static_cast<std::uint32_t>(size);
        const unsigned members = spvc_type_get_num_member_types(block);
        for (unsigned m = 0; m < members; ++m)
        {
            const spvc_type member = spvc_compiler_get_type_handle(compiler, spvc_type_get_member_type(block, m));
            SShaderConstant constant;
            const char* name = spvc_compiler_get_member_name(compiler, list[i].base_type_id, m);
            constant.Name = name ? name : "";
            constant.NameHash = HashConstantName(constant.Name.c_str());
            unsigned offset = 0;
            spvc_compiler_type_struct_member_offset(compiler, block, m, &offset);
            constant.Offset = offset;
            const spvc_basetype base = spvc_type_get_basetype(member);
            if (base != SPVC_BASETYPE_FP32 && base != SPVC_BASETYPE_INT32 && base != SPVC_BASETYPE_UINT32 &&
                base != SPVC_BASETYPE_BOOLEAN)
            {
                continue; // structures are not set by name
            }
            constant.IsInteger = base != SPVC_BASETYPE_FP32;
            const unsigned columns = spvc_type_get_columns(member);
            const unsigned vectorSize = spvc_type_get_vector_size(member);
            // An HLSL RxC matrix arrives as a SPIR-V matrix of R columns of C
            // components (the front end swaps the two, see Conventions.h).
            constant.Rows = columns;
            constant.Columns = vectorSize;
            constant.Elements = ArrayLength(compiler, member);
            if (spvc_type_get_num_array_dimensions(member) > 0)
            {
                unsigned stride = 0;
                spvc_compiler_type_struct_member_array_stride(compiler, block, m, &stride);
                constant.ArrayStride = stride;
            }
            if (columns > 1)
            {
                unsigned stride = 16;
                spvc_compiler_type_struct_member_matrix_stride(compiler, block, m, &stride);
                constant.VectorStride = stride;
                constant.StoredTransposed =
                    spvc_compiler_has_member_decoration(compiler, list[i].base_type_id, m, SpvDecorationRowMajor);
            }
            result.Constants.push_back(constant);
        }
    }

    // Samplers: explicit registers first, then declaration order into the
    // lowest free stages.
    struct SSamplerId
    {
        spvc_variable_id Id;
        std::string Name;
        bool Explicit;
        std::uint32_t Stage;
    };
    std::vector<SSamplerId> samplers;
    spvc_resources_get_resource_list_for_type(resources, SPVC_RESOURCE_TYPE_SAMPLED_IMAGE, &list, &count);
    for (std::size_t i = 0; i < count; ++i)
    {
        const std::string name = list[i].name ? list[i].name : "";
        const int binding = ExplicitBinding(bindings, name);
        samplers.push_back({list[i].id, name, binding >= 0, binding >= 0 ? static_cast<std::uint32_t>(binding) : 0});
    }
    const spvc_combined_image_sampler* combined = nullptr;
    std::size_t combinedCount = 0;
    spvc_compiler_get_combined_image_samplers(compiler, &combined, &combinedCount);
    for (std::size_t i = 0; i < combinedCount; ++i)
    {
        const char* imageName = spvc_compiler_get_name(compiler, combined[i].image_id);
        const char* samplerName = spvc_compiler_get_name(compiler, combined[i].sampler_id);
        const std::string name = imageName ? imageName : "";
        // A separate sampler's register(sN) decides the stage.
        int binding = ExplicitBinding(bindings, samplerName ? samplerName : "");
        if (binding < 0)
        {
            binding = ExplicitBinding(bindings, name);
        }
        samplers.push_back({combined[i].combined_id, name, binding >= 0,
                            binding >= 0 ? static_cast<std::uint32_t>(binding) : 0});
    }
    std::sort(samplers.begin(), samplers.end(),
              [](const SSamplerId& a, const SSamplerId& b) { return a.Id < b.Id; });
    std::vector<bool> taken(64, false);
    for (const SSamplerId& s : samplers)
    {
        if (s.Explicit && s.Stage < taken.size())
        {
            taken[s.Stage] = true;
        }
    }
    for (SSamplerId& s : samplers)
    {
        if (!s.Explicit)
        {
            std::uint32_t stage = 0;
            while (stage < taken.size() && taken[stage])
            {
                ++stage;
            }
            s.Stage = stage;
            if (stage < taken.size())
            {
                taken[stage] = true;
            }
        }
        const std::string glslName = std::string(kSamplerPrefix) + s.Name;
        spvc_compiler_set_name(compiler, s.Id, glslName.c_str());
        spvc_compiler_unset_decoration(compiler, s.Id, SpvDecorationBinding);
        spvc_compiler_unset_decoration(compiler, s.Id, SpvDecorationDescriptorSet);
        result.Samplers.push_back({s.Name, glslName, s.Stage});
    }

    // Stage inputs and outputs by semantic.
    struct SPending
    {
        std::string Semantic, Name, Type;
        bool Widen;
    };
    std::vector<SPending> widenedInputs;
    std::vector<SPending> widenedOutputs;
    std::vector<SPending> rasterInputs;
    std::string positionType;
    spvc_resources_get_resource_list_for_type(resources, SPVC_RESOURCE_TYPE_STAGE_INPUT, &list, &count);
    for (std::size_t i = 0; i < count; ++i)
    {
        std::string semantic =
            NormaliseSemantic(spvc_compiler_get_decoration_string(compiler, list[i].id, SpvDecorationHlslSemanticGOOGLE));
        if (stage == kVertexStage && semantic == "SV_POSITION0")
        {
            semantic = "POSITION0"; // DX10's name, in DX9-era code that mixes the two
        }
        const spvc_type type = spvc_compiler_get_type_handle(compiler, list[i].type_id);
        SShaderVarying varying{semantic, "", GlslTypeName(type)};
        if (stage == kVertexStage)
        {
            const int location = AttributeLocationForSemantic(varying.Semantic);
            if (location < 0)
            {
                errors += "vertex input semantic " + semantic + " is not supported\n";
                return false;
            }
            varying.GlslName = std::string(kAttributePrefix) + semantic;
            spvc_compiler_set_decoration(compiler, list[i].id, SpvDecorationLocation, static_cast<unsigned>(location));
        }
        else if ((semantic == "VPOS0" || semantic == "VFACE0") && IsFloatVector(type))
        {
            // Pixel position and facing come from the rasteriser, not from
            // the vertex shader (Conventions.h).
            spvc_compiler_unset_decoration(compiler, list[i].id, SpvDecorationLocation);
            const std::string local = "tsv_in_" + semantic;
            spvc_compiler_set_name(compiler, list[i].id, local.c_str());
            rasterInputs.push_back({semantic, local, varying.GlslType, false});
            continue;
        }
        else
        {
            spvc_compiler_unset_decoration(compiler, list[i].id, SpvDecorationLocation);
            varying.GlslName = std::string(kVaryingPrefix) + semantic;
            if (IsFloatVector(type))
            {
                const std::string local = "tsv_in_" + semantic;
                widenedInputs.push_back({semantic, local, varying.GlslType, true});
                spvc_compiler_set_name(compiler, list[i].id, local.c_str());
                varying.GlslType = "vec4";
                result.Inputs.push_back(varying);
                continue;
            }
        }
        spvc_compiler_set_name(compiler, list[i].id, varying.GlslName.c_str());
        result.Inputs.push_back(varying);
    }
    spvc_resources_get_resource_list_for_type(resources, SPVC_RESOURCE_TYPE_STAGE_OUTPUT, &list, &count);
    for (std::size_t i = 0; i < count; ++i)
    {
        const std::string semantic =
            NormaliseSemantic(spvc_compiler_get_decoration_string(compiler, list[i].id, SpvDecorationHlslSemanticGOOGLE));
        const spvc_type type = spvc_compiler_get_type_handle(compiler, list[i].type_id);
        SShaderVarying varying{semantic, "", GlslTypeName(type)};
        if (stage == kVertexStage && semantic == "POSITION0")
        {
            // DX9's POSITION output is the clip position.
            spvc_compiler_unset_decoration(compiler, list[i].id, SpvDecorationLocation);
            spvc_compiler_set_name(compiler, list[i].id, "tsv_out_POSITION0");
            positionType = varying.GlslType;
            continue;
        }
        if (stage == kPixelStage)
        {
            int target = 0;
            if (semantic.rfind("COLOR", 0) == 0)
            {
                target = std::atoi(semantic.c_str() + 5);
            }
            else if (semantic.rfind("SV_TARGET", 0) == 0)
            {
                target = std::atoi(semantic.c_str() + 9);
            }
            varying.GlslName = "tsv_target" + std::to_string(target);
            spvc_compiler_set_decoration(compiler, list[i].id, SpvDecorationLocation, static_cast<unsigned>(target));
        }
        else
        {
            spvc_compiler_unset_decoration(compiler, list[i].id, SpvDecorationLocation);
            varying.GlslName = std::string(kVaryingPrefix) + semantic;
            if (IsFloatVector(type))
            {
                const std::string local = "tsv_out_" + semantic;
                widenedOutputs.push_back({semantic, local, varying.GlslType, true});
                spvc_compiler_set_name(compiler, list[i].id, local.c_str());
                varying.GlslType = "vec4";
                result.Outputs.push_back(varying);
                continue;
            }
        }
        spvc_compiler_set_name(compiler, list[i].id, varying.GlslName.c_str());
        result.Outputs.push_back(varying);
    }

    spvc_compiler_options options = nullptr;
    spvc_compiler_create_compiler_options(compiler, &options);
    spvc_compiler_options_set_uint(options, SPVC_COMPILER_OPTION_GLSL_VERSION, es ? 300 : 330);
    spvc_compiler_options_set_bool(options, SPVC_COMPILER_OPTION_GLSL_ES, es ? SPVC_TRUE : SPVC_FALSE);
    // ES: full precision, as the desktop computes.
    spvc_compiler_options_set_bool(options, SPVC_COMPILER_OPTION_GLSL_ES_DEFAULT_FLOAT_PRECISION_HIGHP, SPVC_TRUE);
    spvc_compiler_options_set_bool(options, SPVC_COMPILER_OPTION_GLSL_ES_DEFAULT_INT_PRECISION_HIGHP, SPVC_TRUE);
    spvc_compiler_options_set_bool(options, SPVC_COMPILER_OPTION_GLSL_ENABLE_420PACK_EXTENSION, SPVC_FALSE);
    spvc_compiler_install_compiler_options(compiler, options);

    const char* source = nullptr;
    if (spvc_compiler_compile(compiler, &source) != SPVC_SUCCESS)
    {
        errors += std::string("SPIRV-Cross: ") + spvc_context_get_last_error_string(context) + "\n";
        return false;
    }
    std::string glsl = source;

    // Every varying crosses between the stages as a vec4, so that a vertex
    // shader's float4 TEXCOORD0 feeds a pixel shader's float2 TEXCOORD0 as
    // in D3D (GLSL would refuse to link the differing types).
    std::string prologue;
    for (const SPending& p : widenedInputs)
    {
        const std::string wide = std::string(kVaryingPrefix) + p.Semantic;
        if (!ReplaceDeclaration(glsl, "in", p.Type, p.Name, "in vec4 " + wide + ";\n" + p.Type + " " + p.Name + ";"))
        {
            errors += "cannot widen input " + p.Semantic + "\n";
            return false;
        }
        prologue += "    " + p.Name + " = " + WidenedSwizzle(wide, p.Type) + ";\n";
    }
    for (const SPending& p : rasterInputs)
    {
        if (!ReplaceDeclaration(glsl, "in", p.Type, p.Name, p.Type + " " + p.Name + ";"))
        {
            errors += "cannot place input " + p.Semantic + "\n";
            return false;
        }
        const std::string value = p.Semantic == "VPOS0" ? std::string(kPixelPositionExpression) : kFacingExpression;
        prologue += "    " + p.Name + " = " + WidenedSwizzle(value, p.Type) + ";\n";
    }
    std::string epilogue;
    for (const SPending& p : widenedOutputs)
    {
        const std::string wide = std::string(kVaryingPrefix) + p.Semantic;
        if (!ReplaceDeclaration(glsl, "out", p.Type, p.Name, "out vec4 " + wide + ";\n" + p.Type + " " + p.Name + ";"))
        {
            errors += "cannot widen output " + p.Semantic + "\n";
            return false;
        }
        epilogue += "    " + wide + " = " + WidenToVec4(p.Name, p.Type) + ";\n";
    }
    if (stage == kVertexStage)
    {
        if (!positionType.empty())
        {
            if (!ReplaceDeclaration(glsl, "out", positionType, "tsv_out_POSITION0", positionType + " tsv_out_POSITION0;"))
            {
                errors += "cannot place the POSITION output\n";
                return false;
            }
            epilogue += "    gl_Position = " + WidenToVec4("tsv_out_POSITION0", positionType) + ";\n";
        }
        epilogue += VertexPositionEpilogue();
    }
    else
    {
        for (const SShaderVarying& output : result.Outputs)
        {
            if (output.GlslName == "tsv_target0" && output.GlslType == "vec4")
            {
                epilogue += PixelAlphaTestEpilogue(output.GlslName);
            }
        }
    }
    const std::size_t end = MainEnd(glsl);
    if (end == std::string::npos)
    {
        errors += "no main in the generated code\n";
        return false;
    }
    glsl.insert(end, epilogue);
    if (!prologue.empty())
    {
        const std::size_t start = MainBodyStart(glsl);
        if (start == std::string::npos)
        {
            errors += "no main in the generated code\n";
            return false;
        }
        glsl.insert(start, prologue);
    }
    glsl.insert(HeaderEnd(glsl), stage == kVertexStage ? VertexUniformDeclarations() : PixelUniformDeclarations());
    result.Glsl = std::move(glsl);
    return true;
}

// Defaults and annotations of the effect's globals into the constants that
// kept them.
void AddEffectRecords(const SPreparedHlsl& prepared, SCompiledShader& result)
{
    const SEffect& effect = prepared.Effect;
    for (SShaderConstant& constant : result.Constants)
    {
        for (const auto& placed : prepared.Registers)
        {
            if (placed.first == constant.Name)
            {
                constant.Register = placed.second;
            }
        }
        for (const SEffectGlobal& global : effect.Globals)
        {
            if (global.Name == constant.Name)
            {
                constant.Default = global.Default;
                constant.Annotations = global.Annotations;
            }
        }
    }
}

bool Translate(const SPreparedHlsl& prepared, const std::string& source, const std::string& sourceName,
               const std::string& entry, EShaderStage stage, bool es, bool checkGlsl, SCompiledShader& result,
               std::string& log, std::string& warnings)
{
    const EShLanguage language = stage == kVertexStage ? EShLangVertex : EShLangFragment;
    glslang::TShader shader(language);
    const char* text = source.c_str();
    const int length = static_cast<int>(source.size());
    const char* name = sourceName.c_str();
    shader.setStringsWithLengthsAndNames(&text, &length, &name, 1);
    if (!prepared.Preamble.empty())
    {
        shader.setPreamble(prepared.Preamble.c_str());
    }
    shader.setEntryPoint(entry.c_str());
    shader.setEnvInput(glslang::EShSourceHlsl, language, glslang::EShClientVulkan, 100);
    shader.setEnvClient(glslang::EShClientVulkan, glslang::EShTargetVulkan_1_0);
    shader.setEnvTarget(glslang::EShTargetSpv, glslang::EShTargetSpv_1_0);
    shader.setEnvTargetHlslFunctionality1(); // keeps the semantics in the SPIR-V
    shader.setHlslIoMapping(true);
    shader.setAutoMapLocations(true);
    const EShMessages messages = static_cast<EShMessages>(EShMsgSpvRules | EShMsgVulkanRules | EShMsgReadHlsl |
                                                          EShMsgHlslDX9Compatible | EShMsgHlslLegalization);
    glslang::TProgram program;
    if (!shader.parse(GetDefaultResources(), 100, false, messages))
    {
        log += shader.getInfoLog();
        return false;
    }
    warnings += shader.getInfoLog();
    program.addShader(&shader);
    if (!program.link(messages) || !program.mapIO())
    {
        log += program.getInfoLog();
        return false;
    }
    TExplicitBindings bindings;
    program.buildReflection();
    for (int i = 0; i < program.getNumUniformVariables(); ++i)
    {
        const glslang::TObjectReflection& uniform = program.getUniform(i);
        if (uniform.getType() && uniform.getType()->getBasicType() == glslang::EbtSampler &&
            uniform.getType()->getQualifier().hasBinding())
        {
            bindings.emplace_back(uniform.name, static_cast<int>(uniform.getType()->getQualifier().layoutBinding));
        }
    }
    std::vector<unsigned> spirv;
    glslang::SpvOptions options;
    options.disableOptimizer = false; // legalisation (samplers passed to functions, ...)
    spv::SpvBuildLogger logger;
    glslang::GlslangToSpv(*program.getIntermediate(language), spirv, &logger, &options);
    log += logger.getAllMessages();
    if (spirv.empty() || !ReflectAndTranslate(spirv, stage, bindings, es, result, log))
    {
        return false;
    }
    // The code must be what both GL compilers take, the desktop's and the
    // browser's, whichever was asked for: SPIRV-Cross can write code that
    // neither accepts, which would otherwise fail only on the device.
    if (!checkGlsl)
    {
        return true;
    }
    SCompiledShader other;
    if (!ReflectAndTranslate(spirv, stage, bindings, !es, other, log))
    {
        return false;
    }
    return GlslAccepted(es ? other.Glsl : result.Glsl, stage, sourceName, log) &&
           GlslAccepted(es ? result.Glsl : other.Glsl, stage, sourceName, log);
}

} // namespace

bool GlslAccepted(const std::string& glsl, EShaderStage stage, const std::string& sourceName, std::string& log)
{
    EnsureGlslang();
    const EShLanguage language = stage == kVertexStage ? EShLangVertex : EShLangFragment;
    glslang::TShader shader(language);
    const char* text = glsl.c_str();
    shader.setStrings(&text, 1);
    glslang::TProgram program;
    bool ok = shader.parse(GetDefaultResources(), 100, false, EShMsgDefault);
    if (ok)
    {
        program.addShader(&shader);
        ok = program.link(EShMsgDefault);
    }
    if (ok)
    {
        return true;
    }
    // The GL compiler's first complaint, as an error of the HLSL file: the
    // generated code's own lines mean nothing to whoever wrote it.
    std::istringstream lines(std::string(shader.getInfoLog()) + program.getInfoLog());
    std::string line;
    std::string first;
    while (std::getline(lines, line) && first.empty())
    {
        if (line.rfind("ERROR: ", 0) == 0)
        {
            first = line.substr(7);
        }
    }
    const std::string version = glsl.compare(0, 15, "#version 300 es") == 0 ? "GLSL ES 3.00" : "GLSL 3.30";
    log += "ERROR: " + sourceName + ":0: '" + version + "' : the generated code is refused by the GL compiler (" +
           first + ")\n";
    return false;
}

std::string PreprocessedWord(const std::string& text, const std::string& preamble, const std::string& word)
{
    EnsureGlslang();
    const std::string mark = "tsv_expands_to";
    const std::string probe = text + "\n" + mark + " " + word + "\n";
    glslang::TShader shader(EShLangFragment);
    const char* strings = probe.c_str();
    shader.setStrings(&strings, 1);
    shader.setPreamble(preamble.c_str());
    shader.setEnvInput(glslang::EShSourceHlsl, EShLangFragment, glslang::EShClientVulkan, 100);
    glslang::TShader::ForbidIncluder includer;
    std::string output;
    if (!shader.preprocess(GetDefaultResources(), 100, ENoProfile, false, false,
                           static_cast<EShMessages>(EShMsgReadHlsl | EShMsgHlslDX9Compatible), &output, includer))
    {
        return word;
    }
    const std::size_t at = output.rfind(mark);
    if (at == std::string::npos)
    {
        return word;
    }
    std::istringstream rest(output.substr(at + mark.size()));
    std::string expansion;
    rest >> expansion;
    return expansion.empty() ? word : expansion;
}

bool CompileHlsl(const std::string& source, const std::string& sourceName, const std::string& entry,
                 const std::string& profile, const SHlslOptions& options, SCompiledShader& result,
                 std::string* errors, std::string* warnings)
{
    std::string log;
    std::string notes;
    result = SCompiledShader();
    bool ok = false;
    if (profile.size() < 2 || (profile.compare(0, 2, "vs") != 0 && profile.compare(0, 2, "ps") != 0))
    {
        log = "unknown profile " + profile + "\n";
    }
    else
    {
        EnsureGlslang();
        result.Stage = profile.compare(0, 2, "vs") == 0 ? kVertexStage : kPixelStage;
        SPreparedHlsl prepared = PrepareHlsl(source, sourceName, options);
        std::string compiledEntry = entry;
        std::string wrapperError;
        if (!options.Arguments.empty())
        {
            compiledEntry = "tsv_entry";
            if (!AddEntryWrapper(prepared.Text, entry, options.Arguments, compiledEntry, wrapperError))
            {
                log = "ERROR: " + sourceName + ":0: '" + entry + "' : " + wrapperError + "\n";
            }
        }
        if (!prepared.Errors.empty())
        {
            log = prepared.Errors;
        }
        notes += prepared.Warnings;
        if (log.empty())
        {
            ok = Translate(prepared, prepared.Text, sourceName, compiledEntry, result.Stage, options.Es,
                           options.CheckGlsl, result, log, notes);
            AddEffectRecords(prepared, result);
        }
    }
    if (!ok)
    {
        gLastShaderLog = sourceName + ":\n" + log;
        if (errors)
        {
            *errors += log;
        }
    }
    if (warnings)
    {
        *warnings += notes;
    }
    return ok;
}

const std::string& LastShaderLog()
{
    return gLastShaderLog;
}

void SetLastShaderLog(const std::string& text)
{
    gLastShaderLog = text;
}

} // namespace gen
