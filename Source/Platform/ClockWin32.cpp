#include "Platform/Clock.h"

#include <windows.h>
#include <timeapi.h>

namespace gen
{

bool QueryCounterFrequency(std::int64_t& frequency)
{
    LARGE_INTEGER value{};
    const bool ok = QueryPerformanceFrequency(&value) != 0;
    frequency = value.QuadPart;
    return ok;
}

std::int64_t QueryCounter()
{
    LARGE_INTEGER value{};
    QueryPerformanceCounter(&value);
    return value.QuadPart;
}

std::uint32_t QueryMillisecondTick()
{
    return timeGetTime();
}

} // namespace gen
