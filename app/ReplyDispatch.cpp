// The road of every request out and every reply in: the one send routine, the receive step
// of the timer, the block handler and the dispatcher.

#include <QCoreApplication>

#include "CMeshcfgDlg.h"
#include "Dispatch.h"
#include "QZSerial.h"
#include "QtText.h"
#include "RecvBlockEvent.h"

void CMeshcfgDlg::sendRequest(std::span<const std::uint8_t> frame, std::string_view description) {
    SetLogColor(kSentFrameColor);
    AppendLog(QString::fromStdString(proto::hexDump(frame)));
    AppendLog(qtext(description) + timestampSuffix());
    if (m_pSerial && m_pSerial->isOpen() && !m_pSerial->queueWrite(frame))
        logNotSent(tr("%1 requests already wait for the port").arg(QZSerial::kWriteQueueLimit));
}

void CMeshcfgDlg::onFrameGivenUp() {
    logNotSent(tr("the port took no data for 3 s"));
}

void CMeshcfgDlg::onFramesFlushed(const std::vector<std::vector<std::uint8_t>>& frames) {
    for (const std::vector<std::uint8_t>& frame : frames)
        logNotSent(tr("%1, flushed from the port's output").arg(qtext(proto::hexDump(frame))));
}

void CMeshcfgDlg::logNotSent(const QString& reason) {
    SetLogColor(kSentFrameColor);
    AppendLog(tr("> Not sent: %1").arg(reason) + timestampSuffix());
}

void CMeshcfgDlg::receiveStep() {
    if (!m_pSerial) return;
    if (std::optional<ReceivedBlock> block = m_pSerial->receiveBuffer().tick()) {
        RecvBlockEvent message(m_nRecvMsg, std::move(*block));
        QCoreApplication::sendEvent(this, &message);
    }
}

void CMeshcfgDlg::OnRecvBlock(const ReceivedBlock& block) {
    const std::span<const std::uint8_t> bytes(block.bytes);
    SetLogColor(kReceivedFrameColor);
    AppendLog(QString::fromStdString(proto::hexDump(bytes)));
    if (block.dropped > 0) {
        // The block lost its tail, so none of its fields can be trusted.
        AppendLog(tr("> %1 bytes dropped: receive buffer full.").arg(block.dropped));
        return;
    }
    if (const std::uint8_t code = proto::dispatchCode(bytes); code != proto::kNotDispatched)
        dispatchReply(code, block);
}

void CMeshcfgDlg::dispatchReply(std::uint8_t code, const ReceivedBlock& received) {
    const std::span<const std::uint8_t> block(received.bytes);
    switch (code) {
        case proto::kReplySetupWritten:
            OnSetupWritten();
            break;
        case proto::kReplySetup:
            OnSetupReply(block);
            break;
        case proto::kReplyRouteList:
            OnRouteListReply(block);
            break;
        case proto::kReplyPathList:
            OnPathReply(block);
            break;
        case proto::kReplySendStatus:
            OnSendStatus(block, received.lastArrival);
            break;
        case proto::kReplyReceiveNotice:
            OnReceiveNotice();
            break;
        default:
            break;  // 0x84 to 0x87 and unknown codes: the hex dump says it all
    }
}
