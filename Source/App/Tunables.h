#pragma once
// The constants a person tunes: in each filter's shader and each render
// method's shaders (the materials'), those the program never sets, found by
// shader file and name. The inspector's controls and tessavin-capture --set
// both write them here.

#include <string>
#include <vector>

namespace gen
{

class CConstantTable;

struct STunableTable
{
    std::string File; // the shader file's name, "PP_Tint.psh"
    CConstantTable* Table = nullptr;
    // Render methods sharing a shader file each have a table of it; the
    // others, written along with Table.
    std::vector<CConstantTable*> Shared;
    // The filter (or a method with the file) has drawn with Table, so the
    // constants the program sets are known; until then none is shown as a
    // control.
    bool Drawn = false;
    bool Material = false; // a render method's shader, not a filter's
};

// Every filter's table that is loaded now: the built-in ones, then the
// user's own filters; then the render methods' shaders by file, each once,
// in the methods' order (vertex shader, then pixel shader).
std::vector<STunableTable> TunableTables();

// Writes count values into the constant of Table and of every Shared table.
void SetTunable(const STunableTable& tunable, const std::string& name, const float* values, unsigned count);

enum ETuneResult
{
    kTuned,
    kTuneNoSuchFile,
    kTuneNoSuchConstant, // in that file, or not one a control fits
    kTuneSetByProgram,
};

// Writes values into the constant name of file's table (file compared
// without regard to case, as on Windows).
ETuneResult SetTunableValue(const std::string& file, const std::string& name, const std::vector<float>& values);

// Why a result is not kTuned, in words.
std::string TuneResultText(ETuneResult result);

} // namespace gen
