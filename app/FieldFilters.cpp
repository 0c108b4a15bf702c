#include "FieldFilters.h"

namespace app {

using namespace res;

namespace {

constexpr int kFrequencyLimit = 3;
constexpr int kIdLimit = 4;
constexpr int kIdFields[] = {kIdNetworkId, kIdNodeId, kIdTargetId};

}  // namespace

void FieldFilters::bind(const widgets::DialogControls& controls) {
    for (std::size_t i = 0; i < std::size(kIdFields); ++i) {
        QWidget* field = controls.find(kIdFields[i]);
        m_idTyping[i].setDigitsOnly(true);
        m_idTyping[i].setTextLimit(kIdLimit);
        m_idTyping[i].bind(field);
        m_editIds[i].bind(field);  // bound last so it sees the keys first
    }
    for (int i = 0; i < kRelayFieldCount; ++i) {
        QWidget* field = controls.find(kIdRelayFirst + i);
        m_relayTyping[i].setTextLimit(kIdLimit);
        m_relayTyping[i].bind(field);
        m_editRelays[i].bind(field);
    }
    m_editData.bind(controls.find(kIdData));
    m_frequencyTyping.setDigitsOnly(true);
    m_frequencyTyping.setTextLimit(kFrequencyLimit);
    m_frequencyTyping.bind(controls.find(kIdFrequency));
}

}  // namespace app
