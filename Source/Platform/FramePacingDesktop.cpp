#include "Platform/FramePacing.h"

namespace gen
{

void PrepareFramePacing()
{
}

void WaitForDisplayFrame()
{
}

} // namespace gen
