#include "CommandLine.h"

#include <poll.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <cstdio>
#include <iostream>
#include <memory>
#include <span>
#include <sstream>

#include "Commands.h"
#include "LineSettings.h"
#include "ProgramName.h"
#include "Settings.h"
#include "SetupNames.h"
#include "Text.h"

namespace cli {

CLI::Validator decimalIn(std::int64_t min, std::int64_t max) {
    const std::string range = std::to_string(min) + " to " + std::to_string(max);
    return CLI::Validator(
        [min, max, range](std::string& text) -> std::string {
            const auto value = forms::wholeDecimal(text);
            if (!value || *value < min || *value > max)
                return "'" + text + "' is not a decimal number from " + range;
            text = std::to_string(*value);
            return {};
        },
        "DECIMAL " + range);
}

CLI::Validator shareOfOne() {
    return CLI::Validator(
        [](std::string& text) -> std::string {
            const auto value = forms::decimalFraction(text);
            if (!value || *value > 1)
                return "'" + text + "' is not a share from 0 to 1, such as 0.95";
            return {};
        },
        "SHARE 0 to 1");
}

namespace {

CLI::Validator portRate() {
    return CLI::Validator(
        [](std::string& text) -> std::string {
            const auto value = forms::wholeDecimal(text);
            if (!value || *value > proto::kUartBaudRates.back() ||
                !proto::uartBaudIndex(static_cast<int>(*value)))
                return "'" + text + "' is not a rate the port takes: " + proto::rateList();
            text = std::to_string(*value);
            return {};
        },
        "RATE");
}

void addCommonOptions(CLI::App& app, MainOptions& main) {
    modlink::CommonOptions& common = main.common;
    // One word each time, so that a profile or the bytes of raw after it stay their own.
    app.add_option("-p,--port", main.ports,
                   "COMn as the window names ports (aliases included) or a device path; apply "
                   "and mesh survey take several, -p again for each, and COMn-COMm for a range")
        ->allow_extra_args(false);
    app.add_option("--baud", common.baud, "the port's baud rate: " + proto::rateList())
        ->capture_default_str()
        ->transform(portRate());
    app.add_option_function<std::string>(
           "--parity",
           [&common](const std::string& name) { common.parity = *proto::parityFromName(name); },
           "the port's parity")
        ->default_str(std::string(proto::parityNameOf(common.parity)))
        ->check(CLI::IsMember(
            std::vector<std::string>(proto::kParityNames.begin(), proto::kParityNames.end())));
    app.add_option("--timeout", common.timeoutMs, "milliseconds to wait for each reply")
        ->capture_default_str()
        ->transform(decimalIn(1, 3600000));
    app.add_flag("--json", common.json, "print one JSON document instead of text");
}

// Each command's help shows the options of the main command it takes after its own, since they
// may stand before or after its name.
class CommandHelp : public CLI::Formatter {
  public:
    explicit CommandHelp(const CommandRun& commands) : m_commands(commands) {}

    std::string make_footer(const CLI::App* app) const override {
        const std::vector<std::string>* names = m_commands.commonOptionsOf(app);
        if (!names) return CLI::Formatter::make_footer(app);
        std::vector<const CLI::Option*> common;
        const CLI::App* main = app;
        while (main->get_parent()) main = main->get_parent();
        for (const std::string& name : *names) common.push_back(main->get_option(name));
        // The group opens with a blank line, and one is left after the command's own options.
        return make_group("Common options", false, common).substr(1) +
               CLI::Formatter::make_footer(app);
    }

