// mesh test: every sender sends tagged data to its targets in turn while every target's port is
// watched for the notices that carry it; the figures of each pair as it goes and at the end.

#include <unistd.h>

#include <CLI/CLI.hpp>
#include <iostream>
#include <optional>

#include "CommandLine.h"
#include "Commands.h"
#include "Files.h"
#include "Interrupt.h"
#include "JsonText.h"
#include "MeshTestPlan.h"
#include "MeshTestReport.h"
#include "MeshTestRun.h"
#include "PluggedUnits.h"
#include "ProgramName.h"
#include "SendNames.h"
#include "SendRequest.h"

namespace cli {

namespace {

constexpr std::chrono::milliseconds kRedrawEvery{500};

std::vector<std::string> portsOf(const deliveryrun::MeshTestOptions& options) {
    if (!options.aliases) return options.ports;
    std::vector<std::string> ports;
    for (const station::PluggedUnit& unit : station::pluggedAliases()) ports.push_back(unit.port);
    if (ports.size() < 2)
        throw modlink::Failure(modlink::kExitUsage,
                               "mesh test: fewer than two COM aliases are plugged");
    return ports;
}

// Text on a terminal redraws the pairs in place; --json prints every event; --csv writes every
// send as its fate is known.
class MeshTestPrinter final : public deliveryrun::MeshTestRun::Watcher {
  public:
    MeshTestPrinter(const modlink::CommonOptions& common, std::vector<std::string> ports,
                    const std::string& csvPath)
        : m_json(common.json),
          m_live(!common.json && ::isatty(STDOUT_FILENO)),
          m_ports(std::move(ports)),
          m_start(delivery::Clock::now()) {
        if (csvPath.empty()) return;
        m_csv.emplace(csvPath);
        keepRow(reports::csvHeader());
    }

    void events(const std::vector<delivery::Event>& events) override {
        for (const delivery::Event& event : events) {
            if (m_json)
                std::cout << reports::jsonText(reports::eventJson(event, m_ports, m_start)) << "\n";
            const auto* send = std::get_if<delivery::SendOutcome>(&event);
            if (send) keepRow(reports::csvRow(*send, m_ports, m_start));
        }
        if (m_json) std::cout << std::flush;
    }

    void portLost(std::size_t port, const std::string& why) override {
        tell("port_lost", port, m_ports[port] + " lost: " + why + "; its pairs wait for it", why);
    }
    void portBack(std::size_t port) override {
        tell("port_back", port, m_ports[port] + " is back; its pairs go on", {});
    }
    void paced(const delivery::Plan& plan) override {
        if (m_json)
            std::cout << reports::jsonText(reports::pacedJson(plan)) << std::endl;
        else
            std::cerr << modlink::programPrefix << reports::pacedLine(plan) << std::endl;
    }

    void idle(const delivery::Matcher& matcher) override {
        const auto now = delivery::Clock::now();
        if (!m_live || now < m_nextDraw) return;
        m_nextDraw = now + kRedrawEvery;
        draw(reports::liveTable(matcher.summary(), m_ports));
    }

    void finish(const deliveryrun::MeshTestRun::Outcome& outcome) {
        if (m_json) {
            std::cout << reports::jsonText(reports::summaryJson(outcome.summary, m_ports))
                      << std::endl;
        } else {
            draw(reports::liveTable(outcome.summary, m_ports));
            std::cout << "\ndelivery (senders by targets):\n"
                      << reports::deliveryMatrix(outcome.summary, m_ports) << "\n"
                      << reports::pairLines(outcome.summary, m_ports) << std::flush;
        }
        for (const std::size_t port : outcome.gone)
            std::cerr << modlink::programPrefix << m_ports[port] << " lost for good\n";
    }

    // The CSV file lost rows, said on standard error when it did.
    bool rowsLost() const { return m_rowsLost; }

  private:
    // Said once: the run goes on, its figures on standard output.
    void keepRow(const std::string& row) {
        if (!m_csv || m_csv->add(row)) return;
        std::cerr << modlink::programPrefix << m_csv->failure()
                  << "; the sends from here on are not in it" << std::endl;
        m_csv.reset();
        m_rowsLost = true;
    }

    void tell(const char* event, std::size_t port, const std::string& line,
              const std::string& why) {
        if (m_json) {
            std::cout << reports::jsonText(reports::portJson(event, m_ports[port], why))
                      << std::endl;
            return;
        }
        std::cerr << modlink::programPrefix << line << std::endl;
        m_drawn = 0;  // the table starts again below the line
    }

