#pragma once
// The lab file: the modules of a simulated mesh and the radio links between them, in TOML
// ([[node]] and [[link]] tables, as kLabFormatHelp shows).

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "LabMesh.h"
#include "Messages.h"

namespace sim {

struct LabNode {
    NodeId id = 0;  // names the module in the file; the module may be given another id later
    std::optional<int> com;
    proto::Setup setup;
    bool powered = true;
    bool plugged = true;

    bool operator==(const LabNode&) const = default;
};

struct LabLink {
    NodeId a = 0;  // ids of the file's nodes
    NodeId b = 0;
    std::uint8_t linkValue = 0;
    double delivery = 1.0;
    std::chrono::milliseconds latency{0};

    bool operator==(const LabLink&) const = default;
};

struct LabPlan {
    std::vector<LabNode> nodes;
    std::vector<LabLink> links;
};

struct LabRead {
    std::optional<LabPlan> plan;
    std::string error;  // "<where>:<line>: <what>" when there is no plan
};

// More than a lab of a module on every COM alias, each pair linked, takes.
inline constexpr std::size_t kMaxLabFileBytes = 4 * 1024 * 1024;

// where: how messages name the text, such as its file's path.
LabRead parseLab(std::string_view text, const std::string& where);
// The file at path, when it is a regular file of at most kMaxLabFileBytes that reads.
LabRead readLab(const std::string& path);

// The format above, for --help.
extern const std::string_view kLabFormatHelp;

}  // namespace sim
