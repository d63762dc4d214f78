#include "App/Tunables.h"

#include "Common/NameCase.h"
#include "Effects/PostProcess.h"
#include "Effects/UserFilters.h"
#include "Platform/CShader.h"
#include "Platform/ConstantControl.h"
#include "Render/RenderMethods.h"

namespace gen
{

namespace
{

// A render method's shader joins the entry of its file, or starts one; a
// drawn method's table leads, as only it knows which constants are set.
void AddMaterialTable(std::vector<STunableTable>& tables, std::size_t firstMaterial, const char* file,
                      CConstantTable* table, bool drawn)
{
    if (!table)
    {
        return;
    }
    for (std::size_t i = firstMaterial; i < tables.size(); ++i)
    {
        STunableTable& entry = tables[i];
        if (entry.File == file)
        {
            if (drawn && !entry.Drawn)
            {
                entry.Shared.push_back(entry.Table);
                entry.Table = table;
                entry.Drawn = true;
            }
            else
            {
                entry.Shared.push_back(table);
            }
            return;
        }
    }
    STunableTable entry;
    entry.File = file;
    entry.Table = table;
    entry.Drawn = drawn;
    entry.Material = true;
    tables.push_back(entry);
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
            STunableTable entry;
            entry.File = GetFilterFileName(which);
            entry.Table = table;
            entry.Drawn = drawn;
            tables.push_back(entry);
        }
    }
    for (int filter = 0; filter < UserFilterCount(); ++filter)
    {
        if (CConstantTable* table = UserFilterConstantTable(filter))
        {
            STunableTable entry;
            entry.File = UserFilterFileName(filter);
            entry.Table = table;
            entry.Drawn = UserFilterDrawn(filter);
            tables.push_back(entry);
        }
    }
    const std::size_t firstMaterial = tables.size();
    for (std::uint32_t method = 0; method < kNumRenderMethods; ++method)
    {
        const SRenderMethod& entry = GetRenderMethod(static_cast<ERenderMethod>(method));
        AddMaterialTable(tables, firstMaterial, entry.VertexShaderFile, entry.VertexConstantTable, entry.Drawn);
        AddMaterialTable(tables, firstMaterial, entry.PixelShaderFile, entry.PixelConstantTable, entry.Drawn);
    }
    return tables;
}

void SetTunable(const STunableTable& tunable, const std::string& name, const float* values, unsigned count)
{
    tunable.Table->SetTunable(tunable.Table->GetConstantByName(name.c_str()), values, count);
    for (CConstantTable* table : tunable.Shared)
    {
        table->SetTunable(table->GetConstantByName(name.c_str()), values, count);
    }
}

ETuneResult SetTunableValue(const std::string& file, const std::string& name, const std::vector<float>& values)
{
    for (const STunableTable& tunable : TunableTables())
    {
        if (!EqualIgnoringCase(tunable.File, file))
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
        SetTunable(tunable, name, values.data(), static_cast<unsigned>(values.size()));
        return kTuned;
    }
    return kTuneNoSuchFile;
}

std::string TuneResultText(ETuneResult result)
{
    switch (result)
    {
    case kTuned: return "";
    case kTuneNoSuchFile: return "no filter or render method has that shader file";
    case kTuneNoSuchConstant: return "the shader has no such constant that a control fits (one value or vector)";
    case kTuneSetByProgram: return "the program sets that constant itself";
    }
    return "";
}

} // namespace gen
