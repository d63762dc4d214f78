// Constant tables: set a shader constant by name in the storage its stage uploads.

#include "Platform/CShader.h"

#include "Platform/Conventions.h"

#include <cstring>

namespace gen
{

CConstantTable::CConstantTable(const SCompiledShader& shader)
    : Constants(shader.Constants), Samplers(shader.Samplers), Storage(std::make_shared<SConstantStorage>()),
      SetByProgram(shader.Constants.size(), false)
{
    Storage->Bytes.assign(shader.BlockSize, 0);
    // Initialisers are the starting values, as in DX9's constant table.
    for (const SShaderConstant& constant : Constants)
    {
        std::vector<float> values = constant.Default;
        if (values.size() == 1) // a scalar fills a vector or matrix, as HLSL promotes it
        {
            values.assign(constant.Rows * constant.Columns * constant.Elements, values[0]);
        }
        if (!values.empty())
        {
            SetTunable(static_cast<THandle>(&constant - Constants.data()), values.data(),
                       static_cast<std::uint32_t>(values.size()));
        }
    }
}

CConstantTable::THandle CConstantTable::GetConstantByName(const char* name) const
{
    if (!name)
    {
        return kInvalidHandle;
    }
    const std::uint32_t hash = HashConstantName(name);
    for (std::size_t i = 0; i < Constants.size(); ++i)
    {
        if (Constants[i].NameHash == hash && Constants[i].Name == name)
        {
            return static_cast<THandle>(i);
        }
    }
    return kInvalidHandle;
}

namespace
{

// Byte offset of value number `index` (in HLSL order: components of row 0,
// row 1, ..., then the next array element) of a constant.
std::uint32_t ValueOffset(const SShaderConstant& c, std::uint32_t index)
{
    const std::uint32_t perElement = c.Rows * c.Columns;
    const std::uint32_t element = index / perElement;
    const std::uint32_t within = index % perElement;
    const std::uint32_t row = within / c.Columns;
    const std::uint32_t column = within % c.Columns;
    std::uint32_t offset = c.Offset + element * c.ArrayStride;
    if (c.Rows > 1)
    {
        offset += c.StoredTransposed ? column * c.VectorStride + row * 4 : row * c.VectorStride + column * 4;
    }
    else
    {
        offset += column * 4;
    }
    return offset;
}

void WriteConstantValue(const SShaderConstant& c, std::uint8_t* base, std::uint32_t index, float value)
{
    const std::uint32_t offset = ValueOffset(c, index);
    if (c.IsInteger)
    {
        const std::int32_t i = static_cast<std::int32_t>(value);
        std::memcpy(base + offset, &i, 4);
    }
    else
    {
        std::memcpy(base + offset, &value, 4);
    }
}

bool SameShape(const SShaderConstant& a, const SShaderConstant& b)
{
    return a.Rows == b.Rows && a.Columns == b.Columns && a.Elements == b.Elements && a.IsInteger == b.IsInteger;
}

// True when the constant still holds its initialiser (zero without one):
// nothing set it, so an edited initialiser is what the new code starts with.
bool HoldsDefault(const SShaderConstant& c, const std::vector<std::uint8_t>& bytes)
{
    const std::uint32_t count = c.Rows * c.Columns * c.Elements;
    for (std::uint32_t i = 0; i < count; ++i)
    {
        float value = 0.0f;
        if (c.Default.size() == 1)
        {
            value = c.Default[0];
        }
        else if (i < c.Default.size())
        {
            value = c.Default[i];
        }
        std::uint8_t expected[4];
        if (c.IsInteger)
        {
            const std::int32_t whole = static_cast<std::int32_t>(value);
            std::memcpy(expected, &whole, 4);
        }
        else
        {
            std::memcpy(expected, &value, 4);
        }
        const std::uint32_t offset = ValueOffset(c, i);
        if (offset + 4 > bytes.size() || std::memcmp(bytes.data() + offset, expected, 4) != 0)
        {
            return false;
        }
    }
    return true;
}

} // namespace

void CConstantTable::TakeLayout(const CConstantTable& fresh)
{
    std::vector<std::uint8_t>& bytes = fresh.Storage->Bytes;
    for (const SShaderConstant& kept : fresh.Constants)
    {
        const THandle old = GetConstantByName(kept.Name.c_str());
        if (old == kInvalidHandle || !SameShape(Constants[static_cast<std::size_t>(old)], kept))
        {
            continue;
        }
        const SShaderConstant& was = Constants[static_cast<std::size_t>(old)];
        if (HoldsDefault(was, Storage->Bytes))
        {
            continue;
        }
        for (std::uint32_t i = 0; i < kept.Rows * kept.Columns * kept.Elements; ++i)
        {
            const std::uint32_t from = ValueOffset(was, i), to = ValueOffset(kept, i);
            if (from + 4 <= Storage->Bytes.size() && to + 4 <= bytes.size())
            {
                std::memcpy(bytes.data() + to, Storage->Bytes.data() + from, 4);
            }
        }
    }
    ++fresh.Storage->Version;
    Constants = fresh.Constants;
    Samplers = fresh.Samplers;
    Storage = fresh.Storage;
    SetByProgram.assign(Constants.size(), false);
}

bool CConstantTable::SetMatrix(THandle handle, const CMatrix4x4& m)
{
    if (handle < 0 || static_cast<std::size_t>(handle) >= Constants.size())
    {
        return false;
    }
    SetByProgram[static_cast<std::size_t>(handle)] = true;
    const SShaderConstant& c = Constants[static_cast<std::size_t>(handle)];
    std::uint8_t* base = Storage->Bytes.data();
    const std::uint32_t rows = std::min<std::uint32_t>(c.Rows, 4);
    const std::uint32_t columns = std::min<std::uint32_t>(c.Columns, 4);
    for (std::uint32_t r = 0; r < rows; ++r)
    {
        for (std::uint32_t col = 0; col < columns; ++col)
        {
            WriteConstantValue(c, base, r * c.Columns + col, m(static_cast<int>(r), static_cast<int>(col)));
        }
    }
    ++Storage->Version;
    return true;
}

bool CConstantTable::SetFloatArray(THandle handle, const float* values, std::uint32_t count)
{
    const bool known = SetTunable(handle, values, count);
    if (known)
    {
        SetByProgram[static_cast<std::size_t>(handle)] = true;
    }
    return known;
}

bool CConstantTable::IsSetByProgram(THandle handle) const
{
    return handle >= 0 && static_cast<std::size_t>(handle) < SetByProgram.size() &&
           SetByProgram[static_cast<std::size_t>(handle)];
}

bool CConstantTable::GetFloatArray(THandle handle, float* values, std::uint32_t count) const
{
    if (handle < 0 || static_cast<std::size_t>(handle) >= Constants.size())
    {
        return false;
    }
    const SShaderConstant& c = Constants[static_cast<std::size_t>(handle)];
    const std::uint32_t n = std::min(count, c.Rows * c.Columns * c.Elements);
    for (std::uint32_t i = 0; i < n; ++i)
    {
        const std::uint32_t offset = ValueOffset(c, i);
        if (offset + 4 > Storage->Bytes.size())
        {
            return false;
        }
        if (c.IsInteger)
        {
            std::int32_t integer = 0;
            std::memcpy(&integer, Storage->Bytes.data() + offset, 4);
            values[i] = static_cast<float>(integer);
        }
        else
        {
            std::memcpy(&values[i], Storage->Bytes.data() + offset, 4);
        }
    }
    return true;
}

bool CConstantTable::SetTunable(THandle handle, const float* values, std::uint32_t count)
{
    if (handle < 0 || static_cast<std::size_t>(handle) >= Constants.size() || (!values && count > 0))
    {
        return false;
    }
    const SShaderConstant& c = Constants[static_cast<std::size_t>(handle)];
    const std::uint32_t capacity = c.Rows * c.Columns * c.Elements;
    const std::uint32_t n = std::min(count, capacity);
    std::uint8_t* base = Storage->Bytes.data();
    for (std::uint32_t i = 0; i < n; ++i)
    {
        WriteConstantValue(c, base, i, values[i]);
    }
    ++Storage->Version;
    return true;
}

bool CConstantTable::SetInt(const char* name, std::int32_t value)
{
    const THandle handle = GetConstantByName(name);
    if (handle == kInvalidHandle)
    {
        return false;
    }
    const SShaderConstant& c = Constants[static_cast<std::size_t>(handle)];
    if (c.IsInteger)
    {
        SetByProgram[static_cast<std::size_t>(handle)] = true;
        std::memcpy(Storage->Bytes.data() + c.Offset, &value, 4);
        ++Storage->Version;
        return true;
    }
    return SetFloat(handle, static_cast<float>(value));
}

std::int32_t CConstantTable::GetSamplerIndex(const char* name) const
{
    for (const SShaderSampler& s : Samplers)
    {
        if (s.Name == name)
        {
            return static_cast<std::int32_t>(s.Stage);
        }
    }
    return -1;
}

} // namespace gen
