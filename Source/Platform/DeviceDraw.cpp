// Drawing: attribute set-up from the vertex declaration and the draw calls.

#include "Platform/DeviceGL.h"

#include "Platform/Conventions.h"

#include <algorithm>

namespace gen
{

bool CDeviceGL::PrepareDraw(bool pretransformed, std::int32_t baseVertex, std::uintptr_t streamBase)
{
    if (!PixelShader || (!pretransformed && (!VertexShader || !Declaration)))
    {
        return false;
    }
    SProgramGL* program = GetProgram(pretransformed ? nullptr : VertexShader, PixelShader);
    if (!program)
    {
        return false;
    }
    glUseProgram(program->Program);
    if (!pretransformed)
    {
        UploadConstants(VertexShader->Stage, kVertexConstantBinding);
    }
    UploadConstants(PixelShader->Stage, kPixelConstantBinding);
    ApplyRenderStates(*program);
    glBindVertexArray(VertexArray);

    // Attributes: from the declaration, or the fixed pre-transformed layout.
    unsigned enabled = 0;
    auto attribute = [&](int location, GLint size, GLenum type, GLboolean normalised, GLsizei stride,
                         std::uintptr_t offset) {
        glEnableVertexAttribArray(static_cast<GLuint>(location));
        glVertexAttribPointer(static_cast<GLuint>(location), size, type, normalised, stride,
                              reinterpret_cast<const void*>(offset));
        enabled |= 1u << location;
    };
    if (pretransformed)
    {
        const GLsizei stride = static_cast<GLsizei>(StreamStride);
        attribute(0, 4, GL_FLOAT, GL_FALSE, stride, streamBase);
        const unsigned sets = (FVF >> 8) & 0xF;
        for (unsigned set = 0; set < sets && set < 2; ++set)
        {
            attribute(2 + static_cast<int>(set), 2, GL_FLOAT, GL_FALSE, stride, streamBase + 16 + set * 8);
        }
    }
    else
    {
        if (!Stream)
        {
            return false;
        }
        glBindBuffer(GL_ARRAY_BUFFER, Stream->GetName());
        const std::uintptr_t base = StreamOffset + static_cast<std::uintptr_t>(static_cast<std::intptr_t>(baseVertex) *
                                                                                  static_cast<std::intptr_t>(StreamStride));
        for (const SVertexElement& e : Declaration->GetElements())
        {
            // Declarations are checked when created, so this always succeeds.
            GLint size = 0;
            GLenum type = GL_FLOAT;
            GLboolean normalised = GL_FALSE;
            std::uint32_t bytes = 0;
            ElementFormat(e.Type, size, type, normalised, bytes);
            attribute(AttributeLocationForUsage(e.Usage, e.UsageIndex), size, type, normalised,
                      static_cast<GLsizei>(StreamStride), base + e.Offset);
        }
    }
    const unsigned stale = EnabledAttributes & ~enabled;
    for (int location = 0; location < kMaxAttributes; ++location)
    {
        if (stale & (1u << location))
        {
            glDisableVertexAttribArray(static_cast<GLuint>(location));
        }
    }
    EnabledAttributes = enabled;
    return true;
}

namespace
{

GLenum PrimitiveMode(EPrimitiveType type)
{
    switch (type)
    {
    case kPrimTriangleStrip: return GL_TRIANGLE_STRIP;
    case kPrimTriangleFan: return GL_TRIANGLE_FAN;
    default: return GL_TRIANGLES;
    }
}

std::uint32_t VertexCount(EPrimitiveType type, std::uint32_t primitives)
{
    if (primitives == 0)
    {
        return 0;
    }
    return type == kPrimTriangleList ? primitives * 3 : primitives + 2;
}

} // namespace

bool CDeviceGL::DrawIndexedPrimitive(EPrimitiveType type, std::int32_t baseVertex, std::uint32_t,
                                     std::uint32_t, std::uint32_t startIndex, std::uint32_t primitiveCount)
{
    const std::uint32_t count = VertexCount(type, primitiveCount);
    if (!Indices || !Stream || count == 0)
    {
        return false;
    }
    const std::uint32_t indexSize = Indices->GetFormat() == kFormatIndex16 ? 2 : 4;
    if (startIndex > Indices->GetLength() / indexSize || count > Indices->GetLength() / indexSize - startIndex)
    {
        return false; // past the end of the index buffer
    }
    // Indices must stay inside the vertex buffer; GL would read past it.
    if (StreamStride == 0 || baseVertex < 0)
    {
        return false;
    }
    const std::uint64_t vertices = (Stream->GetLength() - std::min(Stream->GetLength(), StreamOffset)) / StreamStride;
    if (static_cast<std::uint64_t>(baseVertex) + Indices->MaxIndexOverall() >= vertices &&
        static_cast<std::uint64_t>(baseVertex) + Indices->MaxIndex(startIndex, count) >= vertices)
    {
        return false;
    }
    // The base vertex moves the attribute pointers (GL ES has no base-vertex draws).
    if (!PrepareDraw(false, baseVertex, 0))
    {
        return false;
    }
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, Indices->GetName());
    glDrawElements(PrimitiveMode(type), static_cast<GLsizei>(count), indexSize == 2 ? GL_UNSIGNED_SHORT : GL_UNSIGNED_INT,
                   reinterpret_cast<const void*>(static_cast<std::uintptr_t>(startIndex) * indexSize));
    return true;
}

