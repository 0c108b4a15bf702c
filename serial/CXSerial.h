#pragma once
// The serial port object: owns the device, the reader thread, the writer thread with its queue
// and the write lock, and hands every received byte, in order, to OnReceiveByte on the reader
// thread.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "FileDescriptor.h"
#include "PortDevice.h"

// What the port object tells its owner from its own threads. The owner hands each one over to
// its own thread and must not wait there for the port's threads: Close joins them.
struct PortEvents {
    std::function<void()> hungUp = {};  // the device hung up (adapter unplugged, peer gone)
    // The writer gave a queued frame up: the port took no data for kWriteTries waits of kWriteWait.
    std::function<void()> frameGivenUp = {};
};

// One entry of the port list.
struct ListedPort {
    int port = 0;
    PortAvailability availability = PortAvailability::kFree;
    std::string text() const;  // as the list shows it
};

class CXSerial {
  public:
    explicit CXSerial(PortEvents events = {});
    static constexpr std::size_t kWriteQueueLimit = 64;
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
    static PortAvailability availability(int port);
    // The ports the port list shows, in order: those free now and those the user may not open.
    static std::vector<ListedPort> ListedPorts();

    bool Open(int port, int baud, int parity);  // parity: 0 none, 1 odd, 2 even
    // The same for a device named by its path rather than by a COM number.
    bool OpenPath(const std::string& path, int baud, int parity);
    void Close();
    // Sends the bytes under the write lock and returns when they are all taken (true), or the
    // port is closed, gone or took no data for kWriteTries waits of kWriteWait (false).
    bool Write(const std::uint8_t* data, unsigned length);
    // Hands a frame to the writer thread, which sends the queued frames whole and in order with
    // Write, and returns at once. False when the port is closed or kWriteQueueLimit frames
    // wait. Close discards what is queued.
    bool queueWrite(std::span<const std::uint8_t> frame);
    // The frames that wait for the writer, not counting the one it is sending.
    std::size_t queuedFrames() const;
    // When the last byte of the most recent frame was taken by the device; thread-safe.
    std::chrono::steady_clock::time_point lastWriteDone() const;
    bool StartReader();
    bool StopReader();

    bool isOpen() const;
    // False once the reader has ended, by StopReader or because the device hung up.
    bool isReading() const;
    // Why the last Open failed, in plain words for the user; empty after a success.
    std::string lastError() const;

    virtual void OnReceiveByte(unsigned char byte) = 0;

  protected:
    void ReaderThread();
    void WriterThread();

  private:
    enum class ReadResult { kDelivered, kNothing, kHungUp };
    enum class WriteResult { kSent, kGivenUp, kFailed };
    enum class WaitResult { kWritable, kTimedOut, kStopped };
    ReadResult readPass(int device);
    WriteResult writeFrame(std::span<const std::uint8_t> frame);
    WaitResult waitWritable(int device) const;
    bool startWriter();
    void stopWriter();
    bool failOpen(std::string error);
    bool openDevice(OpenedDevice device, int baud, int parity);

    FileDescriptor m_device;
    FileDescriptor m_stopEvent;
    std::thread m_reader;
    std::atomic<bool> m_reading = false;
    std::mutex m_writeLock;
    FileDescriptor m_writeStop;  // readable once Close wants a waiting write to end
    std::thread m_writer;
    mutable std::mutex m_queueLock;
    std::condition_variable m_queueChanged;
    std::deque<std::vector<std::uint8_t>> m_queue;
    bool m_writerStopping = false;
    std::atomic<std::chrono::steady_clock::time_point> m_lastWriteDone{};
    const PortEvents m_events;
    std::string m_lastError;
};
