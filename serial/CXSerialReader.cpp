// The reader thread: sleeps in ppoll() until the device has bytes, hangs up, or StopReader
// signals the stop eventfd, and through the line time of a frame's rest once it has begun.
// Only bytes that can go stale give its wait an end: an idle open port costs no CPU.
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <optional>
#include <system_error>

#include "CXSerial.h"

namespace serial {

namespace {

constexpr int kReadChunk = 1024;

timespec timespecOf(std::chrono::nanoseconds wait) {
    wait = std::max(wait, std::chrono::nanoseconds::zero());
    return {static_cast<time_t>(wait.count() / 1'000'000'000),
            static_cast<long>(wait.count() % 1'000'000'000)};
}

}  // namespace

bool CXSerial::StartReader() {
    if (!isOpen()) return false;
    StopReader();
    m_stopEvent.reset(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    if (!m_stopEvent) return false;
    m_reading = true;
    try {
        m_reader = std::thread(&CXSerial::ReaderThread, this);
    } catch (const std::system_error&) {
        m_reading = false;
        m_stopEvent.reset();
        return false;
    }
    return true;
}

bool CXSerial::StopReader() {
    // A reader that ended by hang-up has nothing to see here; join collects it all the same.
    if (m_reader.joinable()) {
        ::eventfd_write(m_stopEvent.get(), 1);
        m_reader.join();
    }
    m_stopEvent.reset();
    m_reading = false;
    return true;
}

void CXSerial::ReaderThread() {
    const int device = m_device.get();
    pollfd watched[] = {{m_stopEvent.get(), POLLIN, 0}, {device, POLLIN, 0}};
    bool hungUp = false;
    // While a rest's sleep has just passed, its bytes are read without a poll first; the pace
    // they came at decides how long the next sleep may be.
    std::optional<std::chrono::steady_clock::time_point> sleptSince;
    while (!hungUp) {
        short events = POLLIN;
        if (!sleptSince) {
            const auto due = silenceDue();
            const timespec untilDue = timespecOf(due ? *due - std::chrono::steady_clock::now()
                                                     : std::chrono::nanoseconds::zero());
            const int ready = ::ppoll(watched, 2, due ? &untilDue : nullptr, nullptr);
            if (ready < 0) {
                if (errno == EINTR) continue;
                hungUp = true;  // a reader that cannot wait can never receive again
                break;
            }
            if (ready == 0) {
                onSilence();
                continue;
            }
            if (watched[0].revents != 0) break;  // stop wins over pending bytes
            events = watched[1].revents;
        }
        const bool ending = events & (POLLHUP | POLLERR | POLLNVAL);
        std::size_t delivered = 0;
        if (events & POLLIN) hungUp = readPass(device, delivered) == ReadResult::kHungUp;
        const bool paced =
            sleptSince && delivered > 0 &&
            m_readLine.couldCarry(delivered, std::chrono::steady_clock::now() - *sleptSince);
        sleptSince.reset();
        // A sleep that brought nothing ends the sleeps: the next wait is for a byte or for the
        // silence that lets a stalled frame go.
        if (!hungUp && !ending && delivered > 0 && !sleepThroughRest(paced, sleptSince)) break;
        if (!hungUp && ending) {
            // What the driver still holds belongs to the last reply: deliver it first.
            while (readPass(device, delivered) == ReadResult::kDelivered) {
            }
            hungUp = true;
        }
    }
    m_reading = false;
    if (hungUp && m_events.hungUp) m_events.hungUp();
}

// False when StopReader signalled meanwhile; slept tells when a sleep began. The sleep ends a
// byte before the frame's last, so that the last is read as it arrives and the frame bears its
// true time. A line that has not yet shown it keeps to its rate is slept on for
// kRestWaitLimit at most: bytes that come faster than its baud rate says (a module on USB
// of its own) are then seen at most that late. A line with no pace of its own (a raw bridge)
// is never slept on: its bytes may come at any rate.
bool CXSerial::sleepThroughRest(bool paced,
                                std::optional<std::chrono::steady_clock::time_point>& slept) {
    const std::size_t toCome = bytesToCome();
    if (toCome < 2) return true;
    std::chrono::nanoseconds rest = m_readLine.carries(toCome - 1);
    if (!paced || cutsBySilence()) rest = std::min<std::chrono::nanoseconds>(rest, kRestWaitLimit);
    if (rest <= std::chrono::nanoseconds::zero()) return true;
    const timespec wait = timespecOf(rest);
    pollfd stop{m_stopEvent.get(), POLLIN, 0};
    slept = std::chrono::steady_clock::now();
    int woken = 0;
    do {
        woken = ::ppoll(&stop, 1, &wait, nullptr);
    } while (woken < 0 && errno == EINTR);
    return woken <= 0;
}

// What the driver holds is taken in reads of at most 1024 bytes with no poll between them, so
// a fast line costs one wake-up per driver buffer rather than one per read; a read that
// finds nothing tells end of line (0 or EIO) from no bytes yet (EAGAIN).
CXSerial::ReadResult CXSerial::readPass(int device, std::size_t& delivered) {
    delivered = 0;
    unsigned char bytes[kReadChunk];
    for (;;) {
        ssize_t got = 0;
        do {
            got = ::read(device, bytes, sizeof bytes);
        } while (got < 0 && errno == EINTR);
        if (got < 0 && errno == EAGAIN) break;
        if (got <= 0) return ReadResult::kHungUp;  // 0 or EIO: the other end is gone
        std::for_each(bytes, bytes + got, [this](unsigned char byte) { OnReceiveByte(byte); });
        delivered += static_cast<std::size_t>(got);
        if (got < kReadChunk) break;  // the driver had no more
    }
    return delivered > 0 ? ReadResult::kDelivered : ReadResult::kNothing;
}

}  // namespace serial
