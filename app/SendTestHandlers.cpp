// The data send test: Send data, continuous sending, the relay controls, and the send
// status and receive notice replies.

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QTextEdit>

#include "CMeshcfgDlg.h"
#include "Dispatch.h"
#include "QZSerial.h"
#include "QtText.h"
#include "SendData.h"
#include "SendNames.h"

using namespace res;

namespace {

constexpr int kIntervalTicks[] = {10, 20, 30, 50, 80, 100};  // "1000ms" ... "10000ms"
constexpr int kDefaultIntervalTicks = 10;

int intervalTicks(int selection) {
    return selection >= 0 && selection < static_cast<int>(std::size(kIntervalTicks))
               ? kIntervalTicks[selection]
               : kDefaultIntervalTicks;
}

}  // namespace

void CMeshcfgDlg::SendAppData() {
    proto::SendDataFields fields;
    fields.targetIdText = item<QLineEdit>(kIdTargetId)->text().toStdString();
    fields.ackRequest = item<QCheckBox>(kIdAckRequest)->isChecked();
    fields.jumpIndex = item<QComboBox>(kIdJump)->currentIndex();
    fields.routeModeIndex = item<QComboBox>(kIdRouteMode)->currentIndex();
    fields.relayingIndex = item<QComboBox>(kIdRelaying)->currentIndex();
    for (int i = 0; i < kRelayFieldCount; ++i)
        fields.relayTexts[i] = item<QLineEdit>(kIdRelayFirst + i)->text().toStdString();
    fields.dataText = item<QTextEdit>(kIdData)->toPlainText().toStdString();

    const proto::SendDataResult result = proto::buildSendData(fields);
    switch (result.outcome) {
        case proto::SendDataResult::Outcome::Built:
            sendRequest(result.frame, proto::kDescSendData);
            if (m_linkTest) m_linkTest->countSend();
            return;
        case proto::SendDataResult::Outcome::EmptyData:
            stopContinuous();
            return;
        case proto::SendDataResult::Outcome::TooLong:
            // Nothing of it is sent: a cut request would carry other data than the user typed.
            SetLogColor(kSentFrameColor);
            AppendLog(tr("> Data too long: at most %1 bytes can be sent.").arg(result.maxData) +
                      timestampSuffix());
            stopContinuous();
            return;
    }
}

int CMeshcfgDlg::sendInterval() const {
    return intervalTicks(item<QComboBox>(kIdInterval)->currentIndex());
}

// The Continuous box says whether continuous sending runs; the counter only counts its ticks.
int CMeshcfgDlg::sendCounter() const {
    return item<QCheckBox>(kIdContinuous)->isChecked() ? m_nSendCounter : -1;
}

void CMeshcfgDlg::OnContinuous() {
    if (item<QCheckBox>(kIdContinuous)->isChecked()) {
        m_nSendCounter = 0;
        m_linkTest.emplace();
        setCommandButtonsEnabled(false);
        wakeTimer();
    } else {
        stopContinuous();
    }
}

// The command buttons come back only with an open port: a closed one keeps them disabled.
// Ending a run also ends its link test, whose figures go to the log.
void CMeshcfgDlg::stopContinuous() {
    item<QCheckBox>(kIdContinuous)->setChecked(false);
    setCommandButtonsEnabled(m_pSerial && m_pSerial->isOpen());
    if (!m_linkTest) return;
    const std::string summary = m_linkTest->finish().summary();
    m_linkTest.reset();
    item<QCheckBox>(kIdContinuous)->setToolTip(QString());
    SetLogColor(kReceivedFrameColor);
    AppendLog("> " + QString::fromStdString(summary) + timestampSuffix());
}

void CMeshcfgDlg::showLinkTest() {
    item<QCheckBox>(kIdContinuous)
        ->setToolTip(QString::fromStdString(m_linkTest->statistics().summary()));
}

void CMeshcfgDlg::continuousStep() {
    if (!item<QCheckBox>(kIdContinuous)->isChecked()) return;
    if (m_linkTest && m_linkTest->displayDue()) showLinkTest();
    if (!m_pSerial || !m_pSerial->isOpen()) return;
    const int old = m_nSendCounter;
    m_nSendCounter = old + 1;
    if (old >= sendInterval()) {
        m_nSendCounter = 0;
        SendAppData();
    }
}

void CMeshcfgDlg::OnRouteModeChange() {
    if (item<QComboBox>(kIdRouteMode)->currentIndex() == proto::kRouteModeSource) {
        m_controls.find(kIdRelaying)->setEnabled(true);
        return;
    }
    m_controls.find(kIdRelaying)->setEnabled(false);
    for (int i = 0; i < kRelayFieldCount; ++i)
        m_controls.find(kIdRelayFirst + i)->setEnabled(false);
}

void CMeshcfgDlg::OnRelayingChange() {
    const int relays = item<QComboBox>(kIdRelaying)->currentIndex();
    for (int i = 0; i < kRelayFieldCount; ++i)
        m_controls.find(kIdRelayFirst + i)->setEnabled(i < relays);
}

// The round trip runs from the request's last byte written to the confirmation's last byte
// received; the silence that cut the block is not part of it.
void CMeshcfgDlg::OnSendStatus(std::span<const std::uint8_t> block,
                               std::chrono::steady_clock::time_point arrived) {
    if (!proto::fieldsPresent(block, proto::kSendStatusOffset, 1)) return;
    const std::uint8_t status = block[proto::kSendStatusOffset];
    const std::string_view text = proto::statusText(status);
    AppendLog((text.empty() ? QString() : "> " + qtext(text)) + timestampSuffix());
    if (m_linkTest && m_pSerial)
        m_linkTest->countConfirmation(status, arrived - m_pSerial->lastWriteDone());
}

void CMeshcfgDlg::OnReceiveNotice() {
    AppendLog(qtext(proto::kReceivedOk) + timestampSuffix());
}