bool CDeviceGL::DrawPrimitive(EPrimitiveType type, std::uint32_t startVertex, std::uint32_t primitiveCount)
{
    const std::uint32_t count = VertexCount(type, primitiveCount);
    if (!Stream || count == 0 || StreamStride == 0)
    {
        return false;
    }
    const std::uint64_t vertices = (Stream->GetLength() - std::min(Stream->GetLength(), StreamOffset)) / StreamStride;
    if (static_cast<std::uint64_t>(startVertex) + count > vertices || !PrepareDraw(false, 0, 0))
    {
        return false;
    }
    glDrawArrays(PrimitiveMode(type), static_cast<GLint>(startVertex), static_cast<GLsizei>(count));
    return true;
}

bool CDeviceGL::DrawPrimitiveUP(EPrimitiveType type, std::uint32_t primitiveCount, const void* vertices,
                                std::uint32_t stride)
{
    const std::uint32_t count = VertexCount(type, primitiveCount);
    if (!vertices || count == 0 || stride == 0)
    {
        return false;
    }
    const bool pretransformed = (FVF & kFVFXYZRHW) != 0;
    if (pretransformed && stride < 16 + 8 * ((FVF >> 8) & 0xF))
    {
        return false;
    }
    // The vertices go through the device's stream buffer, which stands in
    // for stream 0 during this draw.
    glBindVertexArray(VertexArray);
    glBindBuffer(GL_ARRAY_BUFFER, StreamBuffer);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(count) * stride, vertices, GL_STREAM_DRAW);
    CVertexBufferGL* savedStream = Stream;
    const std::uint32_t savedOffset = StreamOffset;
    const std::uint32_t savedStride = StreamStride;
    StreamStride = stride;
    bool ok = false;
    if (pretransformed)
    {
        ok = PrepareDraw(true, 0, 0);
    }
    else if (PixelShader && VertexShader && Declaration)
    {
        // Same as a declaration draw but from the stream buffer.
        SProgramGL* program = GetProgram(VertexShader, PixelShader);
        if (program)
        {
            glUseProgram(program->Program);
            UploadConstants(VertexShader->Stage, kVertexConstantBinding);
            UploadConstants(PixelShader->Stage, kPixelConstantBinding);
            ApplyRenderStates(*program);
            glBindBuffer(GL_ARRAY_BUFFER, StreamBuffer);
            unsigned enabled = 0;
            for (const SVertexElement& e : Declaration->GetElements())
            {
                GLint size = 0;
                GLenum glType = GL_FLOAT;
                GLboolean normalised = GL_FALSE;
                std::uint32_t bytes = 0;
                ElementFormat(e.Type, size, glType, normalised, bytes);
                const int location = AttributeLocationForUsage(e.Usage, e.UsageIndex);
                glEnableVertexAttribArray(static_cast<GLuint>(location));
                glVertexAttribPointer(static_cast<GLuint>(location), size, glType, normalised,
                                      static_cast<GLsizei>(stride),
                                      reinterpret_cast<const void*>(static_cast<std::uintptr_t>(e.Offset)));
                enabled |= 1u << location;
            }
            for (int location = 0; location < kMaxAttributes; ++location)
            {
                if ((EnabledAttributes & ~enabled) & (1u << location))
                {
                    glDisableVertexAttribArray(static_cast<GLuint>(location));
                }
            }
            EnabledAttributes = enabled;
            ok = true;
        }
    }
    if (ok)
    {
        glBindBuffer(GL_ARRAY_BUFFER, StreamBuffer);
        glDrawArrays(PrimitiveMode(type), 0, static_cast<GLsizei>(count));
    }
    Stream = savedStream;
    StreamOffset = savedOffset;
    StreamStride = savedStride;
    return ok;
}

} // namespace gen
