#include "Lab.h"

#include <algorithm>

#include "SendNames.h"

namespace sim {

namespace {

// Each module draws from a sequence of its own, so that what one module's sends meet does not
// depend on how many the others made.
unsigned moduleSeed(unsigned seed, NodeId fileId) {
    constexpr unsigned kSpread = 0x9E3779B9u;
    return seed + kSpread * (static_cast<unsigned>(fileId) + 1u);
}

std::string noticeLine(const proto::NoticeContent& notice) {
    return "notice source=" + std::to_string(notice.source) +
           " link=" + std::to_string(notice.linkValue) + " data=" + proto::hexDigits(notice.data);
}

}  // namespace

class Lab::Antenna : public Radio {
  public:
    Antenna(Lab& lab, std::size_t module) : m_lab(lab), m_module(module) {}

    proto::Frame routeListReply(const proto::Setup& own) override {
        return m_lab.routeListReply(m_module, own);
    }
    proto::Frame pathListReply(const proto::Setup& own) override {
        return m_lab.pathListReply(m_module, own);
    }
    Carried carry(const proto::Setup&, const proto::SendDataRequest& request) override {
        return m_lab.carry(m_module, request);
    }

  private:
    Lab& m_lab;
    std::size_t m_module;
};

struct Lab::Module {
    Module(Lab& lab, std::size_t index, const LabNode& filed, unsigned seed, FaultPlan plan,
           std::size_t ackLength)
        : node(filed),
          antenna(lab, index),
          model(filed.setup, antenna, ackLength),
          draws(moduleSeed(seed, filed.id)),
          faults(plan) {}

