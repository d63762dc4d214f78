// The tessavin program: the application frame with the real scene.
#include "App/AppFrame.h"
#include "Common/CFatalException.h"
#include "Platform/DataLocation.h"

#include <cstdio>

int main()
{
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
