#pragma once
// The tunables' values a person chose in the inspector, kept per shader file
// in the user's settings folder (tunables/FILE.txt, one "NAME = V V ..." line
// per constant) and read at start, so the next run starts where this one left.

#include <map>
#include <string>
#include <vector>

namespace gen
{

using TTunableValues = std::map<std::string, std::vector<float>>; // by constant name

// A file's text, and back; lines that do not read are passed over.
std::string TunableFileText(const TTunableValues& values);
TTunableValues ReadTunableFileText(const std::string& text);

class CTunableSettings
{
public:
    // folder "": values are kept for the run only.
    explicit CTunableSettings(std::string folder);

    // Reads every file under the folder's tunables/.
    void Load();
    // A value chosen (written to its file at once) or taken back to the default.
    void Choose(const std::string& file, const std::string& name, const std::vector<float>& values);
    void Forget(const std::string& file, const std::string& name);
    // A value for this run that is not written (a shared link's); a later
    // choice in the same file writes it along.
    void Take(const std::string& file, const std::string& name, const std::vector<float>& values);
    // Puts the chosen values into the filters' tables; each frame, as a
    // reset or a live edit makes the tables anew.
    void Apply() const;

    const std::map<std::string, TTunableValues>& Chosen() const { return Values; }

private:
    void Save(const std::string& file) const;

    std::string Folder;
    std::map<std::string, TTunableValues> Values; // by shader file
};

} // namespace gen
