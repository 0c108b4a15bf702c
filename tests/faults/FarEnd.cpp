#include "FarEnd.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

FarEndReader::FarEndReader(int masterFd)
    : m_master(masterFd), m_stop(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
    if (!m_stop) throw std::system_error(errno, std::generic_category(), "eventfd");
    m_thread = std::thread(&FarEndReader::run, this);
}

FarEndReader::~FarEndReader() {
    ::eventfd_write(m_stop.get(), 1);
    m_thread.join();
}

std::vector<std::uint8_t> FarEndReader::bytes() const {
    std::lock_guard lock(m_mutex);
    return m_bytes;
}

std::size_t FarEndReader::size() const {
    std::lock_guard lock(m_mutex);
    return m_bytes.size();
}

void FarEndReader::run() {
    pollfd watched[] = {{m_stop.get(), POLLIN, 0}, {m_master, POLLIN, 0}};
    std::uint8_t chunk[4096];
    for (;;) {
        if (::poll(watched, 2, -1) < 0 && errno != EINTR) return;
        if (watched[0].revents != 0) return;
        if (watched[1].revents & (POLLHUP | POLLERR | POLLNVAL)) return;
        if (!(watched[1].revents & POLLIN)) continue;
        const ssize_t got = ::read(m_master, chunk, sizeof chunk);
        if (got > 0) {
            std::lock_guard lock(m_mutex);
            m_bytes.insert(m_bytes.end(), chunk, chunk + got);
        }
    }
}

FarEndFlood::FarEndFlood(int masterFd, std::chrono::milliseconds duration,
                         std::function<void()> done)
    : m_master(masterFd), m_thread(&FarEndFlood::run, this, duration, std::move(done)) {}

FarEndFlood::~FarEndFlood() {
    join();
}

void FarEndFlood::join() {
    if (m_thread.joinable()) m_thread.join();
}

void FarEndFlood::run(std::chrono::milliseconds duration, const std::function<void()>& done) {
    const auto start = std::chrono::steady_clock::now();
    const auto end = start + duration;
    std::uint8_t chunk[4096];
    std::size_t offset = 0;
    while (std::chrono::steady_clock::now() < end) {
        for (std::size_t i = 0; i < sizeof chunk; ++i) chunk[i] = floodByte(offset + i);
        const ssize_t written = ::write(m_master, chunk, sizeof chunk);
        if (written > 0) {
            offset += static_cast<std::size_t>(written);
            m_written = offset;
        } else if (written < 0 && errno == EAGAIN) {
            pollfd entry{m_master, POLLOUT, 0};
            ::poll(&entry, 1, 100);  // the line is full until the reader takes its next chunk
        } else if (written < 0 && errno != EINTR) {
            break;
        }
    }
    m_seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    done();
}
