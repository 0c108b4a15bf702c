// Preloaded into ser2net by tests: writes down each line setting applied to a tty, one line
// "DEVICE BAUD PARITY" in $MESHCFG_TERMIOS_LOG, then lets the call through. A pseudo-terminal
// drops the parity bit of its settings, so reading the settings back could not show it.
#include <asm/ioctls.h>
#include <asm/termbits.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

namespace {

void record(int fd, unsigned baud, unsigned cflag) {
    const char* logPath = getenv("MESHCFG_TERMIOS_LOG");
    char link[64];
    char device[256];
    snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    const ssize_t length = readlink(link, device, sizeof device - 1);
    if (logPath == nullptr || length <= 0) return;
    device[length] = '\0';
    const char* parity = (cflag & PARENB) == 0 ? "none" : (cflag & PARODD) ? "odd" : "even";
    FILE* log = fopen(logPath, "a");
    if (log == nullptr) return;
    fprintf(log, "%s %u %s\n", device, baud, parity);
    fclose(log);
}

}  // namespace

extern "C" int ioctl(int fd, unsigned long request, ...) {
    va_list arguments;
    va_start(arguments, request);
    void* argument = va_arg(arguments, void*);
    va_end(arguments);
    using Ioctl = int (*)(int, unsigned long, void*);
    static const auto next = reinterpret_cast<Ioctl>(dlsym(RTLD_NEXT, "ioctl"));
    if (request == TCSETS2 || request == TCSETSW2 || request == TCSETSF2) {
        const auto* settings = static_cast<const termios2*>(argument);
        record(fd, settings->c_ospeed, settings->c_cflag);
    }
    return next(fd, request, argument);
}
