// The inspector where the program is built without it: never shown, takes
// no event.
#include "App/Inspector.h"

namespace gen
{

struct CInspector::SState
{
};

bool InspectorBuiltIn()
{
    return false;
}

CInspector::CInspector(CPassTimer& passes, bool listen) : Passes(passes), Listen(listen)
{
}

CInspector::~CInspector() = default;

void CInspector::SetShown(bool)
{
}

bool CInspector::TakeEvent(const SWindowEvent&)
{
    return false;
}

void CInspector::OpenSection(const std::string&)
{
}

void CInspector::Draw(float)
{
}

void CInspector::ReleaseDevice()
{
}

} // namespace gen
