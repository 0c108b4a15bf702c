// The write side: Write sends one block under the write lock; the writer thread takes queued
// frames one by one and sends each with the same routine, so the window thread never waits
// for a line that takes no data.
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <system_error>

#include "CXSerial.h"
#include "Termios.h"

namespace serial {

namespace {

constexpr unsigned kWriteChunk = 1024;

}  // namespace

// A network port's socket whose connection has ended refuses writes; that must be an error
// like a tty's EIO, not the signal that would end the program.
ssize_t CXSerial::sendSome(int fd, const std::uint8_t* data, std::size_t length) const {
    if (m_network) return ::send(fd, data, length, MSG_NOSIGNAL);
    return ::write(fd, data, length);
}

bool CXSerial::Write(const std::uint8_t* data, unsigned length) {
    return writeFrame({data, length}) == WriteResult::kSent;
}

CXSerial::WriteResult CXSerial::writeFrame(std::span<const std::uint8_t> frame,
                                           std::size_t alreadySent) {
    std::lock_guard lock(m_writeLock);
    if (!isOpen() || waitForLine() == WaitResult::kStopped) return WriteResult::kFailed;
    const int fd = m_device.get();
    // What was handed over before has left the device once its queue reads empty.
    if (alreadySent == 0 && outputQueued(fd) == 0) forgetHandedOver();
    const std::size_t length = frame.size();
    std::size_t sent = alreadySent;
    std::size_t chunkStart = 0;
    int timeouts = 0;
    while (sent < length) {
        const std::size_t chunkEnd =
            chunkStart + std::min<std::size_t>(length - chunkStart, kWriteChunk);
        const ssize_t written = sendSome(fd, frame.data() + sent, chunkEnd - sent);
        if (written > 0) {
            sent += static_cast<std::size_t>(written);
            if (sent == chunkEnd) chunkStart = sent;
            continue;
        }
        if (written < 0 && errno == EINTR) continue;
        // Any other error means the device is gone (EIO after a hang-up): retrying cannot help.
        if (written < 0 && errno != EAGAIN) return WriteResult::kFailed;
        const WaitResult wait = waitWritable(fd);
        if (wait == WaitResult::kStopped) return WriteResult::kFailed;
        if (wait == WaitResult::kWritable) continue;
        // The flush also throws away the part of the chunk that was taken: offer it whole again,
        // or the far end would get a frame without its head; earlier frames still queued go
        // with it. A network port's socket cannot be flushed and keeps what it took, so the
        // rest is offered as it is.
        const std::optional<int> queued = outputQueued(fd);
        if (::tcflush(fd, TCOFLUSH) == 0) {
            reportFlushed(queued, sent - chunkStart);
            sent = chunkStart;
        }
        if (++timeouts == kWriteTries) return WriteResult::kGivenUp;
    }
    handedOver(frame);
    return WriteResult::kSent;
}

// Under m_writeLock: the frame has left for the device whole.
void CXSerial::handedOver(std::span<const std::uint8_t> frame) {
    m_handedOver.add(frame);
    const auto done = std::chrono::steady_clock::now();
    m_lastWriteDone = done;
    m_lastOnWire = m_line.handOver(done, frame.size());
}

// Under m_queueLock, with nothing queued or in the writer's hands: the bytes of the frame the
// device takes at once, without a wait, while the line is free and nobody else writes. The
// whole frame is handed over then; a part is left for the writer to finish.
std::size_t CXSerial::writeNow(std::span<const std::uint8_t> frame) {
    std::unique_lock lock(m_writeLock, std::try_to_lock);
    if (!lock || frame.size() > kWriteChunk || !isOpen() ||
        m_line.free() > std::chrono::steady_clock::now())
        return 0;
    const int fd = m_device.get();
    if (outputQueued(fd) == 0) forgetHandedOver();
    ssize_t written = 0;
    do {
        written = sendSome(fd, frame.data(), frame.size());
    } while (written < 0 && errno == EINTR);
    if (written <= 0) return 0;  // the writer waits for room, or meets the error again
    if (static_cast<std::size_t>(written) == frame.size()) handedOver(frame);
    return static_cast<std::size_t>(written);
}

// Until the line has carried what was handed over before; Close ends the wait.
CXSerial::WaitResult CXSerial::waitForLine() const {
    for (;;) {
        const std::chrono::nanoseconds left = m_line.free() - std::chrono::steady_clock::now();
        if (left <= left.zero()) return WaitResult::kWritable;
        const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(left);
        const timespec wait{seconds.count(), (left - seconds).count()};
        pollfd stop{m_writeStop.get(), POLLIN, 0};
        if (::ppoll(&stop, 1, &wait, nullptr) > 0) return WaitResult::kStopped;
    }
}

void CXSerial::forgetHandedOver() {
    m_handedOver.clear();
}

// queued: the bytes the device held before the flush, the taken part of the frame being
// written (ownBytes) last; nothing where the driver cannot say.
void CXSerial::reportFlushed(std::optional<int> queued, std::size_t ownBytes) {
    const std::size_t held = queued ? static_cast<std::size_t>(*queued) : kMostBytesQueued;
    // The newest frames, back to the one whose end was still queued.
    auto frames = m_handedOver.takeNewest(held > ownBytes ? held - ownBytes : 0);
    if (!frames.empty() && m_events.framesFlushed) m_events.framesFlushed(std::move(frames));
}

// Writable also when the device reports an error: the next write shows it.
CXSerial::WaitResult CXSerial::waitWritable(int device) const {
    const auto deadline = std::chrono::steady_clock::now() + kWriteWait;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd watched[] = {{m_writeStop.get(), POLLIN, 0}, {device, POLLOUT, 0}};
        const int ready =
            ::poll(watched, 2, static_cast<int>(std::max<long long>(0, left.count())));
        if (ready < 0 && errno == EINTR) continue;
        if (ready == 0) return WaitResult::kTimedOut;
        if (ready > 0 && watched[0].revents != 0) return WaitResult::kStopped;
        return WaitResult::kWritable;
    }
}

