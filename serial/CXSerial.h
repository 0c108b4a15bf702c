#pragma once
// The serial port object: owns the device, the reader thread and the write lock, and hands
// every received byte, in order, to OnReceiveByte on the reader thread.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "FileDescriptor.h"
#include "PortDevice.h"

// What the port object tells its owner from its own threads. The owner hands each one over to
// its own thread and must not wait there for the port's threads: Close joins them.
struct PortEvents {
    std::function<void()> hungUp;  // the device hung up (adapter unplugged, peer gone)
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
    bool Write(const std::uint8_t* data, unsigned length);
    bool StartReader();
    bool StopReader();

    bool isOpen() const;
    // When the last successful Write had handed its last byte to the device; the clock's
    // epoch before the first.
    std::chrono::steady_clock::time_point lastWriteDone() const { return m_lastWriteDone; }
    // False once the reader has ended, by StopReader or because the device hung up.
    bool isReading() const;
    // Why the last Open failed, in plain words for the user; empty after a success.
    std::string lastError() const;

    virtual void OnReceiveByte(unsigned char byte) = 0;

  protected:
    void ReaderThread();

  private:
    enum class ReadResult { kDelivered, kNothing, kHungUp };
    ReadResult readPass(int device);
    bool failOpen(std::string error);
    bool openDevice(OpenedDevice device, int baud, int parity);

    FileDescriptor m_device;
    FileDescriptor m_stopEvent;
    std::thread m_reader;
    std::atomic<bool> m_reading = false;
    std::atomic<std::chrono::steady_clock::time_point> m_lastWriteDone{};
    std::mutex m_writeLock;
    const PortEvents m_events;
    std::string m_lastError;
};
