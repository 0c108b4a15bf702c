#include "QZSerial.h"

// The reader must be stopped while the buffer it appends to still exists.
QZSerial::~QZSerial() {
    Close();
}

void QZSerial::OnReceiveByte(unsigned char byte) {
    if (m_receive.append(byte) && m_pendingHandler) m_pendingHandler();
}