// A frame with nothing before it goes to the device on the caller's thread when the device
// takes it at once, sparing the writer's wake-up and the one that tells it written.
bool CXSerial::queueWrite(std::span<const std::uint8_t> frame) {
    if (!isOpen()) return false;
    std::unique_lock lock(m_queueLock);
    if (m_writerStopping || m_queue.size() >= kWriteQueueLimit) return false;
    const bool first = !frame.empty() && m_queue.empty() && !m_writing;
    const std::size_t sent = first ? writeNow(frame) : 0;
    if (first && sent == frame.size()) {
        lock.unlock();
        if (m_events.frameWritten) m_events.frameWritten(lastOnWire());
        return true;
    }
    m_queue.push_back({{frame.begin(), frame.end()}, sent});
    lock.unlock();
    m_queueChanged.notify_one();
    return true;
}

std::size_t CXSerial::queuedFrames() const {
    std::lock_guard lock(m_queueLock);
    return m_queue.size();
}

std::chrono::steady_clock::time_point CXSerial::lastWriteDone() const {
    return m_lastWriteDone;
}

std::chrono::steady_clock::time_point CXSerial::lastOnWire() const {
    return m_lastOnWire;
}

bool CXSerial::startWriter() {
    m_writeStop.reset(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    if (!m_writeStop) return false;
    m_writerStopping = false;
    m_writing = false;
    try {
        m_writer = std::thread(&CXSerial::WriterThread, this);
    } catch (const std::system_error&) {
        m_writeStop.reset();
        return false;
    }
    return true;
}

void CXSerial::stopWriter() {
    {
        std::lock_guard lock(m_queueLock);
        m_writerStopping = true;
        m_queue.clear();
    }
    m_queueChanged.notify_one();
    if (m_writeStop) ::eventfd_write(m_writeStop.get(), 1);
    if (m_writer.joinable()) m_writer.join();
    m_writeStop.reset();
}

void CXSerial::WriterThread() {
    for (;;) {
        QueuedFrame frame;
        {
            std::unique_lock lock(m_queueLock);
            m_writing = false;
            m_queueChanged.wait(lock, [this] { return m_writerStopping || !m_queue.empty(); });
            if (m_writerStopping) return;
            frame = std::move(m_queue.front());
            m_queue.pop_front();
            m_writing = true;
        }
        const WriteResult result = writeFrame(frame.bytes, frame.sent);
        if (result == WriteResult::kGivenUp && m_events.frameGivenUp) m_events.frameGivenUp();
        if (result == WriteResult::kSent && m_events.frameWritten)
            m_events.frameWritten(lastOnWire());
    }
}

}  // namespace serial
