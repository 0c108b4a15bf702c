#include "WriteCommand.h"

#include <CLI/CLI.hpp>
#include <iostream>

#include "Commands.h"
#include "SetupExchange.h"

namespace {

// What the module holds with the changes on top; all seven given, nothing needs reading.
proto::Setup changedSetup(Session& session, const SettingChanges& changes) {
    proto::Setup setup = changes.complete() ? proto::Setup{} : readSetupValues(session);
    changes.applyTo(setup);
    return setup;
}

ExitCode writeSetup(const CommonOptions& common, const WriteOptions& options) {
    Session session = portSession(common);
    const proto::Setup written = changedSetup(session, options.changes);
    writeSetupValues(session, written);
    if (options.verify) {
        const std::string differs = mismatch(written, readSetupValues(session));
        if (!differs.empty()) throw session.failure(kExitRefused, "verify failed: " + differs);
    }
    printSettings(common, written);
    return kExitDone;
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
            throw Failure(kExitUsage, "write: give at least one setting to write");
    };
    run.add(
        write, kPortOptions, check,
        [options](const CommonOptions& common) { return writeSetup(common, *options); }, {},
        options);
}
