#include "Platform/CDevice.h"

namespace gen
{

unsigned CDeviceObject::Release()
{
    const unsigned count = --RefCount;
    if (count == 0)
    {
        delete this;
    }
    return count;
}

} // namespace gen
