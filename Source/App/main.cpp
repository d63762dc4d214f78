// The tessavin program: the application frame with the real scene.
#include "App/AppFrame.h"
#include "Common/CFatalException.h"
#include "Common/CommandLine.h"
#include "Platform/DataLocation.h"

#include <cstdio>

int main(int argc, char** argv)
{
    CLI::App app{"Tessavin: a real-time 3D post-processing demonstration.", "tessavin"};
    const int status = gen::ParseCommandLine(app, argc, argv);
    if (status >= 0)
    {
        return status;
    }
    try
    {
        gen::LocateProgramData();
        return gen::RunApplication(gen::SAppOptions());
    }
    catch (const gen::CFatalException& e)
    {
        // Last chance to say why before the runtime ends the program.
        std::fprintf(stderr, "Fatal: %s (%s, line %d)\n%s\n", e.GetMessage().c_str(), e.GetFile().c_str(), e.GetLine(),
                     e.GetFunctions().c_str());
        throw;
    }
}
