#pragma once

#include "CXSerial.h"
#include "ReceiveBuffer.h"

class QZSerial : public CXSerial {
  public:
    ~QZSerial() override;
    void OnReceiveByte(unsigned char byte) override;
    ReceiveBuffer& receiveBuffer() { return m_receive; }

  private:
    ReceiveBuffer m_receive;
};
