// tessavin-shader FILE [-E ENTRY] [-T PROFILE] [-D NAME[=VALUE]]... [-I DIR]...
//                      [--glsl | --es] [--constants]
//
// The program's shader compiler on the command line, needing no display:
// compiles one entry, or for an effect file without -E every pass of every
// technique. Errors and warnings go to standard error as
// "FILE(LINE,COL): error: message"; exit status 1 on any error, 2 on a bad
// option. --glsl / --es print the GLSL 3.30 / GLSL ES 3.00 made of each
// entry, --constants its constant table.

#include "Common/CommandLine.h"
#include "Common/ReadFile.h"
#include "Platform/HlslSource.h"
#include "ShaderListing.h"

#include <cctype>
#include <cstdio>
#include <string>
#include <vector>

namespace
{

struct SJob
{
    std::string Title; // "technique T, pass P, vertex shader" or the entry
    std::string Entry;
    std::string Profile;
    std::vector<std::string> Arguments;
};

// What to compile: the entry asked for, or each pass's entries.
bool Jobs(const gen::SEffect& effect, const std::string& entry, const std::string& profile, std::vector<SJob>& jobs,
          std::string& error)
{
    for (const gen::SEffectTechnique& technique : effect.Techniques)
    {
        for (const gen::SEffectPass& pass : technique.Passes)
        {
            for (const gen::SEffectEntry* shader : {&pass.Vertex, &pass.Pixel})
            {
                if (shader->Function.empty() || (!entry.empty() && shader->Function != entry))
                {
                    continue;
                }
                const std::string title = "technique " + technique.Name + ", pass " + pass.Name + ": " +
                                          shader->Profile + " " + shader->Function;
                bool seen = false;
                for (const SJob& job : jobs)
                {
                    seen = seen || (job.Entry == shader->Function && job.Profile == shader->Profile &&
                                    job.Arguments == shader->Arguments);
                }
                if (!seen)
                {
                    jobs.push_back({title, shader->Function, profile.empty() ? shader->Profile : profile,
                                    shader->Arguments});
                }
            }
        }
    }
    if (!jobs.empty() && entry.empty())
    {
        return true;
    }
    if (!entry.empty() && !profile.empty())
    {
        jobs.assign(1, SJob{profile + " " + entry, entry, profile, {}});
        return true;
    }
    if (!entry.empty() && !jobs.empty())
    {
        jobs.resize(1);
        return true;
    }
    if (entry.empty() && !profile.empty())
    {
        jobs.assign(1, SJob{profile + " main", "main", profile, {}});
        return true;
    }
    error = entry.empty() ? "no technique names an entry: give -E ENTRY and -T PROFILE"
                          : "no pass compiles " + entry + ": give -T PROFILE";
    return false;
}

// The profile a plain shader file's name gives, as the program reads them:
// .vsh a vertex shader, .psh (and a filter's .hlsl, or an .fx without
// techniques) a pixel shader.
std::string ProfileFromName(const std::string& file)
{
    const std::size_t dot = file.find_last_of('.');
    std::string extension = dot == std::string::npos ? "" : file.substr(dot + 1);
    for (char& c : extension)
    {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    if (extension == "vsh")
    {
        return "vs_3_0";
    }
    return extension == "psh" || extension == "hlsl" || extension == "fx" ? "ps_3_0" : "";
}

} // namespace

int main(int argc, char** argv)
{
    CLI::App app{"Compiles DX9 HLSL or an effect file as the program does, and prints the errors, the GLSL "
                 "or the constants.",
                 "tessavin-shader"};
    std::string file;
    std::string entry;
    std::string profile;
    std::vector<std::string> defines;
    gen::SHlslOptions options;
    bool glsl = false;
    bool es = false;
    bool constants = false;
    app.add_option("FILE", file, "the HLSL or effect file")->required();
    app.add_option("-E", entry, "the entry function (default: every pass's, else main)");
    app.add_option("-T", profile, "the profile: vs_N_N or ps_N_N (default: the pass's)");
    app.add_option("-D", defines, "a macro: NAME or NAME=VALUE")->allow_extra_args(false);
    app.add_option("-I", options.IncludeFolders, "a folder searched for #include after the file's own")
        ->allow_extra_args(false);
    auto* glslFlag = app.add_flag("--glsl", glsl, "print the generated GLSL 3.30");
    app.add_flag("--es", es, "print the generated GLSL ES 3.00 (the browser's)")->excludes(glslFlag);
    app.add_flag("--constants", constants, "list the constant table: name, register, type, default, annotations");
    const int status = gen::ParseCommandLine(app, argc, argv);
    if (status >= 0)
    {
        return status;
    }
    for (const std::string& define : defines)
    {
        const std::size_t equals = define.find('=');
        options.Defines.emplace_back(define.substr(0, equals),
                                     equals == std::string::npos ? "1" : define.substr(equals + 1));
    }
    options.Es = es;

    std::string source;
    if (!gen::ReadWholeFile(file, source))
    {
        std::fprintf(stderr, "%s(1,1): error: cannot open the file\n", file.c_str());
        return 1;
    }
    std::vector<SJob> jobs;
    std::string error;
    const gen::SEffect effect = gen::PrepareHlsl(source, file, options).Effect;
    // A plain shader file without -T compiles with the profile its name gives.
    if (!Jobs(effect, entry, profile, jobs, error) &&
        (!profile.empty() || ProfileFromName(file).empty() || !Jobs(effect, entry, ProfileFromName(file), jobs, error)))
    {
        std::fprintf(stderr, "%s(1,1): error: %s\n", file.c_str(), error.c_str());
        return 1;
    }
    bool failed = false;
    for (const SJob& job : jobs)
    {
        gen::SHlslOptions jobOptions = options;
        jobOptions.Arguments = job.Arguments;
        gen::SCompiledShader compiled;
        std::string errors;
        std::string warnings;
        const bool ok = gen::CompileHlsl(source, file, job.Entry, job.Profile, jobOptions, compiled, &errors, &warnings);
        std::fputs(gen::FormatShaderMessages(file, warnings, true).c_str(), stderr);
        if (!ok)
        {
            std::fputs(gen::FormatShaderMessages(file, errors, true).c_str(), stderr);
            std::string placed = gen::FormatShaderMessages(file, errors, false);
            if (placed.empty()) // glslang's linker only warns of a missing entry
            {
                placed = file + "(1,1): error: " +
                         (errors.find("Entry point not found") != std::string::npos ? "no entry " + job.Entry
                                                                                    : job.Entry + " does not compile") +
                         "\n";
            }
            std::fputs(placed.c_str(), stderr);
            failed = true;
            continue;
        }
        const bool titled = jobs.size() > 1 && (glsl || es || constants);
        if (titled)
        {
            std::printf("// %s\n", job.Title.c_str());
        }
        if (constants)
        {
            std::fputs(gen::ListConstants(compiled).c_str(), stdout);
        }
        if (glsl || es)
        {
            std::fputs(compiled.Glsl.c_str(), stdout);
        }
    }
    return failed ? 1 : 0;
}
