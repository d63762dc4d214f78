// The device's render and sampler states, and their D3D9 values in GL terms.

#include "Platform/DeviceGL.h"

#include "Platform/Conventions.h"

namespace gen
{

void CDeviceGL::SetRenderState(ERenderState state, std::uint32_t value)
{
    switch (state)
    {
    case kRSZEnable: States.ZEnable = value; break;
    case kRSZWriteEnable: States.ZWriteEnable = value; break;
    case kRSAlphaTestEnable: States.AlphaTestEnable = value; break;
    case kRSSrcBlend: States.SrcBlend = value; break;
    case kRSDestBlend: States.DestBlend = value; break;
    case kRSCullMode: States.CullMode = value; break;
    case kRSZFunc: States.ZFunc = value; break;
    case kRSAlphaRef: States.AlphaRef = value; break;
    case kRSAlphaFunc: States.AlphaFunc = value; break;
    case kRSAlphaBlendEnable: States.AlphaBlendEnable = value; break;
    }
}

std::uint32_t CDeviceGL::GetRenderState(ERenderState state) const
{
    switch (state)
    {
    case kRSZEnable: return States.ZEnable;
    case kRSZWriteEnable: return States.ZWriteEnable;
    case kRSAlphaTestEnable: return States.AlphaTestEnable;
    case kRSSrcBlend: return States.SrcBlend;
    case kRSDestBlend: return States.DestBlend;
    case kRSCullMode: return States.CullMode;
    case kRSZFunc: return States.ZFunc;
    case kRSAlphaRef: return States.AlphaRef;
    case kRSAlphaFunc: return States.AlphaFunc;
    case kRSAlphaBlendEnable: return States.AlphaBlendEnable;
    }
    return 0;
}

namespace
{

GLint WrapMode(std::uint32_t address)
{
    switch (address)
    {
    case kAddressMirror: return GL_MIRRORED_REPEAT;
    case kAddressClamp: return GL_CLAMP_TO_EDGE;
    default: return GL_REPEAT;
    }
}

GLint MinFilterMode(std::uint32_t minFilter, std::uint32_t mipFilter)
{
    const bool linear = minFilter == kFilterLinear;
    switch (mipFilter)
    {
    case kFilterPoint: return linear ? GL_LINEAR_MIPMAP_NEAREST : GL_NEAREST_MIPMAP_NEAREST;
    case kFilterLinear: return linear ? GL_LINEAR_MIPMAP_LINEAR : GL_NEAREST_MIPMAP_LINEAR;
    default: return linear ? GL_LINEAR : GL_NEAREST;
    }
}

GLenum BlendFactor(std::uint32_t blend)
{
    switch (blend)
    {
    case kBlendZero: return GL_ZERO;
    case kBlendOne: return GL_ONE;
    case kBlendSrcColour: return GL_SRC_COLOR;
    case kBlendInvSrcColour: return GL_ONE_MINUS_SRC_COLOR;
    case kBlendSrcAlpha: return GL_SRC_ALPHA;
    case kBlendInvSrcAlpha: return GL_ONE_MINUS_SRC_ALPHA;
    case kBlendDestAlpha: return GL_DST_ALPHA;
    case kBlendInvDestAlpha: return GL_ONE_MINUS_DST_ALPHA;
    case kBlendDestColour: return GL_DST_COLOR;
    case kBlendInvDestColour: return GL_ONE_MINUS_DST_COLOR;
    default: return GL_ONE;
    }
}

GLenum CompareFunc(std::uint32_t compare)
{
    switch (compare)
    {
    case kCmpNever: return GL_NEVER;
    case kCmpLess: return GL_LESS;
    case kCmpEqual: return GL_EQUAL;
    case kCmpLessEqual: return GL_LEQUAL;
    case kCmpGreater: return GL_GREATER;
    case kCmpNotEqual: return GL_NOTEQUAL;
    case kCmpGreaterEqual: return GL_GEQUAL;
    default: return GL_ALWAYS;
    }
}

} // namespace

void CDeviceGL::UpdateSampler(std::uint32_t stage)
{
    const SSamplerStates& s = SamplerStates[stage];
    const GLuint sampler = Samplers[stage];
    glSamplerParameteri(sampler, GL_TEXTURE_WRAP_S, WrapMode(s.AddressU));
    glSamplerParameteri(sampler, GL_TEXTURE_WRAP_T, WrapMode(s.AddressV));
    glSamplerParameteri(sampler, GL_TEXTURE_MAG_FILTER, s.MagFilter == kFilterLinear ? GL_LINEAR : GL_NEAREST);
    glSamplerParameteri(sampler, GL_TEXTURE_MIN_FILTER, MinFilterMode(s.MinFilter, s.MipFilter));
}

void CDeviceGL::RestoreSampler(GLuint unit)
{
    glBindSampler(unit, Samplers[unit]);
}

void CDeviceGL::SetSamplerState(std::uint32_t stage, ESamplerState state, std::uint32_t value)
{
    if (stage >= kNumSamplerStages)
    {
        return;
    }
    SSamplerStates& s = SamplerStates[stage];
    switch (state)
    {
    case kSampAddressU: s.AddressU = value; break;
    case kSampAddressV: s.AddressV = value; break;
    case kSampMagFilter: s.MagFilter = value; break;
    case kSampMinFilter: s.MinFilter = value; break;
    case kSampMipFilter: s.MipFilter = value; break;
    default: return;
    }
    UpdateSampler(stage);
}

std::uint32_t CDeviceGL::GetSamplerState(std::uint32_t stage, ESamplerState state) const
{
    if (stage >= kNumSamplerStages)
    {
        return 0;
    }
    const SSamplerStates& s = SamplerStates[stage];
    switch (state)
    {
    case kSampAddressU: return s.AddressU;
    case kSampAddressV: return s.AddressV;
    case kSampMagFilter: return s.MagFilter;
    case kSampMinFilter: return s.MinFilter;
    case kSampMipFilter: return s.MipFilter;
    }
    return 0;
}

void CDeviceGL::ApplyRenderStates(const SProgramGL& program)
{
    switch (States.CullMode)
    {
    case kCullNone: glDisable(GL_CULL_FACE); break;
    case kCullCW: glEnable(GL_CULL_FACE); glCullFace(GL_FRONT); break;
    default: glEnable(GL_CULL_FACE); glCullFace(GL_BACK); break;
    }
    if (States.ZEnable)
    {
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(CompareFunc(States.ZFunc));
    }
    else
    {
        glDisable(GL_DEPTH_TEST);
    }
    glDepthMask(States.ZWriteEnable ? GL_TRUE : GL_FALSE);
    if (States.AlphaBlendEnable)
    {
        glEnable(GL_BLEND);
        glBlendFunc(BlendFactor(States.SrcBlend), BlendFactor(States.DestBlend));
    }
    else
    {
        glDisable(GL_BLEND);
    }
    glDisable(GL_SCISSOR_TEST);
    glDisable(GL_STENCIL_TEST);
    ApplyRenderTargetMasks();
    if (program.AlphaFunc >= 0)
    {
        glUniform1i(program.AlphaFunc,
                    States.AlphaTestEnable ? static_cast<GLint>(States.AlphaFunc) : static_cast<GLint>(kCmpAlways));
        glUniform1f(program.AlphaRef, static_cast<float>(States.AlphaRef & 0xFF));
    }
    if (program.PixelOffset >= 0)
    {
        float x, y;
        PixelOffsetFor(GetTargetWidth(), GetTargetHeight(), x, y);
        glUniform2f(program.PixelOffset, x, y);
    }
    if (program.TargetSize >= 0)
    {
        glUniform2f(program.TargetSize, static_cast<float>(GetTargetWidth()), static_cast<float>(GetTargetHeight()));
    }
    for (std::uint32_t stage : program.Stages)
    {
        glActiveTexture(GL_TEXTURE0 + stage);
        glBindTexture(GL_TEXTURE_2D, Textures[stage] ? Textures[stage]->GetName() : 0);
    }
    glActiveTexture(GL_TEXTURE0);
}

} // namespace gen
