#include "CXSerial.h"

#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <utility>

#include "PortNames.h"
#include "Termios.h"

namespace {

constexpr unsigned kWriteChunk = 1024;
constexpr auto kWriteWait = std::chrono::milliseconds(1000);
// A peer that takes nothing for this many waits in one Write is given up on, so that the
// window thread, which holds the write, is not frozen by a stuck line.
constexpr int kMaxWriteTimeouts = 3;

// True when the device can take more bytes, or reports an error the next write will show.
bool waitWritable(int fd) {
    const auto deadline = std::chrono::steady_clock::now() + kWriteWait;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd entry{fd, POLLOUT, 0};
        const int ready = ::poll(&entry, 1, static_cast<int>(std::max<long long>(0, left.count())));
        if (ready >= 0 || errno != EINTR) return ready != 0;
    }
}

}  // namespace

CXSerial::CXSerial(PortEvents events) : m_events(std::move(events)) {}

CXSerial::~CXSerial() {
    Close();
}

bool CXSerial::ProbePort(int port) {
    return availability(port) == PortAvailability::kFree;
}

PortAvailability CXSerial::availability(int port) {
    return availabilityAfter(openPortDevice(port));
}

std::string ListedPort::text() const {
    return availability == PortAvailability::kFree ? portEntryText(port)
                                                   : refusedPortEntryText(port);
}

std::vector<ListedPort> CXSerial::ListedPorts() {
    std::vector<ListedPort> ports;
    for (int port = kFirstPort; port <= kLastPort; ++port) {
        const PortAvailability availability = CXSerial::availability(port);
        if (availability != PortAvailability::kAbsent) ports.push_back({port, availability});
    }
    return ports;
}

bool CXSerial::Open(int port, int baud, int parity) {
    if (isOpen()) Close();
    return openDevice(openPortDevice(port), baud, parity);
}

bool CXSerial::OpenPath(const std::string& path, int baud, int parity) {
    if (isOpen()) Close();
    return openDevice(openDevicePath(path), baud, parity);
}

bool CXSerial::openDevice(OpenedDevice device, int baud, int parity) {
    m_lastError.clear();
    const auto parityValue = parityFromCode(parity);
    if (!parityValue)
        return failOpen("Parity code " + std::to_string(parity) + " is not supported");
    if (!device.fd) return failOpen(std::move(device.error));
    m_device = std::move(device.fd);

    std::string error = claimExclusive(m_device.get());
    if (error.empty()) error = applyLineSettings(m_device.get(), {baud, *parityValue});
    if (!error.empty()) return failOpen(std::move(error));
    discardQueues(m_device.get());
    if (!StartReader()) return failOpen("Cannot start the reader thread");
    return true;
}

// A device that could not be set up is closed again: the port panel judges "open" by the
// device held, and a held device without a reader would look open but receive nothing.
bool CXSerial::failOpen(std::string error) {
    Close();
    m_lastError = std::move(error);
    return false;
}

void CXSerial::Close() {
    StopReader();
    if (!m_device) return;
    releaseExclusive(m_device.get());
    m_device.reset();
}

bool CXSerial::Write(const std::uint8_t* data, unsigned length) {
    std::lock_guard lock(m_writeLock);
    if (!isOpen()) return false;
    const int fd = m_device.get();
    unsigned sent = 0;
    unsigned chunkStart = 0;
    int timeouts = 0;
    while (sent < length) {
        const unsigned chunkEnd = chunkStart + std::min(length - chunkStart, kWriteChunk);
        const ssize_t written = ::write(fd, data + sent, chunkEnd - sent);
        if (written > 0) {
            sent += static_cast<unsigned>(written);
            if (sent == chunkEnd) chunkStart = sent;
            continue;
        }
        if (written < 0 && errno == EINTR) continue;
        // Any other error means the device is gone (EIO after a hang-up): retrying cannot help.
        if (written < 0 && errno != EAGAIN) return false;
        if (waitWritable(fd)) continue;
        // The flush also throws away the part of the chunk that was taken: offer it whole again,
        // or the far end would get a frame without its head.
        ::tcflush(fd, TCOFLUSH);
        sent = chunkStart;
        if (++timeouts == kMaxWriteTimeouts) return false;
    }
    m_lastWriteDone = std::chrono::steady_clock::now();
    return true;
}

bool CXSerial::isOpen() const {
    return static_cast<bool>(m_device);
}

bool CXSerial::isReading() const {
    return m_reading;
}

std::string CXSerial::lastError() const {
    return m_lastError;
}
