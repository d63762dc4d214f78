// Stand-in post-processing until the filters exist: nothing to set up.
#include "Effects/PostProcess.h"

namespace gen
{

EPostProcess CurrentFilter = kNoFilter;

bool SetupPostProcessing()
{
    return true;
}

void ReleasePostProcessing()
{
}

} // namespace gen
