#pragma once
// The serial port object: owns the device, the reader thread, the writer thread with its queue
// and the write lock, and hands every received byte, in order, to OnReceiveByte on the reader
// thread.

#include <sys/types.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "FileDescriptor.h"
#include "HandedOverFrames.h"
#include "LineClock.h"
#include "LineSettings.h"
#include "NetworkLink.h"
#include "PortDirectory.h"

namespace serial {

// What the port object tells its owner from its own threads. The owner hands each one over to
// its own thread and must not wait there for the port's threads: Close joins them.
struct PortEvents {
    std::function<void()> hungUp = {};  // the device hung up (adapter unplugged, peer gone)
    // The writer gave a queued frame up: the port took no data for kWriteTries waits of kWriteWait.
    std::function<void()> frameGivenUp = {};
    // The flush before a frame is offered again also threw away these frames, oldest first:
    // handed to the device whole, perhaps not sent.
    std::function<void(std::vector<std::vector<std::uint8_t>> frames)> framesFlushed = {};
    // The writer handed a queued frame to the device whole; onWire is when the line has carried
    // its last byte, as its baud rate and parity say.
    std::function<void(std::chrono::steady_clock::time_point onWire)> frameWritten = {};
};

class CXSerial {
  public:
    explicit CXSerial(PortEvents events = {});
    static constexpr std::size_t kWriteQueueLimit = 64;
    // The most a tty's output queue holds, where its driver cannot say how much it holds: a
    // pseudo-terminal's far end buffers 64 KiB and reads 4 KiB ahead.
    static constexpr std::size_t kMostBytesQueued = 64 * 1024 + 4 * 1024;
    // A full output queue is waited for this long, at most kWriteTries times for one frame, so
    // that one stuck line does not hold every later request for ever.
    static constexpr std::chrono::milliseconds kWriteWait{1000};
    static constexpr int kWriteTries = 3;

    // A derived class must Close() in its own destructor: the reader calls OnReceiveByte
    // until it is stopped, and by the time this destructor runs the override is gone.
    virtual ~CXSerial();
    CXSerial(const CXSerial&) = delete;
    CXSerial& operator=(const CXSerial&) = delete;

    // True if COM port n resolves to a tty that can be opened and locked now.
    static bool ProbePort(int port);
    static ports::PortAvailability availability(int port);

    // Opens what a name stands for, as the face's PortDirectory resolved it; parity: 0 none,
    // 1 odd, 2 even. A target across the network connects to it, which takes up to
    // NetworkLink::kConnectTimeout: never on a window thread.
    bool Open(const ports::PortTarget& target, int baud, int parity);
    // The same for a port across the network: rfc2217://HOST:PORT or tcp://HOST:PORT.
    bool OpenAddress(const std::string& address, int baud, int parity);
    // The same for a connection made beforehand, off the caller's thread (NetworkOpening).
    bool OpenConnected(NetworkLink::Connected connected);
    void Close();
    // Sends the bytes under the write lock and returns when they are all taken (true), or the
    // port is closed, gone or took no data for kWriteTries waits of kWriteWait (false). The
    // bytes are not handed over before the line has carried the frame written before them, so
    // that the device never holds more than one frame: a send never goes out faster than the
    // line carries it. A port across the network through a raw bridge, whose line is the
    // bridge's own, is not paced.
    bool Write(const std::uint8_t* data, unsigned length);
    // Hands a frame to the writer thread, which sends the queued frames whole and in order with
    // Write, and returns at once. False when the port is closed or kWriteQueueLimit frames
    // wait. Close discards what is queued. A frame that finds the line free and nothing before
    // it is handed to the device on the calling thread if the device takes it without a wait,
    // and frameWritten is told there before this returns.
    bool queueWrite(std::span<const std::uint8_t> frame);
    // The frames that wait for the writer, not counting the one it is sending.
    std::size_t queuedFrames() const;
    // When the last byte of the most recent frame was taken by the device; thread-safe.
    std::chrono::steady_clock::time_point lastWriteDone() const;
    // When the line has carried the last byte of that frame.
    std::chrono::steady_clock::time_point lastOnWire() const;
    bool StartReader();
    bool StopReader();

