#pragma once

#include <functional>

#include "CXSerial.h"
#include "ReceiveBuffer.h"

namespace serial {

class QZSerial : public CXSerial {
  public:
    // blockPending is called on the reader thread when a byte starts a pending block, so that a
    // window that sleeps while nothing is pending starts ticking again.
    explicit QZSerial(PortEvents events = {}, std::function<void()> blockPending = {});
    ~QZSerial() override;
    void OnReceiveByte(unsigned char byte) override;
    ReceiveBuffer& receiveBuffer() { return m_receive; }

  protected:
    bool cutsBySilence() override { return true; }

  private:
    ReceiveBuffer m_receive;
    const std::function<void()> m_blockPending;
};

}  // namespace serial
