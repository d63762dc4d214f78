// GL shader stages and linked programs behind the device's shader objects.

#include "Platform/DeviceGL.h"

#include "Platform/Conventions.h"

#include <algorithm>
#include <cstdio>

namespace gen
{

GLuint CompileGlslStage(GLenum type, const std::string& source, const std::string& name)
{
    const GLuint shader = glCreateShader(type);
    const char* text = source.c_str();
    glShaderSource(shader, 1, &text, nullptr);
    glCompileShader(shader);
    GLint ok = GL_FALSE;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (ok != GL_TRUE)
    {
        GLint length = 0;
        glGetShaderiv(shader, GL_INFO_LOG_LENGTH, &length);
        std::string log(static_cast<std::size_t>(std::max(length, 1)), '\0');
        glGetShaderInfoLog(shader, length, nullptr, &log[0]);
        // The first line is what the user is shown after the HLSL file's
        // name: the driver's own first complaint, not just that it failed.
        const std::size_t begin = std::min(log.find_first_not_of(" \t\r\n"), log.size());
        const std::size_t end = std::min(log.find_first_of(std::string("\r\n\0", 3), begin), log.size());
        const std::string first = log.substr(begin, end - begin);
        SetLastShaderLog(name + " (GLSL): the GL driver refuses the generated code: " + first + "\n" + log + "\n" +
                         source);
        glDeleteShader(shader);
        return 0;
    }
    return shader;
}

GLuint LinkGlslProgram(GLuint vertex, GLuint fragment, const std::string& name)
{
    const GLuint program = glCreateProgram();
    glAttachShader(program, vertex);
    glAttachShader(program, fragment);
    glLinkProgram(program);
    glDetachShader(program, vertex);
    glDetachShader(program, fragment);
    GLint ok = GL_FALSE;
    glGetProgramiv(program, GL_LINK_STATUS, &ok);
    if (ok != GL_TRUE)
    {
        GLint length = 0;
        glGetProgramiv(program, GL_INFO_LOG_LENGTH, &length);
        std::string log(static_cast<std::size_t>(std::max(length, 1)), '\0');
        glGetProgramInfoLog(program, length, nullptr, &log[0]);
        SetLastShaderLog(name + " (link):\n" + log);
        glDeleteProgram(program);
        return 0;
    }
    return program;
}

namespace
{

void DeleteStage(SShaderStageGL& stage)
{
    if (stage.Shader)
    {
        glDeleteShader(stage.Shader);
    }
    if (stage.Buffer)
    {
        glDeleteBuffers(1, &stage.Buffer);
    }
}

} // namespace

CVertexShaderGL::~CVertexShaderGL()
{
    if (!Alive())
    {
        return;
    }
    GetDeviceGL()->ForgetVertexShader(this);
    DeleteStage(Stage);
}

CPixelShaderGL::~CPixelShaderGL()
{
    if (!Alive())
    {
        return;
    }
    GetDeviceGL()->ForgetPixelShader(this);
    DeleteStage(Stage);
    if (PretransformedVertexShader)
    {
        glDeleteShader(PretransformedVertexShader);
    }
}

namespace
{

bool MakeStage(CShaderCode* code, EShaderStage expected, SShaderStageGL& stage)
{
    if (!code || code->GetCompiled().Stage != expected)
    {
        return false;
    }
    stage.Compiled = code->GetCompiled();
    stage.Storage = code->GetStorage();
    stage.Shader = CompileGlslStage(expected == kVertexStage ? GL_VERTEX_SHADER : GL_FRAGMENT_SHADER,
                                    stage.Compiled.Glsl, "shader");
    if (!stage.Shader)
    {
        return false;
    }
    if (stage.Compiled.BlockSize > 0)
    {
        glGenBuffers(1, &stage.Buffer);
        glBindBuffer(GL_UNIFORM_BUFFER, stage.Buffer);
        glBufferData(GL_UNIFORM_BUFFER, stage.Compiled.BlockSize, nullptr, GL_DYNAMIC_DRAW);
        glBindBuffer(GL_UNIFORM_BUFFER, 0);
    }
    return true;
}

} // namespace

CVertexShader* CDeviceGL::CreateVertexShader(CShaderCode* code)
{
    SShaderStageGL stage;
    if (!MakeStage(code, kVertexStage, stage))
    {
        DeleteStage(stage);
        return nullptr;
    }
    return new CVertexShaderGL(this, std::move(stage));
}

CPixelShader* CDeviceGL::CreatePixelShader(CShaderCode* code)
{
    SShaderStageGL stage;
    if (!MakeStage(code, kPixelStage, stage))
    {
        DeleteStage(stage);
        return nullptr;
    }
    return new CPixelShaderGL(this, std::move(stage));
}

void CDeviceGL::SetVertexShader(CVertexShader* shader)
{
    Rebind(VertexShader, shader);
}

void CDeviceGL::SetPixelShader(CPixelShader* shader)
{
    Rebind(PixelShader, shader);
}

bool CDeviceGL::UpdateVertexShader(CVertexShader* shader, CShaderCode* code)
{
    auto* target = static_cast<CVertexShaderGL*>(shader);
    SShaderStageGL stage;
    if (!target || !MakeStage(code, kVertexStage, stage))
    {
        DeleteStage(stage);
        return false;
    }
    ForgetVertexShader(target);
    DeleteStage(target->Stage);
    target->Stage = std::move(stage);
    return true;
}

bool CDeviceGL::UpdatePixelShader(CPixelShader* shader, CShaderCode* code)
{
    auto* target = static_cast<CPixelShaderGL*>(shader);
    SShaderStageGL stage;
    if (!target || !MakeStage(code, kPixelStage, stage))
    {
        DeleteStage(stage);
        return false;
    }
    ForgetPixelShader(target);
    DeleteStage(target->Stage);
    target->Stage = std::move(stage);
    // Made for the old inputs; the next pre-transformed draw makes it again.
    if (target->PretransformedVertexShader)
    {
        glDeleteShader(target->PretransformedVertexShader);
        target->PretransformedVertexShader = 0;
    }
    return true;
}

void CDeviceGL::ForgetVertexShader(CVertexShaderGL* shader)
{
    for (auto it = Programs.begin(); it != Programs.end();)
    {
        if (it->first.first == shader)
        {
            if (it->second.Program)
            {
                glDeleteProgram(it->second.Program);
            }
            it = Programs.erase(it);
        }
        else
        {
            ++it;
        }
    }
}

void CDeviceGL::ForgetPixelShader(CPixelShaderGL* shader)
{
    for (auto it = Programs.begin(); it != Programs.end();)
    {
        if (it->first.second == shader)
        {
            if (it->second.Program)
            {
                glDeleteProgram(it->second.Program);
            }
            it = Programs.erase(it);
        }
        else
        {
            ++it;
        }
    }
}

GLuint CDeviceGL::MakePretransformedVertexShader(CPixelShaderGL* ps)
{
    // Screen-pixel vertices (x, y, z, 1/w) and two texture sets, feeding
    // whatever the pixel shader reads (TEXCOORD0/1 from the sets, COLOR0
    // white as D3D's default diffuse, the rest zero).
    std::string source = std::string(kGlslHeader) +
                         "layout(location = 0) in vec4 a_POSITIONT;\n"
                         "layout(location = 2) in vec4 a_TEXCOORD0;\n"
                         "layout(location = 3) in vec4 a_TEXCOORD1;\n"
                         "uniform vec2 tsv_TargetSize;\n";
    std::string body;
    for (const SShaderVarying& input : ps->Stage.Compiled.Inputs)
    {
        const bool wide = input.GlslType == "vec4";
        source += "out " + input.GlslType + " " + input.GlslName + ";\n";
        std::string value;
        if (input.Semantic == "TEXCOORD0")
        {
            value = "vec4(a_TEXCOORD0.xy, 0.0, 1.0)";
        }
        else if (input.Semantic == "TEXCOORD1")
        {
            value = "vec4(a_TEXCOORD1.xy, 0.0, 1.0)";
        }
        else if (input.Semantic == "COLOR0")
        {
            value = "vec4(1.0)";
        }
        else
        {
            value = "vec4(0.0, 0.0, 0.0, 1.0)";
        }
        if (wide)
        {
            body += "    " + input.GlslName + " = " + value + ";\n";
        }
        else
        {
            body += "    " + input.GlslName + " = " + input.GlslType + "(0);\n";
        }
    }
    source += "void main()\n{\n"
              "    float w = 1.0 / a_POSITIONT.w;\n"
              "    vec2 ndc = (a_POSITIONT.xy + 0.5) * 2.0 / tsv_TargetSize - 1.0;\n"
              "    gl_Position = vec4(ndc * w, (a_POSITIONT.z * 2.0 - 1.0) * w, w);\n" +
              body + "}\n";
    return CompileGlslStage(GL_VERTEX_SHADER, source, "pre-transformed vertices");
}

SProgramGL* CDeviceGL::GetProgram(CVertexShaderGL* vs, CPixelShaderGL* ps)
{
    const auto key = std::make_pair(static_cast<const void*>(vs), static_cast<const void*>(ps));
    auto found = Programs.find(key);
    if (found != Programs.end())
    {
        return found->second.Failed ? nullptr : &found->second;
    }
    SProgramGL& program = Programs[key];
    GLuint vertex = 0;
    if (vs)
    {
        vertex = vs->Stage.Shader;
    }
    else
    {
        if (!ps->PretransformedVertexShader)
        {
            ps->PretransformedVertexShader = MakePretransformedVertexShader(ps);
        }
        vertex = ps->PretransformedVertexShader;
    }
    if (!vertex || !(program.Program = LinkGlslProgram(vertex, ps->Stage.Shader, "program")))
    {
        program.Failed = true;
        std::fprintf(stderr, "%s\n", LastShaderLog().c_str());
        return nullptr;
    }
    const GLuint name = program.Program;
    glUseProgram(name);
    const GLuint vsBlock = glGetUniformBlockIndex(name, kVertexConstantBlock);
    if (vsBlock != GL_INVALID_INDEX)
    {
        glUniformBlockBinding(name, vsBlock, kVertexConstantBinding);
    }
    const GLuint psBlock = glGetUniformBlockIndex(name, kPixelConstantBlock);
    if (psBlock != GL_INVALID_INDEX)
    {
        glUniformBlockBinding(name, psBlock, kPixelConstantBinding);
    }
    auto bindSamplers = [&](const SCompiledShader& compiled) {
        for (const SShaderSampler& sampler : compiled.Samplers)
        {
            const GLint location = glGetUniformLocation(name, sampler.GlslName.c_str());
            if (location >= 0 && sampler.Stage < kNumSamplerStages)
            {
                glUniform1i(location, static_cast<GLint>(sampler.Stage));
                program.Stages.push_back(sampler.Stage);
            }
        }
    };
    if (vs)
    {
        bindSamplers(vs->Stage.Compiled);
    }
    bindSamplers(ps->Stage.Compiled);
    program.PixelOffset = glGetUniformLocation(name, kPixelOffsetUniform);
    program.TargetSize = glGetUniformLocation(name, "tsv_TargetSize");
    program.AlphaFunc = glGetUniformLocation(name, "tsv_AlphaFunc");
    program.AlphaRef = glGetUniformLocation(name, "tsv_AlphaRef");
    return &program;
}

void CDeviceGL::UploadConstants(SShaderStageGL& stage, GLuint binding)
{
    if (!stage.Buffer)
    {
        return;
    }
    glBindBufferBase(GL_UNIFORM_BUFFER, binding, stage.Buffer);
    if (stage.UploadedVersion != stage.Storage->Version)
    {
        glBufferSubData(GL_UNIFORM_BUFFER, 0, static_cast<GLsizeiptr>(stage.Storage->Bytes.size()),
                        stage.Storage->Bytes.data());
        stage.UploadedVersion = stage.Storage->Version;
    }
}

} // namespace gen
