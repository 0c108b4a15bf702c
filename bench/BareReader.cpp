#include "BareReader.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>

namespace {
constexpr std::size_t kReadBuffer = 4096;
}

BareReader::BareReader(int device, ByteCounter& counter)
    : m_device(device),
      m_counter(counter),
      m_stop(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)),
      m_thread(&BareReader::run, this) {}

BareReader::~BareReader() {
    ::eventfd_write(m_stop.get(), 1);
    m_thread.join();
}

void BareReader::run() {
    pollfd watched[] = {{m_stop.get(), POLLIN, 0}, {m_device, POLLIN, 0}};
    unsigned char bytes[kReadBuffer];
    for (;;) {
        if (::poll(watched, 2, -1) < 0 && errno != EINTR) return;
        if (watched[0].revents != 0) return;
        if ((watched[1].revents & POLLIN) == 0) {
            if (watched[1].revents != 0) return;  // hung up: nothing more will come
            continue;
        }
        const ssize_t got = ::read(m_device, bytes, sizeof bytes);
        if (got > 0) m_counter.add(static_cast<std::size_t>(got));
    }
}
