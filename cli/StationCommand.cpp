// apply on one port or many at once, and the station that takes modules as they are plugged in.

#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <future>
#include <iostream>
#include <map>
#include <memory>
#include <mutex>
#include <system_error>

#include "Commands.h"
#include "Interrupt.h"
#include "JsonText.h"
#include "NamedPorts.h"
#include "NetworkAddress.h"
#include "NodeIdFile.h"
#include "NodeIdPool.h"
#include "PortNames.h"
#include "StationLoop.h"
#include "TtyHotplugMonitor.h"
#include "UnitApply.h"
#include "UnitRecord.h"
#include "UsbAdapters.h"

namespace {

// How often a station looks at its units without hot-plug news: an alias appears unannounced.
constexpr int kScanIntervalMs = 200;

std::unique_ptr<NodeIdSource> nodeIdSource(const StationOptions& options) {
    if (!options.nodeIds) return nullptr;
    if (options.idFile.empty()) return std::make_unique<NodeIdPool>(*options.nodeIds);
    try {
        return std::make_unique<NodeIdFile>(options.idFile, *options.nodeIds);
    } catch (const std::system_error& error) {
        throw Failure(kExitUsage, error.what());
    }
}

std::string idText(const std::optional<std::uint16_t>& id) {
    return id ? std::to_string(*id) : "-";
}

// What a person or a line-control program sees of the units; called from their threads.
class UnitOutput {
  public:
    virtual ~UnitOutput() = default;
    virtual void found(const PortIdentity& port, const std::string& serial) = 0;
    virtual void step(const PortIdentity& port, UnitStep step,
                      const std::optional<std::uint16_t>& nodeId) = 0;
    virtual void finished(const PortIdentity& port, const std::string& serial,
                          const UnitOutcome& outcome) = 0;
    // The unit could not start, nothing written: it is taken again once it may.
    virtual void heldBack(const PortIdentity& port, const std::string& why) = 0;
    virtual void note(const std::string& line) = 0;
};

class BoardOutput final : public UnitOutput {
  public:
    BoardOutput() : m_board(std::cout, ::isatty(STDOUT_FILENO) == 1) {}
    void found(const PortIdentity& port, const std::string& serial) override {
        m_board.begin(port.name, serial);
    }
    void step(const PortIdentity& port, UnitStep step,
              const std::optional<std::uint16_t>&) override {
        m_board.step(port.name, step);
    }
    void finished(const PortIdentity& port, const std::string& serial,
                  const UnitOutcome& outcome) override {
        std::string line = port.name + (outcome.passed() ? " PASS" : " FAIL") +
                           " node_id=" + idText(outcome.nodeId) +
                           " serial=" + (serial.empty() ? "-" : serial) +
                           " ms=" + std::to_string(outcome.duration.count());
        if (!outcome.passed()) line += " why=" + outcome.why;
        m_board.finish(port.name, line);
    }
    void heldBack(const PortIdentity& port, const std::string& why) override {
        m_board.finish(port.name, port.name + " WAIT why=" + why);
    }
    void note(const std::string& line) override { m_board.note(line); }

