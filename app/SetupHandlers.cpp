// Module configuration: the Write and Read buttons and the two setup replies.

#include <QComboBox>
#include <QLineEdit>

#include "CMeshcfgDlg.h"
#include "QtText.h"
#include "Setup.h"

using namespace res;

namespace {

constexpr std::string_view kWriteSuccessful = "> Write successful.";
constexpr std::string_view kReadSuccessful = "> Read successful.";

// An index outside the list leaves it with no selection.
void selectIndex(QComboBox* list, int index) {
    list->setCurrentIndex(index >= 0 && index < list->count() ? index : -1);
}

}  // namespace

void CMeshcfgDlg::OnWrite() {
    proto::SetupFields fields;
    fields.frequencyText = item<QLineEdit>(kIdFrequency)->text().toStdString();
    fields.powerIndex = item<QComboBox>(kIdPower)->currentIndex();
    fields.lifeCycleIndex = item<QComboBox>(kIdLifeCycle)->currentIndex();
    fields.networkIdText = item<QLineEdit>(kIdNetworkId)->text().toStdString();
    fields.nodeIdText = item<QLineEdit>(kIdNodeId)->text().toStdString();
    fields.baudIndex = item<QComboBox>(kIdUartBaud)->currentIndex();
    fields.parityIndex = item<QComboBox>(kIdUartParity)->currentIndex();
    sendRequest(proto::buildWriteSetup(fields), proto::kDescWriteSetup);
}

void CMeshcfgDlg::OnRead() {
    sendRequest(proto::buildReadSetup(), proto::kDescReadSetup);
}

void CMeshcfgDlg::OnSetupWritten() {
    AppendLog(qtext(kWriteSuccessful) + timestampSuffix());
}

void CMeshcfgDlg::OnSetupReply(std::span<const std::uint8_t> block) {
    const std::optional<proto::SetupValues> values = proto::decodeSetupReply(block);
    if (!values) return;
    item<QLineEdit>(kIdFrequency)->setText(QString::fromStdString(values->frequencyText));
    selectIndex(item<QComboBox>(kIdPower), values->powerIndex);
    selectIndex(item<QComboBox>(kIdLifeCycle), values->lifeCycleIndex);
    item<QLineEdit>(kIdNetworkId)->setText(QString::fromStdString(values->networkIdText));
    item<QLineEdit>(kIdNodeId)->setText(QString::fromStdString(values->nodeIdText));
    selectIndex(item<QComboBox>(kIdUartBaud), values->baudIndex);
    selectIndex(item<QComboBox>(kIdUartParity), values->parityIndex);
    AppendLog(qtext(kReadSuccessful) + timestampSuffix());
}
