#include "StuckLine.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <system_error>
#include <vector>

#include "Wait.h"

namespace {
constexpr int kSettleMs = 100;
}  // namespace

std::size_t fillLine(PtyPair& pty) {
    const int fd = pty.slaveFd();
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) != 0)
        throw std::system_error(errno, std::generic_category(), "fcntl");
    const std::vector<std::uint8_t> chunk(4096, 0xEE);
    std::size_t filled = 0;
    for (;;) {
        const ssize_t written = ::write(fd, chunk.data(), chunk.size());
        if (written > 0) {
            filled += static_cast<std::size_t>(written);
            continue;
        }
        if (written < 0 && errno == EINTR) continue;
        if (written < 0 && errno != EAGAIN)
            throw std::system_error(errno, std::generic_category(), "write");
        // The kernel moves bytes on to the far end's side a little later, which makes room
        // again: the line is full once it has stayed so for a while.
        pollfd entry{fd, POLLOUT, 0};
        if (::poll(&entry, 1, kSettleMs) == 0) return filled;
    }
}

bool farEndReceives(PtyPair& pty, std::span<const std::uint8_t> tail,
                    std::chrono::milliseconds limit) {
    const Deadline deadline(limit);
    std::vector<std::uint8_t> last;
    while (!deadline.passed()) {
        const std::vector<std::uint8_t> chunk =
            pty.readMaster(1 << 16, std::chrono::milliseconds(20));
        last.insert(last.end(), chunk.begin(), chunk.end());
        if (last.size() > tail.size())
            last.erase(last.begin(), last.end() - static_cast<std::ptrdiff_t>(tail.size()));
        if (std::ranges::equal(last, tail)) return true;
    }
    return false;
}

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}
