#include "App/Tunables.h"

#include "Effects/PostProcess.h"
#include "Effects/UserFilters.h"
#include "Platform/CShader.h"
#include "Platform/ConstantControl.h"

#include <cctype>

namespace gen
{

namespace
{

bool SameName(const std::string& a, const std::string& b)
{
    if (a.size() != b.size())
    {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i)
    {
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
        {
            return false;
        }
    }
    return true;
}

} // namespace

std::vector<STunableTable> TunableTables()
{
    std::vector<STunableTable> tables;
    for (int filter = 0; filter < kNumPostProcesses; ++filter)
    {
        const EPostProcess which = static_cast<EPostProcess>(filter);
        if (CConstantTable* table = GetFilterConstantTable(which))
        {
            // Every built-in filter's shader reads a rectangle the program sets.
            bool drawn = false;
            for (std::size_t handle = 0; handle < table->GetConstants().size(); ++handle)
            {
                drawn = drawn || table->IsSetByProgram(static_cast<CConstantTable::THandle>(handle));
            }
            tables.push_back({GetFilterFileName(which), table, drawn});
        }
    }
    for (int filter = 0; filter < UserFilterCount(); ++filter)
    {
        if (CConstantTable* table = UserFilterConstantTable(filter))
        {
            tables.push_back({UserFilterFileName(filter), table, UserFilterDrawn(filter)});
        }
    }
    return tables;
}

ETuneResult SetTunableValue(const std::string& file, const std::string& name, const std::vector<float>& values)
{
    for (const STunableTable& tunable : TunableTables())
    {
        if (!SameName(tunable.File, file))
        {
            continue;
        }
        const CConstantTable::THandle handle = tunable.Table->GetConstantByName(name.c_str());
        SConstantControl control;
        if (handle == CConstantTable::kInvalidHandle ||
            !MakeConstantControl(tunable.Table->GetConstants()[static_cast<std::size_t>(handle)], control))
        {
            return kTuneNoSuchConstant;
        }
        if (tunable.Table->IsSetByProgram(handle))
        {
            return kTuneSetByProgram;
        }
        tunable.Table->SetTunable(handle, values.data(), static_cast<std::uint32_t>(values.size()));
        return kTuned;
    }
    return kTuneNoSuchFile;
}

std::string TuneResultText(ETuneResult result)
{
    switch (result)
    {
    case kTuned: return "";
    case kTuneNoSuchFile: return "no filter has that shader file";
    case kTuneNoSuchConstant: return "the shader has no such constant that a control fits (one value or vector)";
    case kTuneSetByProgram: return "the program sets that constant itself";
    }
    return "";
}

} // namespace gen
