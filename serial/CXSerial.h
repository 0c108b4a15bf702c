#pragma once
// The serial port object: owns the device, the reader thread and the write lock, and hands
// every received byte, in order, to OnReceiveByte on the reader thread.

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "FileDescriptor.h"

class CXSerial {
  public:
    CXSerial();
    // A derived class must Close() in its own destructor: the reader calls OnReceiveByte
    // until it is stopped, and by the time this destructor runs the override is gone.
    virtual ~CXSerial();
    CXSerial(const CXSerial&) = delete;
    CXSerial& operator=(const CXSerial&) = delete;

    // True if COM port n resolves to a tty that can be opened and locked now.
    static bool ProbePort(int port);

    bool Open(int port, int baud, int parity);  // parity: 0 none, 1 odd, 2 even
    void Close();
    bool Write(const std::uint8_t* data, unsigned length);
    bool StartReader();
    bool StopReader();

    bool isOpen() const;
    // False once the reader has ended, by StopReader or because the device hung up.
    bool isReading() const;
    // Why the last Open failed, in plain words for the user; empty after a success.
    std::string lastError() const;

    // Called on the reader thread when the device hangs up (adapter unplugged, peer gone);
    // the reader has ended by then. The owner must hand it over to its own thread, and must
    // not wait there for that thread: Close joins the reader.
    void setHangupHandler(std::function<void()> handler);

    virtual void OnReceiveByte(unsigned char byte) = 0;

  protected:
    void ReaderThread();

  private:
    enum class ReadResult { kDelivered, kNothing, kHungUp };
    ReadResult readPass(int device);
    void notifyHangup();
    bool failOpen(std::string error);

    FileDescriptor m_device;
    FileDescriptor m_stopEvent;
    std::thread m_reader;
    std::atomic<bool> m_reading = false;
    std::mutex m_writeLock;
    std::mutex m_hangupLock;
    std::function<void()> m_onHangup;
    std::string m_lastError;
};
