#include "WriteCommand.h"

#include <CLI/CLI.hpp>
#include <iostream>

#include "Commands.h"
#include "SetupExchange.h"

namespace cli {

namespace {

// What the module holds with the changes on top; all seven given, nothing needs reading.
proto::Setup changedSetup(modlink::Session& session, const proto::SettingChanges& changes) {
    proto::Setup setup = changes.complete() ? proto::Setup{} : modlink::readSetupValues(session);
    changes.applyTo(setup);
    return setup;
}

modlink::ExitCode writeSetup(const modlink::CommonOptions& common, const WriteOptions& options) {
    modlink::Session session = portSession(common);
    const proto::Setup written = changedSetup(session, options.changes);
    modlink::writeSetupValues(session, written);
    if (options.verify) {
        const std::string differs = modlink::mismatch(written, modlink::readSetupValues(session));
        if (!differs.empty())
            throw session.failure(modlink::kExitRefused, "verify failed: " + differs);
    }
    printSettings(common, written);
    return modlink::kExitDone;
}

}  // namespace

void addWriteCommand(CLI::App& subcommand, CommandRun& run) {
    auto options = std::make_shared<WriteOptions>();
    CLI::App* write = &subcommand;
    options->given.addTo(*write);
    write->add_flag("--verify", options->verify, "read back and compare");
    const auto check = [options](MainOptions& main) {
        onePort(main);
        options->changes = options->given.changes();
        if (options->changes.empty())
            throw modlink::Failure(modlink::kExitUsage,
                                   "write: give at least one setting to write");
    };
    run.add(
        write, kPortOptions, check,
        [options](const modlink::CommonOptions& common) { return writeSetup(common, *options); },
        {}, options);
}

}  // namespace cli
