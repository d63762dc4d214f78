#pragma once
// The constants a person tunes: in each filter's shader, those the program
// never sets, found by shader file and name. The inspector's controls and
// tessavin-capture --set both write them here.

#include <string>
#include <vector>

namespace gen
{

class CConstantTable;

struct STunableTable
{
    std::string File; // the shader file's name, "PP_Tint.psh"
    CConstantTable* Table = nullptr;
    // The filter has drawn with the table, so the constants the program
    // sets are known; until then none is shown as a control.
    bool Drawn = false;
};

// Every filter's table that is loaded now: the built-in ones, then the
// user's own filters.
std::vector<STunableTable> TunableTables();

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
