#include "Platform/Process.h"

#include <windows.h>
#include <psapi.h>

namespace gen
{

double ProcessCpuSeconds()
{
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user))
    {
        return 0.0;
    }
    auto ticks = [](const FILETIME& t) { return (static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
    return static_cast<double>(ticks(kernel) + ticks(user)) * 1e-7; // 100 ns ticks
}

long ProcessResidentKb()
{
    PROCESS_MEMORY_COUNTERS counters{};
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters))
    {
        return 0;
    }
    return static_cast<long>(counters.WorkingSetSize / 1024);
}

} // namespace gen