  private:
    ProgressBoard m_board;
};

// One JSON object a line per event: found, written, verified, failed.
class JsonOutput final : public UnitOutput {
  public:
    void found(const PortIdentity& port, const std::string& serial) override {
        print({{"event", "found"},
               {"port", port.name},
               {"device", port.device},
               {"adapter_serial", serial}});
    }
    void step(const PortIdentity& port, UnitStep step,
              const std::optional<std::uint16_t>& nodeId) override {
        // Reading back begins once the write was acknowledged.
        if (step != UnitStep::kReadingBack) return;
        print({{"event", "written"}, {"port", port.name}, {"node_id", idJson(nodeId)}});
    }
    void finished(const PortIdentity& port, const std::string& serial,
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
    void heldBack(const PortIdentity& port, const std::string& why) override {
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

// The work of one unit wherever it came from: identified, applied, its row stored, its line
// printed.
class UnitRunner {
  public:
    UnitRunner(const CommonOptions& common, const SettingChanges& settings,
               const StationOptions& options, bool tellNotices)
        : m_common(common), m_options(options) {
        if (!options.dbUrl.empty()) m_record = std::make_unique<UnitRecord>(options, settings);
        if (!m_record || !m_record->ids()) m_ids = nodeIdSource(options);
        if (!options.reportPath.empty()) m_report = std::make_unique<CsvReport>(options.reportPath);
        m_plan = {settings,
                  m_ids      ? m_ids.get()
                  : m_record ? m_record->ids()
                             : nullptr,
                  options.keepNodeId,
                  tellNotices,
                  {}};
        if (common.json)
            m_output = std::make_unique<JsonOutput>();
        else
            m_output = std::make_unique<BoardOutput>();
    }

    UnitOutcome run(const std::string& portName) {
        CommonOptions common = m_common;
        common.port = portName;
        const PortIdentity port = identifyPort(portName);
        const std::optional<UsbIdentity> usb = usbIdentity(port.device);
        const std::string serial = usb ? usb->serial : std::string();
        const UnitName name{serial.empty() ? portName : serial, !serial.empty()};
        const std::string& unit = name.text;
        if (m_output) m_output->found(port, serial);
        if (m_record) m_record->begin(unit, port, usb);
        UnitOutcome outcome = applyToUnit(
            common, m_plan, name, [&](UnitStep step, const std::optional<std::uint16_t>& nodeId) {
                if (m_output) m_output->step(port, step, nodeId);
            });
        // Only the record's reservation fails this way, and it comes before the write.
        if (m_holdBack && outcome.code == kExitRecord) {
            m_record->drop(unit);
            if (m_output) m_output->heldBack(port, outcome.why);
            outcome.heldBack = true;
            return outcome;
        }
        // apply's record was never reached: the unit ends unwritten, and leaves no row.
        if (!recordReached()) {
            m_record->drop(unit);
            if (m_output) m_output->finished(port, serial, outcome);
            return outcome;
        }
        store(port, usb, outcome);
        if (m_record) {
            const std::string spooled = m_record->store(unit, outcome);
            if (!spooled.empty()) note(port.name + ": " + spooled);
        }
        ++(outcome.passed() ? m_passed : m_failed);
        if (m_output) m_output->finished(port, serial, outcome);
        return outcome;
    }

    // Whether a new unit may start: the line's record, when one is kept, must take its row.
    // Says so on one line whenever that changes.
    bool mayTake() {
        if (!m_record) return true;
        const bool ready = m_record->ready();
        if (ready != m_recordReady.exchange(ready))
            note(ready ? "The line's record is back: taking units again."
                       : "The line's record cannot be reached (" + m_record->downReason() +
                             "): no new unit until it is back.");
        return ready;
    }

    // apply: the record is reached on a thread of its own while the units open their ports and
    // read their modules; none takes a node id or writes before it has answered.
    void reachRecordAhead() {
        if (!m_record) return;
        m_recordReached = std::async(std::launch::async, [this] { return m_record->ready(); });
        m_plan.mayWrite = [this] { return recordReached(); };
    }
    // Nothing was written: the record was out of reach when the units would have written.
    void refuseWithoutRecord() {
        if (!recordReached())
            throw Failure(kExitRecord, "the line's record cannot be reached (" +
                                           m_record->downReason() + "): nothing written");
    }

    // One port alone prints as apply always has.
    void printAlone() { m_output.reset(); }
    // A station takes a unit again that found the record out of reach; apply ends it.
    void holdBackWhileRecordDown() { m_holdBack = m_record != nullptr; }
    UnitOutput& output() { return *m_output; }
    void note(const std::string& line) {
        if (m_output)
            m_output->note(line);
        else
            std::cerr << line << "\n";
    }
    std::string shift() const {
        return "Shift: " + std::to_string(m_passed) + " passed, " + std::to_string(m_failed) +
               " failed";
    }

  private:
    bool recordReached() const { return !m_recordReached.valid() || m_recordReached.get(); }

    void store(const PortIdentity& port, const std::optional<UsbIdentity>& usb,
               UnitOutcome& outcome) {
        if (!m_report) return;
        ApplyRun row{port,
                     outcome.readBack ? settingsJson(*outcome.readBack) : Json::object(),
                     outcome.passed(),
                     outcome.why,
                     usb ? usb->vendorId + ":" + usb->productId : std::string(),
                     usb ? usb->serial : std::string(),
                     &m_options.profile,
                     outcome.nodeId,
                     outcome.duration};
        try {
            m_report->add(row);
        } catch (const Failure& failure) {
            // The unit does not count as done while its row is missing, but what its module went
            // through still stands: it may have been written.
            const std::string lost = "its report row was not kept: " + std::string(failure.what());
            outcome.message = outcome.passed() ? port.name + ": set up and verified, but " + lost
                                               : outcome.message + "; " + lost;
            outcome.why = outcome.why.empty() ? lost : outcome.why + "; " + lost;
            outcome.code = std::max(outcome.code, kExitRecord);
        }
    }

    const CommonOptions& m_common;
    const StationOptions& m_options;
    std::unique_ptr<UnitRecord> m_record;
    std::unique_ptr<NodeIdSource> m_ids;
    std::unique_ptr<RowSink> m_report;
    std::unique_ptr<UnitOutput> m_output;
    UnitPlan m_plan;
    bool m_holdBack = false;
    std::atomic<int> m_passed = 0;
    std::atomic<int> m_failed = 0;
    std::atomic<bool> m_recordReady = true;
    std::shared_future<bool> m_recordReached;
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

// Units' work returns their codes; the station's loop and the gang read them as ints.
UnitWork workOf(UnitRunner& runner) {
    return [&runner](const PluggedUnit& unit) {
        const UnitOutcome outcome = runner.run(unit.port);
        return outcome.heldBack ? kUnitHeldBack : static_cast<int>(outcome.code);
    };
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
    UnitRunner runner(common, settings, options, alone);
    runner.reachRecordAhead();
    if (!alone) {
        const int code = runTogether(asUnits(ports), workOf(runner));
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
    UnitRunner runner(common, settings, options, false);
    runner.holdBackWhileRecordDown();
    TtyHotplugMonitor hotplug;
    StationHooks hooks;
    if (options.adapter)
        hooks.scan = [model = *options.adapter] { return pluggedAdapters(model); };
    else
        hooks.scan = [] { return pluggedAliases(); };
    hooks.work = workOf(runner);
    hooks.stopRequested = [] { return interrupted(); };
    hooks.mayTake = [&runner] { return runner.mayTake(); };
    hooks.waitForChange = [&hotplug] {
        pollfd news{hotplug.fd(), POLLIN, 0};
        if (::poll(&news, hotplug.fd() < 0 ? 0 : 1, kScanIntervalMs) > 0)
            hotplug.takeAddOrRemoveEvents();
    };
    hooks.lastUnitCode = kExitNoIdLeft;
    runner.output().note("Waiting for modules; Ctrl+C ends the shift.");
    const int code = runStation(hooks);
    if (code == kExitNoIdLeft)
        runner.output().note("No node id left: the station takes no more units.");
    runner.output().note(runner.shift());
    return static_cast<ExitCode>(code);
}
