#pragma once
// The registered message that hands one receive block from the timer to the reply
// handling, sent synchronously on the window thread. It carries the block itself: the
// receive buffer is already free for the next bytes when the block is handled.

#include <QEvent>

#include "ReceiveBuffer.h"

class RecvBlockEvent : public QEvent {
  public:
    RecvBlockEvent(int type, ReceivedBlock block)
        : QEvent(static_cast<QEvent::Type>(type)), m_block(std::move(block)) {}
    const ReceivedBlock& block() const { return m_block; }

  private:
    ReceivedBlock m_block;
};
