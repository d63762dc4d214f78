#pragma once
// Shaders: DX9-style HLSL (vs_3_0 / ps_3_0 style, sampler2D + tex2D,
// semantics such as POSITION, NORMAL, TANGENT, TEXCOORDn, COLORn, SV_Position)
// compiled at run time, and the constant tables that set their uniforms by
// name.
//
//   CConstantTable* table = nullptr;
//   CShaderCode* code = CompileShaderFromFile("Source\\Render\\XFormOnly.vsh", "main", "vs_3_0", &table, &log);
//   CVertexShader* vs = code ? device->CreateVertexShader(code) : nullptr;
//   SafeRelease(code);
//   ...
//   table->SetMatrix("WorldMatrix", world);   // unknown names are ignored
//   device->SetVertexShader(vs);
//
// Constants belong to the shader compiled with the table (not to device
// registers, as in D3D9): set them on the table of the shader that uses them;
// they are sent to the device at the next draw with that shader and keep
// their values until set again. Samplers take the texture stage of their
// register(sN), or else their declaration order among the shader's samplers.
// Vertex inputs are fed by semantic from the vertex declaration's elements
// (POSITION from usage position, NORMAL from normal, TEXCOORDn from
// texture coordinate n, ...); inputs with no element read (0, 0, 0, 1).

#include "Math/CMatrix4x4.h"
#include "Platform/CDevice.h"
#include "Platform/HlslCompiler.h"

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace gen
{

// CompileHlsl for the device this program draws through (GLSL 3.30, or ES
// 3.00 in the browser).
bool CompileHlsl(const std::string& source, const std::string& sourceName, const std::string& entry,
                 const std::string& profile, SCompiledShader& result, std::string* errors);
// The same with literal values for the entry's uniform parameters (an
// effect pass's "compile ps_2_0 PS(true)").
bool CompileHlsl(const std::string& source, const std::string& sourceName, const std::string& entry,
                 const std::string& profile, const std::vector<std::string>& arguments, SCompiledShader& result,
                 std::string* errors);

// Storage of one shader's constant values, shared by its table and the
// shader object that sends them to the device.
struct SConstantStorage
{
    std::vector<std::uint8_t> Bytes;
    std::uint64_t Version = 1; // bumped on every change
};

class CConstantTable : public CDeviceObject
{
public:
    using THandle = std::int32_t;
    static constexpr THandle kInvalidHandle = -1;

    explicit CConstantTable(const SCompiledShader& shader);

    // Name lookup (hashed, no allocation); kInvalidHandle for unknown names.
    THandle GetConstantByName(const char* name) const;

    // Setters report whether the constant exists; an unknown name (or
    // invalid handle) changes nothing.
    // The matrix is ours (row-major, row vectors): HLSL mul(v, M) then
    // multiplies v by it as CMatrix4x4 does. Smaller HLSL matrices take the
    // top-left part.
    bool SetMatrix(const char* name, const CMatrix4x4& m) { return SetMatrix(GetConstantByName(name), m); }
    bool SetMatrix(THandle handle, const CMatrix4x4& m);
    // count floats fill the constant in order (components, then array
    // elements; a matrix takes its HLSL rows in turn); extra floats are ignored.
    bool SetFloatArray(const char* name, const float* values, std::uint32_t count)
    {
        return SetFloatArray(GetConstantByName(name), values, count);
    }
    bool SetFloatArray(THandle handle, const float* values, std::uint32_t count);
    bool SetFloat(const char* name, float value) { return SetFloatArray(GetConstantByName(name), &value, 1); }
    bool SetFloat(THandle handle, float value) { return SetFloatArray(handle, &value, 1); }
    bool SetInt(const char* name, std::int32_t value);

    // Tunables: constants the program never sets, whose values a person
    // chooses. A setter above marks its constant as the program's (until the
    // layout changes); SetTunable writes as SetFloatArray without marking.
    bool IsSetByProgram(THandle handle) const;
    bool SetTunable(THandle handle, const float* values, std::uint32_t count);
    // Reads count values in SetFloatArray's order; false for an unknown handle.
    bool GetFloatArray(THandle handle, float* values, std::uint32_t count) const;

    // Texture stage of a sampler, or -1 when the shader has none of that name.
    std::int32_t GetSamplerIndex(const char* name) const;

    // Takes the constants, samplers and storage of fresh, a table of the same
    // shader compiled again, so that whoever holds this table sets the new
    // code's constants. Values set on constants that kept their name and
    // shape are carried over; the rest start at their (new) initialisers.
    void TakeLayout(const CConstantTable& fresh);

    const std::vector<SShaderConstant>& GetConstants() const { return Constants; }
    const std::shared_ptr<SConstantStorage>& GetStorage() const { return Storage; }

private:
    std::vector<SShaderConstant> Constants;
    std::vector<SShaderSampler> Samplers;
    std::shared_ptr<SConstantStorage> Storage;
    std::vector<bool> SetByProgram; // per constant
};

// Compiled code, as handed to CDevice::CreateVertexShader/CreatePixelShader.
class CShaderCode : public CDeviceObject
{
public:
    CShaderCode(SCompiledShader compiled, std::shared_ptr<SConstantStorage> storage)
        : Compiled(std::move(compiled)), Storage(std::move(storage))
    {
    }
    const SCompiledShader& GetCompiled() const { return Compiled; }
    const std::shared_ptr<SConstantStorage>& GetStorage() const { return Storage; }

private:
    SCompiledShader Compiled;
    std::shared_ptr<SConstantStorage> Storage;
};

// Reads and compiles a shader file (path may use '\'). On success returns
// the code and, if table is given, its constant table (one reference each).
// On failure returns null, leaves *table null and appends the compiler's
// text (or the reason the file could not be read) to errors if given.
CShaderCode* CompileShaderFromFile(const std::string& path, const std::string& entry, const std::string& profile,
                                   CConstantTable** table, std::string* errors);
// The same from source text.
CShaderCode* CompileShaderFromSource(const std::string& source, const std::string& sourceName,
                                     const std::string& entry, const std::string& profile, CConstantTable** table,
                                     std::string* errors);

class CVertexShader : public CDeviceObject
{
};

class CPixelShader : public CDeviceObject
{
};

} // namespace gen
