#pragma once
// A delivery test over real ports. Every port has its own engine on its own thread, so that
// each writes and reads at its own pace and a slow port never holds up the others; no sender
// sends more often than its line carries a send, and each send is timed from when the line has
// carried it; the run
// itself (which send is due, what each frame means) lives on the caller's thread, which the
// port threads only wake. A port that hangs up is opened again every half second: its pairs
// neither send nor count while it is away, and one away past the run's patience is gone for
// good, its pairs ending the run with what they made.

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "DeliveryEvents.h"
#include "DeliveryRun.h"
#include "Session.h"

namespace deliveryrun {

class MeshTestPort;
struct MeshTestInbox;

class MeshTestRun {
  public:
    // What the face hears, on the thread that calls run.
    class Watcher {
      public:
        virtual ~Watcher() = default;
        virtual void events(const std::vector<delivery::Event>& events) = 0;
        virtual void portLost(std::size_t port, const std::string& why) = 0;
        virtual void portBack(std::size_t port) = 0;
        // Once before the first send, when the line carries a send more slowly than the plan's
        // interval asks: each sender sends every pacedInterval(plan) instead.
        virtual void paced(const delivery::Plan& /*plan*/) {}
        // Between events, at least every kIdleWake: the time to redraw figures.
        virtual void idle(const delivery::Matcher& matcher) = 0;
    };
    static constexpr std::chrono::milliseconds kIdleWake{100};
    // Frames reach the run a little after their last byte: the matcher settles sends this far
    // behind the clock, so a notice already read is never taken for late.
    static constexpr std::chrono::milliseconds kSettleBehind{250};

    // Opens every port at once, each as its face resolved it, and reads the node id of each
    // module. A port that cannot be opened or does not answer leaves as its Failure (the others
    // are closed).
    MeshTestRun(const std::vector<ports::PortTarget>& ports, const modlink::CommonOptions& common);
    ~MeshTestRun();
    MeshTestRun(const MeshTestRun&) = delete;
    MeshTestRun& operator=(const MeshTestRun&) = delete;

    // The ports as named, each with its module's node id, in the order given.
    const std::vector<delivery::Port>& ports() const { return m_ports; }

    struct Outcome {
        delivery::Summary summary{};
        bool cutShort = false;            // stop asked for it before the end
        std::vector<std::size_t> gone{};  // ports away past the patience, at the end
    };
    // Runs the plan (whose ports are ports()), once, until it is done, stop says so, or a pair
    // cannot go on because a port of it is gone. patience: how long a port may stay away.
    Outcome run(delivery::Plan plan, Watcher& watcher, const std::function<bool()>& stop,
                std::chrono::steady_clock::duration patience);

  private:
    const proto::LineSettings m_line;  // every port's: the senders are paced to it
    std::vector<delivery::Port> m_ports;
    std::shared_ptr<MeshTestInbox> m_inbox;
    std::vector<std::unique_ptr<MeshTestPort>> m_links;
};

}  // namespace deliveryrun
