#include "Settings.h"

#include <cstdio>

#include "SetupNames.h"

namespace {

template <typename Table>
Json listEntry(const Table& table, std::size_t code) {
    if (code >= table.size()) return nullptr;
    return table[code];
}

// Each setting's JSON value; null for a code outside its list.
std::array<Json, kSettingKeys.size()> settingValues(const proto::Setup& setup) {
    const bool powerListed = setup.powerCode >= 1 && setup.powerCode <= proto::kPowerLevels;
    const bool lifeListed = setup.lifeCycleCode < proto::kLifeCycles;
    return {proto::mhzFromFrequencyRegister(setup.frequencyRegister),
            powerListed ? Json(setup.powerCode) : Json(nullptr),
            lifeListed ? Json(proto::lifeCycleName(setup.lifeCycleCode)) : Json(nullptr),
            setup.networkId,
            setup.nodeId,
            listEntry(proto::kUartBaudRates, setup.uartRateCode),
            listEntry(proto::kParityNames, setup.parityCode)};
}

// The module's code of each setting that has one.
std::array<std::optional<int>, kSettingKeys.size()> settingCodes(const proto::Setup& setup) {
    return {std::nullopt, setup.powerCode,    setup.lifeCycleCode, std::nullopt,
            std::nullopt, setup.uartRateCode, setup.parityCode};
}

}  // namespace

Json settingsJson(const proto::Setup& setup) {
    const auto values = settingValues(setup);
    Json json = Json::object();
    for (std::size_t i = 0; i < kSettingKeys.size(); ++i)
        json[std::string(kSettingKeys[i])] = values[i];
    return json;
}

std::string settingsText(const proto::Setup& setup) {
    std::string text;
    const Json settings = settingsJson(setup);
    for (const auto& [key, value] : settings.items()) {
        text += key + "=";
        if (key == "frequency") {
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
    const auto values = settingValues(setup);
    const auto codes = settingCodes(setup);
    std::vector<std::string> unlisted;
    for (std::size_t i = 0; i < kSettingKeys.size(); ++i)
        if (values[i].is_null())
            unlisted.push_back(std::string(kSettingKeys[i]) + " code " + std::to_string(*codes[i]));
    return unlisted;
}
