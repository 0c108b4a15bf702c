#include "ProcessUsage.h"

#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

// The iterator holds one descriptor of its own while it counts; it does so every time, so
// figures taken this way compare exactly.
std::size_t countEntries(const char* directory) {
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(directory))
        ++count;
    return count;
}

long residentKiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
    }
    return -1;
}

}  // namespace

ProcessUsage processUsage() {
    return {countEntries("/proc/self/fd"), countEntries("/proc/self/task"), residentKiB()};
}

std::string usageFigure(const std::string& name, const ProcessUsage& before,
                        const ProcessUsage& after) {
    std::ostringstream line;
    line << "FIGURE " << name << " fds before=" << before.descriptors
         << " after=" << after.descriptors << " threads before=" << before.threads
         << " after=" << after.threads << " rss_kib before=" << before.residentKiB
         << " after=" << after.residentKiB;
    return line.str();
}
