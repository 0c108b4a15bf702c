#pragma once
// What this process and its threads cost, read from the kernel.

#include <sys/types.h>

#include <chrono>
#include <cstddef>
#include <vector>

namespace bench {

using CpuTime = std::chrono::nanoseconds;

CpuTime processCpuTime();
// CPU time of one thread of this process, in nanoseconds as the scheduler counts it.
CpuTime threadCpuTime(pid_t tid);
std::vector<pid_t> threadIds();
// CPU time of another process, all its threads, as the scheduler counts it.
CpuTime processCpuTimeOf(pid_t pid);
std::size_t residentBytes();
// Resident memory of another process; 0 once it is gone.
std::size_t residentBytesOf(pid_t pid);

}  // namespace bench
