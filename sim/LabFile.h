#pragma once
// The lab file: the modules of a simulated mesh and the radio links between them, in TOML.
//
//   [[node]]            one table per module
//   id = 1              its node id
//   com = 200           the COM alias it is published as (default: the next free one)
//   frequency = 434.0   setup values, as a profile names them (default: a single module's)
//   powered = true      false: switched off, no port and no radio
//   cable = "plugged"   "pulled": on the radio, its port gone
//
//   [[link]]            a radio link, the same both ways
//   nodes = [1, 2]
//   link_value = 52     what a path reply shows for the hop, negated
//   delivery = 0.98     the share of hops over it that arrive (default 1)
//   latency_ms = 30     how long a hop over it takes (default 0)

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Mesh.h"
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

// where: how messages name the text, such as its file's path.
LabRead parseLab(std::string_view text, const std::string& where);
LabRead readLab(const std::string& path);

// The format above, for --help.
extern const std::string_view kLabFormatHelp;

}  // namespace sim
