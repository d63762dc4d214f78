#include "Platform/CDevice.h"

namespace gen
{

unsigned CDeviceObject::Release()
{
    const unsigned count = --mRefCount;
    if (count == 0)
    {
        delete this;
    }
    return count;
}

} // namespace gen