  private:
    const CommandRun& m_commands;
};

// A command as the main help lists it, and the file that adds its options. Building every
// command's options costs more than the rest of a start, so each command's are built only when
// the parse meets its name: the main help needs no more than names and descriptions.
struct CommandEntry {
    const char* name;
    const char* description;
    void (*addOptions)(CLI::App& subcommand, CommandRun& run);
};

constexpr CommandEntry kCommands[] = {
    {"ports", "list the ports as the window shows them", addPortsCommand},
    {"read", "read the module's seven settings", addReadCommand},
    {"write", "write settings; the others are read first", addWriteCommand},
    {"apply", "write a profile, read back and compare", addApplyCommand},
    {"station", "set up each module as it is plugged in, until Ctrl+C", addStationCommand},
    {"units", "list the units of the line's record, or count them", addUnitsCommand},
    {"route", "read the route list", addRouteCommand},
    {"path", "read the path list", addPathCommand},
    {"send", "send application data to a node", addSendCommand},
    {"raw", "send bytes with their check byte, print the reply", addRawCommand},
    {"monitor", "print every block received until Ctrl+C", addMonitorCommand},
};

constexpr CommandEntry kMeshCommands[] = {
    {"survey", "read every module of a mesh at once, draw its map and list its faults",
     addMeshSurveyCommand},
    {"test", "send tagged data between modules and see whether and how soon it arrives",
     addMeshTestCommand},
    {"plan", "what applying a mesh file would change, module by module", addMeshPlanCommand},
    {"apply", "write a mesh file to the modules that differ from it, all at once",
     addMeshApplyCommand},
    {"verify", "whether the mesh is as its file describes it: settings, nodes heard, links",
     addMeshVerifyCommand},
    {"export", "write the mesh file that describes the modules as they are now",
     addMeshExportCommand},
    {"history", "what a watcher kept: each node down and back, each change, and how long",
     addMeshHistoryCommand},
};

void declareCommands(CLI::App& parent, std::span<const CommandEntry> entries, CommandRun& run) {
    for (const CommandEntry& entry : entries) {
        CLI::App* subcommand = parent.add_subcommand(entry.name, entry.description);
        subcommand->preparse_callback(
            [subcommand, add = entry.addOptions, &run](std::size_t) { add(*subcommand, run); });
    }
}

// A refused word as one line, as every other failure is, with where to look for the right one.
std::string usageLine(const CLI::App* app, const CLI::Error& error) {
    std::string command(modlink::kProgram);
    for (auto chosen = app->get_subcommands(); !chosen.empty();
         chosen = chosen.front()->get_subcommands())
        command += " " + chosen.front()->get_name();
    return std::string(modlink::kProgram) + ": " + error.what() + " (see " + command + " --help)\n";
}

// Every command, declared by name; the chosen one's options added by its own file.
struct Declared {
    CLI::App app{"Sets up and tests a qz-470mr mesh radio module on a serial port.",
                 std::string(modlink::kProgram)};
    MainOptions main;
    CommandRun commands;

    Declared() {
        app.formatter(std::make_shared<CommandHelp>(commands));
        app.failure_message(usageLine);
        app.require_subcommand(1);
        app.fallthrough();
        addCommonOptions(app, main);
        declareCommands(app, kCommands, commands);
        CLI::App* mesh = app.add_subcommand("mesh", "work on every module of a mesh at once");
        mesh->require_subcommand(1);
        declareCommands(*mesh, kMeshCommands, commands);
    }
};

bool readerGone(int fd) {
    pollfd output{fd, POLLOUT, 0};
    return ::poll(&output, 1, 0) == 1 && (output.revents & POLLERR) != 0;
}

std::string failureLine(const modlink::Failure& failure) {
    std::ostringstream line;
    line << modlink::programPrefix << failure.what() << "\n";
    return line.str();
}

}  // namespace

ParsedCommandLine parseCommandLine(int argc, const char* const* argv) {
    Declared declared;
    ParsedCommandLine parsed;
    try {
        declared.app.parse(argc, argv);
        parsed.run = declared.commands.chosen(declared.main);
    } catch (const CLI::ParseError& error) {
        std::ostringstream out;
        std::ostringstream err;
        parsed.exitCode =
            declared.app.exit(error, out, err) == 0 ? modlink::kExitDone : modlink::kExitUsage;
        parsed.output = out.str();
        parsed.error = err.str();
    } catch (const modlink::Failure& failure) {
        parsed.exitCode = failure.code();
        parsed.error = failureLine(failure);
    }
    return parsed;
}

void prepareRun(ParsedCommandLine& parsed) {
    if (!parsed.run || !parsed.run->prepare) return;
    try {
        parsed.run->prepare();
    } catch (const modlink::Failure& failure) {
        parsed.run.reset();
        parsed.exitCode = failure.code();
        parsed.error = failureLine(failure);
    }
}

int runCommand(const CommandToRun& run) {
    try {
        return run.work(run.common);
    } catch (const modlink::Failure& failure) {
        if (failure.code() == modlink::kExitInterrupted)
            std::cerr << failure.what() << "\n";
        else
            std::cerr << failureLine(failure);
        return failure.code();
    }
}

int exitCodeWithOutput(int code) {
    std::cout.flush();
    // Text printed through C's stdio (printf) shares its buffer and its error.
    if (std::cout && std::fflush(stdout) == 0 && !std::ferror(stdout)) return code;
    if (readerGone(STDOUT_FILENO)) return code;
    std::cerr << failureLine(
        modlink::Failure(modlink::kExitOutput,
                         "standard output: cannot be written: what was printed is not all there"));
    return modlink::kExitOutput;
}

}  // namespace cli
