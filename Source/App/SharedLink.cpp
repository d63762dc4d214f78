#include "App/SharedLink.h"

#include "Common/DataFolder.h"
#include "Common/Path.h"
#include "Common/ReadFile.h"
#include "Common/ShareLink.h"
#include "Common/Utf8System.h"
#include "Effects/UserFilters.h"

#include <chrono>
#include <filesystem>
#include <random>
#include <system_error>

namespace gen
{

namespace
{

namespace fs = std::filesystem;

std::vector<SLinkValue> gLinkValues;

// A new folder that no other run uses (two programs may open links at once).
bool MakeRunFolder(fs::path& folder)
{
    std::error_code error;
    const fs::path temp = fs::temp_directory_path(error);
    if (error)
    {
        return false;
    }
    std::mt19937_64 random(std::random_device{}() ^
                           static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()));
    for (int attempt = 0; attempt < 16; ++attempt)
    {
        folder = temp / ("tessavin-link-" + std::to_string(random() % 1000000000u));
        if (fs::create_directory(folder, error))
        {
            return true;
        }
    }
    return false;
}

// The run's folder, made and read from the first file on.
bool RunFolder(std::string& root)
{
    if (!DataOverlay().empty())
    {
        root = DataOverlay();
        return true;
    }
    fs::path folder;
    if (!MakeRunFolder(folder))
    {
        return false;
    }
    root = folder.u8string();
    SetDataOverlay(root);
    AddUserFilterFolder(root + "/Filters");
    return true;
}

} // namespace

bool WriteRunFile(const std::string& dataName, const std::string& text)
{
    std::string root;
    if (!RunFolder(root))
    {
        return false;
    }
    const fs::path path = FilePath(root + "/" + NativePath(dataName));
    std::error_code ignored;
    fs::create_directories(path.parent_path(), ignored);
    return WriteWholeFile(path.u8string(), text);
}

bool OpenSharedLink(const std::string& address, std::string& error)
{
    SLink link;
    if (!ReadLink(address, link, error))
    {
        return false;
    }
    CloseSharedLink();
    gLinkValues = link.Values;
    for (const SLinkFile& file : link.Files)
    {
        if (!WriteRunFile(file.Path, file.Text))
        {
            error = "cannot write the link's " + file.Path + " into the temporary folder";
            CloseSharedLink();
            return false;
        }
    }
    return true;
}

const std::vector<SLinkValue>& SharedLinkValues()
{
    return gLinkValues;
}

void CloseSharedLink()
{
    gLinkValues.clear();
    if (DataOverlay().empty())
    {
        return;
    }
    RemoveUserFilterFolder(DataOverlay() + "/Filters");
    std::error_code ignored;
    fs::remove_all(FilePath(DataOverlay()), ignored);
    SetDataOverlay("");
}

} // namespace gen
