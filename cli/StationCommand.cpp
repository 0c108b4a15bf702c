// apply on one port or many at once, and the station that takes modules as they are plugged in.

#include <poll.h>
#include <unistd.h>

#include <filesystem>
#include <iostream>
#include <map>
#include <memory>
#include <mutex>
#include <system_error>

#include "Commands.h"
#include "Interrupt.h"
#include "JsonText.h"
#include "NamedPorts.h"
#include "PortNames.h"
#include "StationLoop.h"
#include "TtyHotplugMonitor.h"
#include "UnitRunner.h"
#include "UsbAdapters.h"

namespace {

// How often a station looks at its units without hot-plug news: an alias appears unannounced.
constexpr int kScanIntervalMs = 200;

std::string idText(const std::optional<std::uint16_t>& id) {
    return id ? std::to_string(*id) : "-";
}

class BoardOutput final : public UnitOutput {
  public:
    BoardOutput() : m_board(std::cout, ::isatty(STDOUT_FILENO) == 1) {}
    void found(const PortTarget& port, const std::string& serial) override {
        m_board.begin(port.name, serial);
    }
    void step(const PortTarget& port, UnitStep step, const std::optional<std::uint16_t>&) override {
        m_board.step(port.name, step);
    }
    void finished(const PortTarget& port, const std::string& serial,
                  const UnitOutcome& outcome) override {
        std::string line = port.name + (outcome.passed() ? " PASS" : " FAIL") +
                           " node_id=" + idText(outcome.nodeId) +
                           " serial=" + (serial.empty() ? "-" : serial) +
                           " ms=" + std::to_string(outcome.duration.count());
        if (!outcome.passed()) line += " why=" + outcome.why;
        m_board.finish(port.name, line);
    }
    void heldBack(const PortTarget& port, const std::string& why) override {
        m_board.finish(port.name, port.name + " WAIT why=" + why);
    }
    void note(const std::string& line) override { m_board.note(line); }

  private:
    ProgressBoard m_board;
};

// One JSON object a line per event: found, written, verified, failed.
class JsonOutput final : public UnitOutput {
  public:
    void found(const PortTarget& port, const std::string& serial) override {
        print({{"event", "found"},
               {"port", port.name},
               {"device", port.device},
               {"adapter_serial", serial}});
    }
    void step(const PortTarget& port, UnitStep step,
              const std::optional<std::uint16_t>& nodeId) override {
        // Reading back begins once the write was acknowledged.
        if (step != UnitStep::kReadingBack) return;
        print({{"event", "written"}, {"port", port.name}, {"node_id", idJson(nodeId)}});
    }
    void finished(const PortTarget& port, const std::string& serial,
                  const UnitOutcome& outcome) override {
        Json event{{"event", outcome.passed() ? "verified" : "failed"},
                   {"port", port.name},
                   {"adapter_serial", serial},
                   {"node_id", idJson(outcome.nodeId)},
                   {"ms", outcome.duration.count()}};
        if (outcome.readBack) event["settings"] = settingsJson(*outcome.readBack);
        if (!outcome.passed()) {
            event["why"] = outcome.why;
            event["exit_code"] = static_cast<int>(outcome.code);
        }
        print(event);
    }
    void heldBack(const PortTarget& port, const std::string& why) override {
        print({{"event", "held_back"}, {"port", port.name}, {"why", why}});
    }
    void note(const std::string& line) override { print({{"event", "note"}, {"text", line}}); }

  private:
    static Json idJson(const std::optional<std::uint16_t>& id) { return id ? Json(*id) : Json(); }
    void print(const Json& event) {
        const std::lock_guard lock(m_mutex);
        std::cout << jsonText(event) << std::endl;
    }
    std::mutex m_mutex;
};

std::vector<PluggedUnit> asUnits(const std::vector<std::string>& ports) {
    std::vector<PluggedUnit> units;
    for (const std::string& port : ports) units.push_back({port, port});
    return units;
}

void printPass(const CommonOptions& common, const proto::Setup& values) {
    if (common.json)
        std::cout << Json{{"result", "PASS"}, {"settings", settingsJson(values)}}.dump() << "\n";
    else
        std::cout << settingsText(values) << "result=PASS\n";
}

std::unique_ptr<UnitOutput> unitOutput(const CommonOptions& common) {
    if (common.json) return std::make_unique<JsonOutput>();
    return std::make_unique<BoardOutput>();
}

}  // namespace

ExitCode applyProfile(const CommonOptions& common, const SettingChanges& settings,
                      const StationOptions& options) {
    std::vector<std::string> ports = options.ports;
    if (options.adapter) addAdapterPorts(*options.adapter, ports);
    refuseRepeatedPorts(ports);
    const bool alone = ports.size() == 1 && !options.adapter;
    if (!alone && !options.nodeIds && !options.keepNodeId)
        throw Failure(kExitUsage,
                      std::to_string(ports.size()) +
                          " ports and one node_id: give --node-ids FIRST..LAST or "
                          "--keep-node-id, since a mesh cannot hold two nodes of one id");
    UnitRunner runner(common, settings, options, alone, unitOutput(common));
    runner.reachRecordAhead();
    if (!alone) {
        const int code = runTogether(asUnits(ports), runner.work());
        runner.refuseWithoutRecord();
        return static_cast<ExitCode>(code);
    }
    runner.printAlone();
    const UnitOutcome outcome = runner.run(ports.front());
    runner.refuseWithoutRecord();
    if (!outcome.passed()) throw Failure(outcome.code, outcome.message);
    printPass(common, *outcome.readBack);
    return kExitDone;
}

ExitCode stationMode(const CommonOptions& common, const SettingChanges& settings,
                     const StationOptions& options) {
    if (!options.nodeIds && !options.keepNodeId)
        throw Failure(kExitUsage,
                      "a station sets up many modules: give --node-ids FIRST..LAST or "
                      "--keep-node-id, since a mesh cannot hold two nodes of one id");
    if (!options.adapter)
        if (const std::string problem = aliasDirectoryProblem(); !problem.empty())
            throw Failure(kExitUsage, problem);
    UnitRunner runner(common, settings, options, false, unitOutput(common));
    runner.holdBackWhileRecordDown();
    TtyHotplugMonitor hotplug;
    StationHooks hooks;
    if (options.adapter)
        hooks.scan = [model = *options.adapter] { return pluggedAdapters(model); };
    else
        hooks.scan = [] { return pluggedAliases(); };
    hooks.work = runner.work();
    hooks.stopRequested = [] { return interrupted(); };
    hooks.mayTake = [&runner] { return runner.mayTake(); };
    hooks.waitForChange = [&hotplug] {
        pollfd news{hotplug.fd(), POLLIN, 0};
        if (::poll(&news, hotplug.fd() < 0 ? 0 : 1, kScanIntervalMs) > 0)
            hotplug.takeAddOrRemoveEvents();
    };
    runner.output().note("Waiting for modules; Ctrl+C ends the shift.");
    const int code = runStation(hooks);
    if (code == kExitNoIdLeft)
        runner.output().note("No node id left: the station takes no more units.");
    runner.output().note(runner.shift());
    return static_cast<ExitCode>(code);
}
