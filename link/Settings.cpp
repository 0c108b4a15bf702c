#include "Settings.h"

#include <cstdio>

#include "SetupNames.h"

namespace modlink {

namespace {

template <typename Table>
Json listEntry(const Table& table, std::size_t code) {
    if (code >= table.size()) return nullptr;
    return table[code];
}

}  // namespace

Json settingJson(const proto::Setup& setup, proto::SetupKey key) {
    switch (key) {
        case proto::SetupKey::kFrequency:
            return proto::mhzFromFrequencyRegister(setup.frequencyRegister);
        case proto::SetupKey::kPower:
            return setup.powerCode >= 1 && setup.powerCode <= proto::kPowerLevels
                       ? Json(setup.powerCode)
                       : Json(nullptr);
        case proto::SetupKey::kLifeCycle:
            return setup.lifeCycleCode < proto::kLifeCycles
                       ? Json(proto::lifeCycleName(setup.lifeCycleCode))
                       : Json(nullptr);
        case proto::SetupKey::kNetworkId:
            return setup.networkId;
        case proto::SetupKey::kNodeId:
            return setup.nodeId;
        case proto::SetupKey::kUartRate:
            return listEntry(proto::kUartBaudRates, setup.uartRateCode);
        case proto::SetupKey::kParity:
            break;
    }
    return listEntry(proto::kParityNames, setup.parityCode);
}

Json settingsJson(const proto::Setup& setup) {
    Json json = Json::object();
    for (const proto::SetupKeyNames& names : proto::kSetupKeys)
        json[std::string(names.name)] = settingJson(setup, names.key);
    return json;
}

std::string settingsText(const proto::Setup& setup) {
    std::string text;
    const Json settings = settingsJson(setup);
    for (const auto& [key, value] : settings.items()) {
        text += key + "=";
        if (key == proto::setupKey(proto::SetupKey::kFrequency).name) {
            char mhz[32];
            std::snprintf(mhz, sizeof mhz, "%.2f", value.get<double>());
            text += mhz;
        } else if (value.is_null()) {
            text += "unknown";
        } else {
            text += value.is_string() ? value.get<std::string>() : value.dump();
        }
        text += "\n";
    }
    return text;
}

std::vector<std::string> differingSettings(const proto::Setup& expected,
                                           const proto::Setup& actual) {
    const Json want = settingsJson(expected);
    const Json got = settingsJson(actual);
    std::vector<std::string> keys;
    for (const auto& [key, value] : want.items()) {
        if (got[key] != value) keys.push_back(key);
    }
    return keys;
}

std::vector<std::string> unlistedCodes(const proto::Setup& setup) {
    // Only the settings held as codes can be unlisted; each field is its code then.
    std::vector<std::string> unlisted;
    proto::forEachSetupField(setup, [&](const proto::SetupKeyNames& names, auto code) {
        if (settingJson(setup, names.key).is_null())
            unlisted.push_back(std::string(names.name) + " code " + std::to_string(code));
    });
    return unlisted;
}

}  // namespace modlink
