#pragma once
// How a command joins the command line, each from its own file: it adds its own options to its
// subcommand, and tells the run what to do should the parse choose it.

#include <any>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Failure.h"
#include "Files.h"
#include "NamedPorts.h"
#include "PluggedUnits.h"
#include "Session.h"

namespace CLI {
class App;
}

namespace cli {

// The main command's options, which stand before or after a command's name.
struct MainOptions {
    modlink::CommonOptions common;
    std::vector<std::string> ports;  // -p as given, one word each time
};

// What the parse chose: the command's options and its steps.
struct CommandToRun {
    modlink::CommonOptions common;
    // Before any port opens: the files the options name read and checked; a Failure with
    // kExitUsage for one that cannot be used. May be empty.
    std::function<void()> prepare;
    std::function<modlink::ExitCode(const modlink::CommonOptions&)> work;
    std::any options;  // a shared_ptr to the command's own options

    // The command's options when they are of this kind, else null.
    template <typename Options>
    const Options* optionsAs() const {
        const auto* held = std::any_cast<std::shared_ptr<Options>>(&options);
        return held ? held->get() : nullptr;
    }
};

// The common options a command's help lists after its own.
inline const std::vector<std::string> kPortOptions{"--port", "--baud", "--parity", "--timeout",
                                                   "--json"};

class CommandRun {
  public:
    struct Command {
        CLI::App* app = nullptr;
        std::vector<std::string> commonOptions;
        // What the words alone tell, once parsed: no file is read and nothing made. Sets the
        // command's ports from main; a Failure with kExitUsage for what cannot run. May be
        // empty.
        std::function<void(MainOptions& main)> check;
        CommandToRun run;
    };

    // A command's steps; options: a shared_ptr to the options its steps share, if any.
    void add(CLI::App* app, std::vector<std::string> commonOptions,
             std::function<void(MainOptions&)> check,
             std::function<modlink::ExitCode(const modlink::CommonOptions&)> work,
             std::function<void()> prepare = {}, std::any options = {});

    // The command the parse chose, checked, with the common options it runs with.
    CommandToRun chosen(MainOptions& main) const;
    // The common options a command's help lists; null for the main command and a group.
    const std::vector<std::string>* commonOptionsOf(const CLI::App* app) const;

  private:
    std::vector<Command> m_commands;
};

// The one port of a command that works on one: a Failure with kExitUsage for several, or for
// none when it needs one.
void takeOnePort(MainOptions& main, bool needed);
inline void onePort(MainOptions& main) {
    takeOnePort(main, true);
}
// The session of a command that works on one port: the command's one look at the names, the
// port opened being what -p stood for then.
modlink::Session portSession(
    const modlink::CommonOptions& common,
    modlink::ModuleLink::Reading reading = modlink::ModuleLink::Reading::kFrames);
// --adapter's VID:PID; a Failure with kExitUsage for another text.
station::AdapterModel adapterModel(const std::string& text);
// A Failure with kExitUsage naming the path when the file cannot be written.
void checkWritable(const std::string& path, station::Writing how);

}  // namespace cli
