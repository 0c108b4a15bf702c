#pragma once
// What the process holds right now, read from /proc/self: open descriptors, threads and
// resident memory. Fault tests compare it before and after long runs to find leaks.

#include <cstddef>
#include <string>

struct ProcessUsage {
    std::size_t descriptors = 0;
    std::size_t threads = 0;
    long residentKiB = 0;
};

ProcessUsage processUsage();

// One line for the note, as "FIGURE <name> fds before=.. after=.. threads ... rss_kib ...".
std::string usageFigure(const std::string& name, const ProcessUsage& before,
                        const ProcessUsage& after);

// Sanitizer runtimes keep freed memory in quarantine and their own threads, so resident
// memory says nothing about leaks there.
constexpr bool residentMemoryIsMeaningful() {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    return false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
    return false;
#else
    return true;
#endif
#else
    return true;
#endif
}
