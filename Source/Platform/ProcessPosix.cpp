#include "Platform/Process.h"

#include "Common/Utf8System.h"

#include <cstdio>
#include <ctime>
#include <unistd.h>

namespace gen
{

double ProcessCpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

long ProcessResidentKb()
{
    long pages = 0, resident = 0;
    std::FILE* statm = OpenFile("/proc/self/statm", "r");
    if (!statm)
    {
        return 0;
    }
    if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2)
    {
        resident = 0;
    }
    std::fclose(statm);
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

} // namespace gen
