#include "Common/FileProblem.h"

#include "Common/Problems.h"
#include "Common/Utf8System.h"

#include <filesystem>
#include <system_error>

namespace gen
{

namespace fs = std::filesystem;

std::string DisplayPath(const std::string& path)
{
    std::error_code error;
    const fs::path full = fs::absolute(FilePath(path), error);
    return error ? path : full.lexically_normal().u8string();
}

std::string FileProblem(const std::string& path)
{
    std::error_code error;
    const fs::file_status status = fs::status(FilePath(path), error);
    if (status.type() == fs::file_type::not_found)
    {
        return "the file is missing";
    }
    if (status.type() == fs::file_type::directory)
    {
        return "it is a folder, not a file";
    }
    const TFile file(OpenFile(path, "rb"));
    if (!file)
    {
        return "the file cannot be read";
    }
    if (std::fgetc(file.get()) == EOF)
    {
        return "the file is empty";
    }
    return "";
}

std::string FileProblemOr(const std::string& path, const std::string& otherwise)
{
    const std::string problem = FileProblem(path);
    return problem.empty() ? otherwise : problem;
}

void ReportFileProblem(const std::string& path, const std::string& reason, const std::string& details)
{
    ReportProblem(path, DisplayPath(path) + ": " + reason, details);
}

} // namespace gen