    // On a terminal the table overwrites itself; elsewhere it is printed once, at the end.
    void draw(const std::vector<std::string>& lines) {
        if (m_live && m_drawn > 0) std::cout << "\x1b[" << m_drawn << "A";
        for (const std::string& line : lines)
            std::cout << (m_live ? "\x1b[2K" : "") << line << "\n";
        std::cout << std::flush;
        m_drawn = lines.size();
    }

    const bool m_json;
    const bool m_live;
    const std::vector<std::string> m_ports;
    const delivery::Clock::time_point m_start;
    std::optional<station::RowFile> m_csv;
    bool m_rowsLost = false;
    std::size_t m_drawn = 0;
    delivery::Clock::time_point m_nextDraw{};
};

// A pair that delivered nothing fails, and so does one under --min-delivery: one line each.
modlink::ExitCode tellShortfalls(const delivery::Summary& summary,
                                 const std::vector<std::string>& names,
                                 const deliveryrun::MeshTestOptions& options) {
    const std::vector<std::string> lines =
        reports::shortfalls(summary, names, options.minDelivery.value_or(0));
    for (const std::string& line : lines) std::cerr << modlink::programPrefix << line << "\n";
    return lines.empty() ? modlink::kExitDone : modlink::kExitRefused;
}

modlink::ExitCode meshTest(const modlink::CommonOptions& common,
                           const deliveryrun::MeshTestOptions& options) {
    const std::vector<std::string> names = portsOf(options);
    const ports::PortDirectory directory;
    station::refuseRepeatedPorts(names, directory);
    delivery::Plan plan = deliveryrun::meshTestPlan(options, names, common.timeoutMs);
    deliveryrun::MeshTestRun run(directory.resolve(names), common);
    plan.ports = run.ports();
    MeshTestPrinter printer(common, names, options.csvPath);
    const deliveryrun::MeshTestRun::Outcome outcome = run.run(
        std::move(plan), printer, modlink::interrupted, std::chrono::seconds(options.patienceS));
    printer.finish(outcome);
    const modlink::ExitCode code =
        outcome.cutShort        ? modlink::kExitInterrupted  // the figures so far printed
        : !outcome.gone.empty() ? modlink::kExitPort
                                : tellShortfalls(outcome.summary, names, options);
    return printer.rowsLost() ? modlink::kExitOutput : code;
}

}  // namespace

void addMeshTestCommand(CLI::App& subcommand, CommandRun& run) {
    auto options = std::make_shared<deliveryrun::MeshTestOptions>();
    CLI::App* test = &subcommand;
    test->fallthrough();
    test->add_flag("--aliases", options->aliases,
                   "test every module plugged under a COM alias, instead of -p");
    test->add_option(
            "--pairs", options->pairs,
            "all, or FROM:TO pairs of the ports given, such as COM200:COM205,COM201:COM203")
        ->capture_default_str();
    test->add_option("--count", options->count, "sends per pair")
        ->transform(decimalIn(1, 100000000));
    test->add_option("--interval", options->intervalMs, "milliseconds between a sender's sends")
        ->capture_default_str()
        ->transform(decimalIn(1, 3600000));
    test->add_flag("--ack", options->ack, "ask each target to acknowledge");
    test->add_option("--route-mode", options->mode, "route mode")
        ->capture_default_str()
        ->check(CLI::IsMember(modlink::routeModeNames()));
    test->add_option("--relays", options->relays,
                     "relay node ids for --route-mode source, 4 hexadecimal digits each: 0005,000A")
        ->delimiter(',');
    test->add_option("--jump", options->jump, "jump value")
        ->capture_default_str()
        ->transform(decimalIn(1, proto::kJumpLimits));
    test->add_option("--size", options->size,
                     "data bytes of each send, its tag included (default: the tag alone)")
        ->transform(decimalIn(1, 65535));
    test->add_option("--duration", options->duration,
                     "no new sends after this long: 90s, 30m, 8h, 7d");
    test->add_option("--csv", options->csvPath, "write one row per send to this file");
    test->add_option("--min-delivery", options->minDelivery,
                     "exit 1 when a pair delivers less than this share, such as 0.95 (one that "
                     "delivers nothing always does)")
        ->check(shareOfOne());
    test->add_option("--patience", options->patienceS,
                     "seconds a lost port may stay away before it is lost for good")
        ->capture_default_str()
        ->transform(decimalIn(1, 86400));
    const auto check = [options](MainOptions& main) {
        options->ports = station::namedPorts(main.ports);
        deliveryrun::checkMeshTestOptions(*options);
    };
    run.add(
        test, kPortOptions, check,
        [options](const modlink::CommonOptions& common) { return meshTest(common, *options); },
        [options] { checkWritable(options->csvPath, station::Writing::kReplace); }, options);
}

}  // namespace cli