    bool isOpen() const;
    // How the line of the port opened last is set: by this tool (a tty or an RFC 2217
    // server), or, for a raw TCP bridge, by the bridge itself.
    enum class LineControl { kLocal, kNetwork, kBridge };
    LineControl lineControl() const { return m_lineControl; }
    // Why a port that was open is gone, in plain words: "the device hung up", or "the
    // connection closed" for a port across the network.
    std::string lostReason() const;
    // False once the reader has ended, by StopReader or because the device hung up.
    bool isReading() const;
    // Why the last Open failed, in plain words for the user; empty after a success.
    std::string lastError() const;

    virtual void OnReceiveByte(unsigned char byte) = 0;

    // The reader sleeps at most this long for the rest of a frame before it reads again, until
    // the line has shown that its bytes come no faster than its baud rate carries them.
    static constexpr std::chrono::milliseconds kRestWaitLimit{50};

  protected:
    // The fewest bytes the frame now arriving still needs. The reader sleeps through their line
    // time rather than waking for each byte the line hands on, so a slow line costs a few
    // wake-ups a frame; the frame's last byte is still read as it arrives. 0: read the next
    // byte as it comes.
    virtual std::size_t bytesToCome() { return 0; }
    // True where the bytes handed on are cut into blocks by silence: the reader never sleeps
    // through a frame's rest longer than kRestWaitLimit then, lest its sleep pass for the
    // silence that ends a block.
    virtual bool cutsBySilence() { return false; }
    // When the bytes held go stale unless another comes first: the reader then calls
    // onSilence, so a frame begun and never ended lets go of what follows it with no help from
    // the owner's thread. Nothing: only a byte, a hang-up or the stop wakes the reader.
    virtual std::optional<std::chrono::steady_clock::time_point> silenceDue() {
        return std::nullopt;
    }
    virtual void onSilence() {}

    void ReaderThread();
    void WriterThread();

  private:
    enum class ReadResult { kDelivered, kNothing, kHungUp };
    enum class WriteResult { kSent, kGivenUp, kFailed };
    enum class WaitResult { kWritable, kTimedOut, kStopped };
    ReadResult readPass(int device, std::size_t& delivered);
    bool sleepThroughRest(bool paced, std::optional<std::chrono::steady_clock::time_point>& slept);
    // alreadySent: the bytes of the frame the device took before, on the caller's thread.
    WriteResult writeFrame(std::span<const std::uint8_t> frame, std::size_t alreadySent = 0);
    std::size_t writeNow(std::span<const std::uint8_t> frame);
    void handedOver(std::span<const std::uint8_t> frame);
    WaitResult waitWritable(int device) const;
    WaitResult waitForLine() const;
    void forgetHandedOver();
    void reportFlushed(std::optional<int> queued, std::size_t ownBytes);
    ssize_t sendSome(int fd, const std::uint8_t* data, std::size_t length) const;
    bool startWriter();
    void stopWriter();
    bool failOpen(std::string error);
    bool openDevice(ports::OpenedDevice device, int baud, int parity);
    bool startThreads();
    std::optional<proto::LineSettings> settingsFor(int baud, int parity);

    files::FileDescriptor m_device;
    std::unique_ptr<NetworkLink> m_network;  // what carries m_device's bytes, for a remote port
    LineControl m_lineControl = LineControl::kLocal;
    files::FileDescriptor m_stopEvent;
    std::thread m_reader;
    std::atomic<bool> m_reading = false;
    std::mutex m_writeLock;
    files::FileDescriptor m_writeStop;  // readable once Close wants a waiting write to end
    std::thread m_writer;
    mutable std::mutex m_queueLock;
    std::condition_variable m_queueChanged;
    struct QueuedFrame {
        std::vector<std::uint8_t> bytes;
        std::size_t sent = 0;  // taken by the device before it was queued
    };
    std::deque<QueuedFrame> m_queue;
    bool m_writing = false;  // the writer holds a frame it took from the queue
    bool m_writerStopping = false;
    std::atomic<std::chrono::steady_clock::time_point> m_lastWriteDone{};
    std::atomic<std::chrono::steady_clock::time_point> m_lastOnWire{};
    proto::LineClock m_line;  // guarded by m_writeLock
    // The same line, for the reader thread alone: set before it starts.
    proto::LineClock m_readLine;
    // Frames handed to the device whole since its output queue was last known empty (where
    // the driver can say) or the port opened or was last flushed, as far back as the queue
    // can hold: a flush throws away those still in it. Guarded by m_writeLock.
    serial::HandedOverFrames m_handedOver{kMostBytesQueued};
    const PortEvents m_events;
    std::string m_lastError;
};

}  // namespace serial
