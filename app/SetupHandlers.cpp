// Module configuration: the Write and Read buttons and the setup reply.

#include <QComboBox>
#include <QLineEdit>

#include "CMeshcfgDlg.h"
#include "QtText.h"
#include "ControlTexts.h"

using namespace res;

namespace {

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
    m_engine.send(proto::WriteSetupRequest{proto::setupOf(fields)});
}

void CMeshcfgDlg::OnRead() {
    m_engine.send(proto::ReadSetupRequest{});
}

void CMeshcfgDlg::OnSetupReply(const proto::Setup& setup) {
    const proto::SetupFields values = proto::setupFieldsOf(setup);
    item<QLineEdit>(kIdFrequency)->setText(QString::fromStdString(values.frequencyText));
    selectIndex(item<QComboBox>(kIdPower), values.powerIndex);
    selectIndex(item<QComboBox>(kIdLifeCycle), values.lifeCycleIndex);
    item<QLineEdit>(kIdNetworkId)->setText(QString::fromStdString(values.networkIdText));
    item<QLineEdit>(kIdNodeId)->setText(QString::fromStdString(values.nodeIdText));
    selectIndex(item<QComboBox>(kIdUartBaud), values.baudIndex);
    selectIndex(item<QComboBox>(kIdUartParity), values.parityIndex);
    logLine(LogSide::Received, qtext(kReadSuccessful));
}
