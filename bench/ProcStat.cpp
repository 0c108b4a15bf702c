#include "ProcStat.h"

#include <time.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace bench {

CpuTime processCpuTime() {
    timespec now{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec);
}

// schedstat's first field is the time on a CPU in nanoseconds; stat's ticks are 10 ms coarse.
CpuTime threadCpuTime(pid_t tid) {
    std::ifstream schedstat("/proc/self/task/" + std::to_string(tid) + "/schedstat");
    long long onCpu = 0;
    schedstat >> onCpu;
    return CpuTime(onCpu);
}

CpuTime processCpuTimeOf(pid_t pid) {
    CpuTime sum{};
    const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
    for (const auto& entry : std::filesystem::directory_iterator(tasks)) {
        std::ifstream schedstat(entry.path() / "schedstat");
        long long onCpu = 0;
        schedstat >> onCpu;
        sum += CpuTime(onCpu);
    }
    return sum;
}

std::vector<pid_t> threadIds() {
    std::vector<pid_t> ids;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/task"))
        ids.push_back(static_cast<pid_t>(std::stol(entry.path().filename().string())));
    return ids;
}

namespace {

std::size_t residentIn(const std::string& statmPath) {
    std::ifstream statm(statmPath);
    std::size_t size = 0;
    std::size_t resident = 0;
    statm >> size >> resident;
    return resident * static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
}

}  // namespace

std::size_t residentBytes() {
    return residentIn("/proc/self/statm");
}

std::size_t residentBytesOf(pid_t pid) {
    return residentIn("/proc/" + std::to_string(pid) + "/statm");
}

}  // namespace bench
