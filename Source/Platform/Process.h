#pragma once
// What the running process has used so far, for run statistics.

namespace gen
{

// CPU seconds, user and system together, since the process started.
double ProcessCpuSeconds();
// Resident memory in KiB; 0 when it cannot be read.
long ProcessResidentKb();

} // namespace gen
