#pragma once
// What a mesh survey read: per port, the module's answers or why the port failed. Faces fill it
// (one engine per port) and hand it over whole; nothing here touches a port.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "Messages.h"

namespace mesh {

// A request that got no good reply leaves its answer empty.
struct ModuleAnswers {
    std::optional<proto::Setup> setup{};
    std::optional<proto::RouteListReply> routes{};
    std::optional<proto::PathReply> path{};
};

// The command line exits with its port failure or its no-reply code for these.
enum class PortFailureKind { PortFailed, NoReply };

struct PortFailure {
    PortFailureKind kind = PortFailureKind::PortFailed;
    std::string reason{};
};

struct SurveyedPort {
    std::string port{};  // as the user named it
    std::variant<ModuleAnswers, PortFailure> outcome{};
};

using Survey = std::vector<SurveyedPort>;

// A module that answered, as the mesh sees it.
struct Module {
    std::size_t index = 0;  // in the survey
    std::uint16_t id = 0;   // never proto::kEmptyNode
    const ModuleAnswers* answers = nullptr;
};

// The node id a module answers as: its setup's, else its route list's local node, else its
// path's. Nothing when it answered none of them.
std::optional<std::uint16_t> answeredNodeId(const ModuleAnswers& answers);

// The modules of the survey that hold a node id, in survey order.
std::vector<Module> modulesOf(const Survey& survey);

// The hops of the module's last path that name a node other than the one before them, from the
// one next to the module to the target.
std::vector<proto::PathHop> hopsOf(const Module& module);

// "COM205 (node 6)", or the port alone when its module holds no node id.
std::string moduleName(const SurveyedPort& port);

}  // namespace mesh
