#include "UnitNames.h"

namespace station {

UnitNames::Claim UnitNames::claim(const std::string& port, const std::string& serial) {
    const std::lock_guard lock(m_lock);
    if (serial.empty() || !m_serials.insert(serial).second) return Claim(*this, {port, false});
    return Claim(*this, {serial, true});
}

UnitNames::Claim::~Claim() {
    if (!m_name.namesModule) return;
    const std::lock_guard lock(m_names.m_lock);
    m_names.m_serials.erase(m_name.text);
}

}  // namespace station
