#pragma once

#include <functional>

#include "CXSerial.h"
#include "ReceiveBuffer.h"

class QZSerial : public CXSerial {
  public:
    ~QZSerial() override;
    void OnReceiveByte(unsigned char byte) override;
    ReceiveBuffer& receiveBuffer() { return m_receive; }

    // Called on the reader thread when a byte starts a pending block, so that a window that
    // sleeps while nothing is pending starts ticking again. Set it before the first Open.
    void setPendingHandler(std::function<void()> handler) { m_pendingHandler = std::move(handler); }

  private:
    ReceiveBuffer m_receive;
    std::function<void()> m_pendingHandler;
};