    LabNode node;  // its setup as the file gave it; model holds what it has now
    Antenna antenna;
    ModuleModel model;
    Delivery draws;
    FaultInjector faults;
    std::vector<proto::PathHop> path;  // of its last send; forgotten when switched off
    std::optional<Arrival> sent;       // where its last send's data goes, until scheduled
};

Lab::Lab(const LabPlan& plan, unsigned seed, FaultPlan faults, std::size_t ackLength)
    : m_modules([&] {
          std::vector<std::unique_ptr<Module>> modules;
          for (const LabNode& node : plan.nodes)
              modules.push_back(
                  std::make_unique<Module>(*this, modules.size(), node, seed, faults, ackLength));
          return modules;
      }()),
      m_air(std::vector<Station>(plan.nodes.size()), {}) {
    m_air.relink(radioLinks(plan));
    for (std::size_t module = 0; module < size(); ++module) retune(module);
}

Lab::~Lab() = default;

const LabNode& Lab::node(std::size_t module) const {
    return m_modules[module]->node;
}

const proto::Setup& Lab::setup(std::size_t module) const {
    return m_modules[module]->model.setup();
}

bool Lab::hasLine(std::size_t module) const {
    return node(module).powered && node(module).plugged;
}

std::string Lab::hear(std::size_t module, const Received& item, Clock::time_point heard) {
    Module& m = *m_modules[module];
    const std::string tag = tagged(module, "");
    Answer answer = m.model.answer(item);
    retune(module);  // a setup write may have taken it to another mesh
    if (answer.reply) {
        const ShapedReply shaped = m.faults.shape(*answer.reply);
        if (shaped.fault != FaultKind::kNone)
            answer.logLine += " fault=" + std::string(faultName(shaped.fault));
        if (!shaped.bytes.empty()) m_events.add(heard + answer.latency, {module, shaped.bytes});
    }
    if (const auto arrival = std::exchange(m.sent, std::nullopt)) {
        m_events.add(heard + arrival->after,
                     {arrival->target, proto::encode(proto::ReceiveNotice{arrival->notice}),
                      noticeLine(arrival->notice)});
    }
    return tag + answer.logLine;
}

std::vector<Lab::Said> Lab::takeDue(Clock::time_point now, std::vector<std::string>& log) {
    std::vector<Said> said;
    for (auto& [due, event] : m_events.takeDue(now)) {
        const bool line = hasLine(event.module);
        if (!event.noticeLine.empty())
            log.push_back(tagged(event.module, event.noticeLine + (line ? "" : " lost=unplugged")));
        if (line) said.push_back({event.module, due, std::move(event.bytes)});
    }
    return said;
}

proto::Frame Lab::routeListReply(std::size_t module, const proto::Setup& own) const {
    const RouteTree tree = m_air.routesFrom(module);
    std::vector<std::size_t> reached;
    for (std::size_t other = 0; other < size(); ++other)
        if (tree.reaches(other)) reached.push_back(other);
    std::sort(reached.begin(), reached.end(), [&](std::size_t a, std::size_t b) {
        return std::pair(m_air.station(a).node, a) < std::pair(m_air.station(b).node, b);
    });
    proto::RouteListReply reply{.localNode = own.nodeId};
    for (std::size_t k = 0; k < reached.size() && k < reply.entries.size(); ++k) {
        const std::size_t firstHop = tree.routeTo(reached[k]).front();
        reply.entries[k] =
            proto::RouteEntry{m_air.station(reached[k]).node, m_air.station(firstHop).node};
    }
    return proto::encode(reply);
}

proto::Frame Lab::pathListReply(std::size_t module, const proto::Setup& own) const {
    return proto::encode(proto::PathReply{own.nodeId, m_modules[module]->path});
}

Carried Lab::carry(std::size_t module, const proto::SendDataRequest& request) {
    Module& m = *m_modules[module];
    Sending sending = carryAcross(m_air, module, request, m.draws);
    m.path = std::move(sending.path);
    m.sent = std::move(sending.arrival);
    return sending.confirmation;
}

void Lab::retune(std::size_t module) {
    const proto::Setup& now = setup(module);
    m_air.tune(module, {now.nodeId, node(module).powered, now.frequencyRegister, now.networkId});
}

std::optional<std::string> Lab::reload(const LabPlan& plan, std::vector<std::string>& log) {
    const auto sameModules = [&] {
        if (plan.nodes.size() != size()) return false;
        return std::all_of(plan.nodes.begin(), plan.nodes.end(), [&](const LabNode& filed) {
            const auto module = moduleFiled(filed.id);
            return module && node(*module).com == filed.com;
        });
    };
    if (!sameModules())
        return "nodes cannot be added, removed or given another COM while the lab runs; restart "
               "qz470-sim for that";
    m_air.relink(radioLinks(plan));
    for (const LabNode& filed : plan.nodes) {
        const std::size_t module = *moduleFiled(filed.id);
        power(module, filed.powered, log);
        plug(module, filed.plugged, log);
    }
    log.push_back("lab reloaded: " + std::to_string(plan.links.size()) + " links");
    return std::nullopt;
}

void Lab::plugAll(bool plugged, std::vector<std::string>& log) {
    for (std::size_t module = 0; module < size(); ++module) plug(module, plugged, log);
}

// Switched off, a module forgets what it was about to say and where it last sent to; it keeps
// its setup.
void Lab::power(std::size_t module, bool on, std::vector<std::string>& log) {
    Module& m = *m_modules[module];
    if (m.node.powered == on) return;
    m.node.powered = on;
    retune(module);
    if (!on) {
        m_events.dropFor(module);
        m.path.clear();
    }
    log.push_back(tagged(module, on ? "switched on" : "switched off"));
}

void Lab::plug(std::size_t module, bool plugged, std::vector<std::string>& log) {
    Module& m = *m_modules[module];
    if (m.node.plugged == plugged) return;
    m.node.plugged = plugged;
    log.push_back(tagged(module, plugged ? "cable plugged in" : "cable pulled"));
}

std::vector<RadioLink> Lab::radioLinks(const LabPlan& plan) const {
    std::vector<RadioLink> links;
    for (const LabLink& link : plan.links)
        links.push_back({*moduleFiled(link.a), *moduleFiled(link.b), link.linkValue, link.delivery,
                         link.latency});
    return links;
}

std::optional<std::size_t> Lab::moduleFiled(NodeId id) const {
    for (std::size_t module = 0; module < size(); ++module)
        if (node(module).id == id) return module;
    return std::nullopt;
}

std::string Lab::tagged(std::size_t module, const std::string& line) const {
    return "node=" + std::to_string(setup(module).nodeId) + " " + line;
}

}  // namespace sim
