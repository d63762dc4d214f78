// The tessavin program: the application frame with the real scene.
#include "App/AppFrame.h"
#include "App/Inspector.h"
#include "App/SharedLink.h"
#include "Common/CFatalException.h"
#include "Common/CommandLine.h"
#include "Common/DataFolder.h"
#include "Platform/CWindow.h"
#include "Platform/DataLocation.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv)
{
    CLI::App app{"Tessavin: a real-time 3D post-processing demonstration.", "tessavin"};
    std::string link;
    app.add_option("--link", link, "open a shared link: the page's address, or what follows its '#'")->type_name("URL");
    gen::SAppOptions options;
    app.add_option("--mesh", options.Meshes, "place an .x file in front of the camera")->type_name("FILE");
    std::string problem;
    const int status = gen::ParseCommandLine(app, argc, argv, &problem);
    if (status >= 0)
    {
        // On Windows the program has no console: a file dropped on it or an
        // "Open with" must not end it in silence. Standard error has it too.
        if (!problem.empty())
        {
            gen::ShowMessageBox(problem, "Command-line Error");
        }
        return status;
    }
    try
    {
        gen::LocateProgramData();
        gen::CInspectorFrame frame;
        options.Frame = &frame;
        if (!link.empty() && !gen::OpenSharedLink(link, problem))
        {
            std::fprintf(stderr, "tessavin: --link: %s\n", problem.c_str());
            gen::ShowMessageBox("--link: " + problem, "Command-line Error");
            return 2;
        }
        for (std::string& mesh : options.Meshes)
        {
            mesh = gen::AbsolutePath(mesh);
        }
        const int result = gen::RunApplication(options);
        gen::CloseSharedLink();
        return result;
    }
    catch (const gen::CFatalException& e)
    {
        // Last chance to say why before the runtime ends the program.
        std::fprintf(stderr, "Fatal: %s (%s, line %d)\n%s\n", e.GetMessage().c_str(), e.GetFile().c_str(), e.GetLine(),
                     e.GetFunctions().c_str());
        throw;
    }
}
