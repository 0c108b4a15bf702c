#include "QZSerial.h"

namespace serial {

QZSerial::QZSerial(PortEvents events, std::function<void()> blockPending)
    : CXSerial(std::move(events)), m_blockPending(std::move(blockPending)) {}

// The reader must be stopped while the buffer it appends to still exists.
QZSerial::~QZSerial() {
    Close();
}

void QZSerial::OnReceiveByte(unsigned char byte) {
    if (m_receive.append(byte) && m_blockPending) m_blockPending();
}

}  // namespace serial
