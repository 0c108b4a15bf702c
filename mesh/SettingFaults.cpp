// Faults in what the modules hold: their node ids, and the settings a mesh must share.

#include <array>
#include <cmath>
#include <map>

#include "FaultFinders.h"
#include "Messages.h"
#include "SetupNames.h"

namespace mesh {

namespace {

struct SharedSetting {
    FaultKind kind;
    std::string_view name;
    std::uint32_t (*held)(const proto::Setup&);
    std::optional<std::uint32_t> (*expected)(const SharedSettings&);
    std::string (*text)(std::uint32_t);
};

// Frequencies compare as the window shows them, in hundredths of a MHz: registers a few steps
// apart, as tools that round otherwise write them, are one channel.
std::uint32_t hundredthsOfMhz(std::uint32_t reg) {
    return static_cast<std::uint32_t>(std::lround(proto::mhzFromFrequencyRegister(reg) * 100));
}

std::string frequencyText(std::uint32_t hundredths) {
    const std::string fraction = std::to_string(hundredths % 100);
    return std::to_string(hundredths / 100) + (fraction.size() < 2 ? ".0" : ".") + fraction +
           " MHz";
}

std::string lifeCycleText(std::uint32_t code) {
    if (code < proto::kLifeCycles) return proto::lifeCycleName(static_cast<int>(code));
    return "code " + std::to_string(code);
}

std::string decimalText(std::uint32_t value) {
    return std::to_string(value);
}

template <typename Value>
std::optional<std::uint32_t> widened(const std::optional<Value>& value) {
    if (!value) return std::nullopt;
    return *value;
}

std::optional<std::uint32_t> expectedFrequency(const SharedSettings& expected) {
    if (!expected.frequencyRegister) return std::nullopt;
    return hundredthsOfMhz(*expected.frequencyRegister);
}

constexpr std::array kSharedSettings = {
    SharedSetting{FaultKind::NetworkIdDiffers, "network id",
                  [](const proto::Setup& s) -> std::uint32_t { return s.networkId; },
                  [](const SharedSettings& e) { return widened(e.networkId); }, decimalText},
    SharedSetting{FaultKind::FrequencyDiffers, "frequency",
                  [](const proto::Setup& s) { return hundredthsOfMhz(s.frequencyRegister); },
                  expectedFrequency, frequencyText},
    SharedSetting{FaultKind::LifeCycleDiffers, "life cycle",
                  [](const proto::Setup& s) -> std::uint32_t { return s.lifeCycleCode; },
                  [](const SharedSettings& e) { return widened(e.lifeCycleCode); }, lifeCycleText},
};

// The survey indexes of the modules holding each value.
using Holders = std::map<std::uint32_t, std::vector<std::size_t>>;

Holders holdersOf(const Survey& survey, const SharedSetting& setting) {
    Holders holders;
    for (std::size_t i = 0; i < survey.size(); ++i) {
        const auto* answers = std::get_if<ModuleAnswers>(&survey[i].outcome);
        if (answers && answers->setup) holders[setting.held(*answers->setup)].push_back(i);
    }
    return holders;
}

// Every module holding another value than the one given, each its own fault.
void findOthers(const Survey& survey, const SharedSetting& setting, const Holders& holders,
                std::uint32_t value, const std::string& whose, std::vector<Fault>& faults) {
    for (const auto& [held, indexes] : holders) {
        if (held == value) continue;
        for (const std::size_t index : indexes) {
            Fault fault{setting.kind, moduleName(survey[index]) + " has " +
                                          std::string(setting.name) + " " + setting.text(held) +
                                          ", " + whose + " " + setting.text(value)};
            involve(fault, survey, index);
            faults.push_back(std::move(fault));
        }
    }
}

// No value is held by more modules than every other: one fault naming them all.
void findSplit(const Survey& survey, const SharedSetting& setting, const Holders& holders,
               std::vector<Fault>& faults) {
    Fault fault{setting.kind, "no " + std::string(setting.name) + " is held by most modules:"};
    std::string separator = " ";
    for (const auto& [held, indexes] : holders) {
        std::vector<std::string> names;
        for (const std::size_t index : indexes) {
            names.push_back(moduleName(survey[index]));
            involve(fault, survey, index);
        }
        fault.text += separator + setting.text(held) + " on " + listed(names);
        separator = "; ";
    }
    faults.push_back(std::move(fault));
}

void findSettingFault(const Survey& survey, const SharedSetting& setting,
                      const SharedSettings& expected, std::vector<Fault>& faults) {
    const Holders holders = holdersOf(survey, setting);
    if (const auto value = setting.expected(expected)) {
        findOthers(survey, setting, holders, *value, "the profile", faults);
        return;
    }
    if (holders.size() < 2) return;
    std::size_t most = 0;
    for (const auto& [held, indexes] : holders) most = std::max(most, indexes.size());
    std::vector<std::uint32_t> mostHeld;
    for (const auto& [held, indexes] : holders) {
        if (indexes.size() == most) mostHeld.push_back(held);
    }
    if (mostHeld.size() == 1)
        findOthers(survey, setting, holders, mostHeld.front(), "the rest of the mesh", faults);
    else
        findSplit(survey, setting, holders, faults);
}

void findNodeIdFaults(const Survey& survey, std::vector<Fault>& faults) {
    std::map<std::uint16_t, std::vector<std::size_t>> byId;
    for (const Module& module : modulesOf(survey)) byId[module.id].push_back(module.index);
    for (const auto& [id, indexes] : byId) {
        if (indexes.size() < 2) continue;
        std::vector<std::string> ports;
        for (const std::size_t index : indexes) ports.push_back(survey[index].port);
        Fault fault{FaultKind::DuplicateNodeId,
                    "node " + std::to_string(id) + " answers on " + listed(ports)};
        for (const std::size_t index : indexes) involve(fault, survey, index);
        faults.push_back(std::move(fault));
    }
    for (std::size_t i = 0; i < survey.size(); ++i) {
        const auto* answers = std::get_if<ModuleAnswers>(&survey[i].outcome);
        if (!answers || answeredNodeId(*answers) != proto::kEmptyNode) continue;
        Fault fault{FaultKind::NoNodeId, survey[i].port + " holds node id " +
                                             std::to_string(proto::kEmptyNode) +
                                             ", which names no node"};
        involve(fault, survey, i);
        faults.push_back(std::move(fault));
    }
}

}  // namespace

void findSettingFaults(const Survey& survey, const SharedSettings& expected,
                       std::vector<Fault>& faults) {
    findNodeIdFaults(survey, faults);
    for (const SharedSetting& setting : kSharedSettings)
        findSettingFault(survey, setting, expected, faults);
}

}  // namespace mesh
