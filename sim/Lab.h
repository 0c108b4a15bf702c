#pragma once
// A whole mesh of simulated modules: one module model per node of a lab file, their radio, and
// what each says on its line and when. The poll loop feeds it what each line carried and takes
// what is due; time is passed in, so tests drive it.

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Airwaves.h"
#include "Courier.h"
#include "Delivery.h"
#include "Faults.h"
#include "FrameParser.h"
#include "LabEvents.h"
#include "LabFile.h"
#include "ModuleModel.h"

namespace sim {

class Lab {
  public:
    using Clock = LabEvents::Clock;

    struct Said {
        std::size_t module = 0;
        Clock::time_point at;  // when the module has it to say; its line then paces it out
        proto::Frame bytes;
    };

    // seed: where each module's draws of the links' losses start.
    // ackLength: the whole size of every module's write acknowledgement.
    Lab(const LabPlan& plan, unsigned seed, FaultPlan faults = {},
        std::size_t ackLength = proto::kSetupFrameSize);
    ~Lab();
    Lab(const Lab&) = delete;
    Lab& operator=(const Lab&) = delete;

    std::size_t size() const { return m_modules.size(); }
    const LabNode& node(std::size_t module) const;  // as the file gave it, power and cable now
    const proto::Setup& setup(std::size_t module) const;
    // Switched on with its cable plugged: the module has a line.
    bool hasLine(std::size_t module) const;

    // A frame (or noise) the module heard on its line at `heard`; returns the log line.
    std::string hear(std::size_t module, const Received& item, Clock::time_point heard);

    std::optional<Clock::time_point> nextDue() const { return m_events.nextDue(); }
    // What modules with a line have to say by now, oldest first; data that arrives is logged.
    std::vector<Said> takeDue(Clock::time_point now, std::vector<std::string>& log);

    // The file read again: links, power and cables. The modules must be the same, on the same
    // COM aliases; otherwise nothing changes and the reason is returned.
    std::optional<std::string> reload(const LabPlan& plan, std::vector<std::string>& log);
    // Every cable at once.
    void plugAll(bool plugged, std::vector<std::string>& log);

    // A log line about the module: "node=<its id now> <line>".
    std::string tagged(std::size_t module, const std::string& line) const;

  private:
    class Antenna;
    struct Module;

    proto::Frame routeListReply(std::size_t module, const proto::Setup& own) const;
    proto::Frame pathListReply(std::size_t module, const proto::Setup& own) const;
    Carried carry(std::size_t module, const proto::SendDataRequest& request);

    void retune(std::size_t module);
    void power(std::size_t module, bool on, std::vector<std::string>& log);
    void plug(std::size_t module, bool plugged, std::vector<std::string>& log);
    std::vector<RadioLink> radioLinks(const LabPlan& plan) const;
    std::optional<std::size_t> moduleFiled(NodeId id) const;

    std::vector<std::unique_ptr<Module>> m_modules;
    Airwaves m_air;
    LabEvents m_events;
};

}  // namespace sim
