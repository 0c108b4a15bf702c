#include "ControlForms.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QTextEdit>

#include "NumberText.h"
#include "PortList.h"
#include "ResourceIds.h"
#include "Ticks.h"

namespace app {

using namespace res;

namespace {

std::string textOf(const widgets::DialogControls& controls, int id) {
    return controls.get<QLineEdit>(id)->text().toStdString();
}

int indexOf(const widgets::DialogControls& controls, int id) {
    return controls.get<QComboBox>(id)->currentIndex();
}

// An index outside the list leaves it with no selection.
void selectIndex(const widgets::DialogControls& controls, int id, int index) {
    auto* list = controls.get<QComboBox>(id);
    list->setCurrentIndex(index >= 0 && index < list->count() ? index : -1);
}

struct StartText {
    int id;
    const char* text;
};
constexpr StartText kStartTexts[] = {
    {kIdFrequency, "434"}, {kIdNetworkId, "1"}, {kIdNodeId, "1"}, {kIdTargetId, "1"}};

struct StartIndex {
    int id;
    int index;
};
constexpr StartIndex kStartIndexes[] = {
    {kIdPortBaud, 3}, {kIdPortParity, 0}, {kIdRelaying, 0},  {kIdPower, 6}, {kIdLifeCycle, 0},
    {kIdUartBaud, 3}, {kIdUartParity, 0}, {kIdRouteMode, 1}, {kIdJump, 6},  {kIdInterval, 0}};

}  // namespace

std::optional<engine::PortSettings> readPort(const widgets::DialogControls& controls) {
    const std::optional<int> port = port_list::selectedPort(*controls.get<QComboBox>(kIdPortList));
    const auto* baudList = controls.get<QComboBox>(kIdPortBaud);
    const std::optional<proto::Parity> parity =
        proto::parityFromCode(indexOf(controls, kIdPortParity));
    if (!port || baudList->currentIndex() < 0 || !parity) return std::nullopt;
    const QString baud = baudList->itemText(baudList->currentIndex());
    return engine::PortSettings{
        .port = *port, .baud = forms::readDecimal(baud.toStdString()), .parity = *parity};
}

void showPort(const widgets::DialogControls& controls, const engine::PortSettings& settings) {
    port_list::select(*controls.get<QComboBox>(kIdPortList), settings.port);
    auto* baudList = controls.get<QComboBox>(kIdPortBaud);
    baudList->setCurrentIndex(baudList->findText(QString::number(settings.baud)));
    controls.get<QComboBox>(kIdPortParity)->setCurrentIndex(proto::parityCodeOf(settings.parity));
}

forms::SetupFields readSetup(const widgets::DialogControls& controls) {
    forms::SetupFields fields;
    fields.frequencyText = textOf(controls, kIdFrequency);
    fields.powerIndex = indexOf(controls, kIdPower);
    fields.lifeCycleIndex = indexOf(controls, kIdLifeCycle);
    fields.networkIdText = textOf(controls, kIdNetworkId);
    fields.nodeIdText = textOf(controls, kIdNodeId);
    fields.baudIndex = indexOf(controls, kIdUartBaud);
    fields.parityIndex = indexOf(controls, kIdUartParity);
    return fields;
}

void showSetup(const widgets::DialogControls& controls, const forms::SetupFields& values) {
    controls.get<QLineEdit>(kIdFrequency)->setText(QString::fromStdString(values.frequencyText));
    selectIndex(controls, kIdPower, values.powerIndex);
    selectIndex(controls, kIdLifeCycle, values.lifeCycleIndex);
    controls.get<QLineEdit>(kIdNetworkId)->setText(QString::fromStdString(values.networkIdText));
    controls.get<QLineEdit>(kIdNodeId)->setText(QString::fromStdString(values.nodeIdText));
    selectIndex(controls, kIdUartBaud, values.baudIndex);
    selectIndex(controls, kIdUartParity, values.parityIndex);
}

forms::SendDataFields readSendData(const widgets::DialogControls& controls) {
    forms::SendDataFields fields;
    fields.targetIdText = textOf(controls, kIdTargetId);
    fields.ackRequest = controls.get<QCheckBox>(kIdAckRequest)->isChecked();
    fields.jumpIndex = indexOf(controls, kIdJump);
    fields.routeModeIndex = indexOf(controls, kIdRouteMode);
    fields.relayingIndex = indexOf(controls, kIdRelaying);
    for (int i = 0; i < kRelayFieldCount; ++i)
        fields.relayTexts[i] = textOf(controls, kIdRelayFirst + i);
    fields.dataText = controls.get<QTextEdit>(kIdData)->toPlainText().toStdString();
    return fields;
}

void setStartValues(const widgets::DialogControls& controls) {
    for (const StartText& start : kStartTexts)
        controls.get<QLineEdit>(start.id)->setText(QString::fromLatin1(start.text));
    for (const StartIndex& start : kStartIndexes)
        controls.get<QComboBox>(start.id)->setCurrentIndex(start.index);
}

int readIntervalTicks(const widgets::DialogControls& controls) {
    const int selection = indexOf(controls, kIdInterval);
    const bool listed = selection >= 0 && selection < int(proto::kSendIntervals.size());
    return int(proto::kSendIntervals[listed ? selection : 0] / proto::kTickPeriod);
}

void followRouteMode(const widgets::DialogControls& controls) {
    if (indexOf(controls, kIdRouteMode) == proto::kRouteModeSource) {
        controls.find(kIdRelaying)->setEnabled(true);
        return;
    }
    controls.find(kIdRelaying)->setEnabled(false);
    for (int i = 0; i < kRelayFieldCount; ++i) controls.find(kIdRelayFirst + i)->setEnabled(false);
}

void followRelaying(const widgets::DialogControls& controls) {
    const int relays = indexOf(controls, kIdRelaying);
    for (int i = 0; i < kRelayFieldCount; ++i)
        controls.find(kIdRelayFirst + i)->setEnabled(i < relays);
}

}  // namespace app
