#include "App/TunableSettings.h"

#include "App/Tunables.h"
#include "Common/ReadFile.h"
#include "Common/Utf8System.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <sstream>
#include <system_error>

namespace gen
{

std::string TunableFileText(const TTunableValues& values)
{
    std::ostringstream out;
    out.precision(9); // every float reads back as itself
    for (const auto& entry : values)
    {
        out << entry.first << " =";
        for (float value : entry.second)
        {
            out << ' ' << value;
        }
        out << '\n';
    }
    return out.str();
}

TTunableValues ReadTunableFileText(const std::string& text)
{
    TTunableValues values;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line))
    {
        std::istringstream fields(line);
        std::string name, equals;
        std::vector<float> numbers;
        float number = 0.0f;
        if (!(fields >> name >> equals) || equals != "=")
        {
            continue;
        }
        while (fields >> number)
        {
            numbers.push_back(number);
        }
        fields.clear();
        std::string rest;
        const bool finite = std::all_of(numbers.begin(), numbers.end(), [](float n) { return std::isfinite(n); });
        if (!numbers.empty() && numbers.size() <= 4 && finite && !(fields >> rest))
        {
            values[name] = numbers;
        }
    }
    return values;
}

CTunableSettings::CTunableSettings(std::string folder) : Folder(std::move(folder))
{
}

void CTunableSettings::Load()
{
    if (Folder.empty())
    {
        return;
    }
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(FilePath(Folder + "/tunables"), error))
    {
        const std::string name = entry.path().filename().u8string();
        std::string text;
        if (name.size() > 4 && name.compare(name.size() - 4, 4, ".txt") == 0 &&
            ReadWholeFile(entry.path().u8string(), text))
        {
            Values[name.substr(0, name.size() - 4)] = ReadTunableFileText(text);
        }
    }
}

void CTunableSettings::Choose(const std::string& file, const std::string& name, const std::vector<float>& values)
{
    Values[file][name] = values;
    Save(file);
}

void CTunableSettings::Take(const std::string& file, const std::string& name, const std::vector<float>& values)
{
    Values[file][name] = values;
}

void CTunableSettings::Forget(const std::string& file, const std::string& name)
{
    Values[file].erase(name);
    Save(file);
}

void CTunableSettings::Apply() const
{
    for (const auto& file : Values)
    {
        for (const auto& constant : file.second)
        {
            SetTunableValue(file.first, constant.first, constant.second);
        }
    }
}

void CTunableSettings::Save(const std::string& file) const
{
    if (Folder.empty())
    {
        return;
    }
    std::error_code ignored; // a folder that cannot be made shows as a failed write
    std::filesystem::create_directories(FilePath(Folder + "/tunables"), ignored);
    const auto found = Values.find(file);
    WriteWholeFile(Folder + "/tunables/" + file + ".txt",
                   found == Values.end() ? std::string() : TunableFileText(found->second));
}

} // namespace gen
