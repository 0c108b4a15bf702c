#pragma once
// The serial baseline: the least a reader can do on a tty. One thread sleeps in poll() on the
// device and a stop eventfd and reads whatever the line discipline holds, up to its 4096-byte
// buffer, into a ByteCounter; no FIONREAD, no per-byte call.

#include <thread>

#include "ByteCounter.h"
#include "FileDescriptor.h"

class BareReader {
  public:
    BareReader(int device, ByteCounter& counter);
    ~BareReader();
    BareReader(const BareReader&) = delete;
    BareReader& operator=(const BareReader&) = delete;

  private:
    void run();

    int m_device;
    ByteCounter& m_counter;
    files::FileDescriptor m_stop;
    std::thread m_thread;
};
