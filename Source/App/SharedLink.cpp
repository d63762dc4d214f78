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

} // namespace

bool OpenSharedLink(const std::string& address, std::string& error)
{
    SLink link;
    if (!ReadLink(address, link, error))
    {
        return false;
    }
    CloseSharedLink();
    fs::path folder;
    if (!MakeRunFolder(folder))
    {
        error = "cannot make a folder for the link's files in the temporary folder";
        return false;
    }
    const std::string root = folder.u8string();
    std::error_code ignored;
    for (const SLinkFile& file : link.Files)
    {
        const fs::path path = FilePath(root + "/" + NativePath(file.Path));
        fs::create_directories(path.parent_path(), ignored);
        if (!WriteWholeFile(path.u8string(), file.Text))
        {
            error = "cannot write the link's " + file.Path + " into " + root;
            fs::remove_all(folder, ignored);
            return false;
        }
    }
    SetDataOverlay(root);
    AddUserFilterFolder(root + "/Filters");
    return true;
}

void CloseSharedLink()
{
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
