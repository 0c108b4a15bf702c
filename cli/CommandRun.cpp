#include "CommandRun.h"

#include <CLI/CLI.hpp>

#include "NamedPorts.h"
#include "PortDirectory.h"

namespace cli {

void CommandRun::add(CLI::App* app, std::vector<std::string> commonOptions,
                     std::function<void(MainOptions&)> check,
                     std::function<modlink::ExitCode(const modlink::CommonOptions&)> work,
                     std::function<void()> prepare, std::any options) {
    m_commands.push_back({app,
                          std::move(commonOptions),
                          std::move(check),
                          {{}, std::move(prepare), std::move(work), std::move(options)}});
}

CommandToRun CommandRun::chosen(MainOptions& main) const {
    for (const Command& command : m_commands) {
        if (!*command.app) continue;
        if (command.check) command.check(main);
        CommandToRun run = command.run;
        run.common = main.common;
        return run;
    }
    throw modlink::Failure(modlink::kExitUsage, "give a command");
}

const std::vector<std::string>* CommandRun::commonOptionsOf(const CLI::App* app) const {
    for (const Command& command : m_commands)
        if (command.app == app) return &command.commonOptions;
    return nullptr;
}

void takeOnePort(MainOptions& main, bool needed) {
    std::string& port = main.common.port;
    if (main.ports.size() > 1)
        throw modlink::Failure(modlink::kExitUsage,
                               "only apply, mesh survey and mesh test take several ports");
    if (!main.ports.empty()) port = main.ports.front();
    if (needed && port.empty())
        throw modlink::Failure(modlink::kExitUsage, "give the port with -p COMn or -p DEVICE");
    if (!port.empty()) station::refuseMalformedPortName(port);
}

modlink::Session portSession(const modlink::CommonOptions& common,
                             modlink::ModuleLink::Reading reading) {
    return modlink::Session(common, ports::PortDirectory().resolve(common.port), reading);
}

void checkWritable(const std::string& path, station::Writing how) {
    if (path.empty()) return;
    const std::string reason = station::unwritableReason(path, how);
    if (!reason.empty())
        throw modlink::Failure(modlink::kExitUsage, path + ": cannot be written: " + reason);
}

station::AdapterModel adapterModel(const std::string& text) {
    const auto model = station::AdapterModel::parse(text);
    if (!model)
        throw modlink::Failure(modlink::kExitUsage,
                               "--adapter '" + text + "' is not VID:PID, four hex digits each");
    return *model;
}

}  // namespace cli
