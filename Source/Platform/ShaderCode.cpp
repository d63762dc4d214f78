// The device's side of shader compilation: the target its GL takes, and
// compiled code with its constant table.

#include "Platform/CShader.h"

#include "Common/DataFolder.h"
#include "Common/ReadFile.h"
#include "Platform/DeviceGL.h"

namespace gen
{

bool CompileHlsl(const std::string& source, const std::string& sourceName, const std::string& entry,
                 const std::string& profile, SCompiledShader& result, std::string* errors)
{
    return CompileHlsl(source, sourceName, entry, profile, std::vector<std::string>(), result, errors);
}

bool CompileHlsl(const std::string& source, const std::string& sourceName, const std::string& entry,
                 const std::string& profile, const std::vector<std::string>& arguments, SCompiledShader& result,
                 std::string* errors)
{
    SHlslOptions options;
    options.Arguments = arguments;
    options.Es = kGlEs;
    options.CheckGlsl = false; // the driver compiling it is the check
    // Data names are relative to the data folder, wherever the program runs:
    // includes are looked for beside the file there too.
    const std::size_t slash = sourceName.find_last_of("/\\");
    if (slash != std::string::npos)
    {
        options.IncludeFolders.push_back(DataPath(sourceName.substr(0, slash)));
    }
    return CompileHlsl(source, sourceName, entry, profile, options, result, errors);
}

CShaderCode* CompileShaderFromSource(const std::string& source, const std::string& sourceName,
                                     const std::string& entry, const std::string& profile, CConstantTable** table,
                                     std::string* errors)
{
    if (table)
    {
        *table = nullptr;
    }
    SCompiledShader compiled;
    if (!CompileHlsl(source, sourceName, entry, profile, compiled, errors))
    {
        return nullptr;
    }
    CConstantTable* constants = new CConstantTable(compiled);
    CShaderCode* code = new CShaderCode(std::move(compiled), constants->GetStorage());
    if (table)
    {
        *table = constants;
    }
    else
    {
        constants->Release();
    }
    return code;
}

CShaderCode* CompileShaderFromFile(const std::string& path, const std::string& entry, const std::string& profile,
                                   CConstantTable** table, std::string* errors)
{
    if (table)
    {
        *table = nullptr;
    }
    std::string text;
    if (!ReadWholeFile(DataPath(path), text))
    {
        const std::string message = "cannot open " + path + "\n";
        SetLastShaderLog(message);
        if (errors)
        {
            *errors += message;
        }
        return nullptr;
    }
    return CompileShaderFromSource(text, path, entry, profile, table, errors);
}

} // namespace gen
