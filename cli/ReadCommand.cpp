// read: the module's seven settings, and with --save a profile of them.

#include <CLI/CLI.hpp>
#include <iostream>

#include "Commands.h"
#include "Profile.h"
#include "SettingOptions.h"
#include "SetupExchange.h"
#include "Text.h"

namespace cli {

namespace {

modlink::ExitCode readSetup(const modlink::CommonOptions& common, const std::string& savePath) {
    modlink::Session session = portSession(common);
    const proto::Setup setup = modlink::readSetupValues(session);
    if (!savePath.empty()) {
        // A profile is for modules in a known state: one value it cannot name spoils it.
        const std::string unlisted = forms::joined(modlink::unlistedCodes(setup), ", ");
        if (!unlisted.empty())
            throw session.failure(modlink::kExitRefused,
                                  "not in the lists: " + unlisted + "; nothing saved");
        station::saveProfile(savePath, setup);
    }
    printSettings(common, setup);
    return modlink::kExitDone;
}

}  // namespace

void addReadCommand(CLI::App& subcommand, CommandRun& run) {
    auto savePath = std::make_shared<std::string>();
    CLI::App* read = &subcommand;
    read->add_option("--save", *savePath, "also write them as a profile (TOML)");
    run.add(
        read, kPortOptions, onePort,
        [savePath](const modlink::CommonOptions& common) { return readSetup(common, *savePath); },
        [savePath] { checkWritable(*savePath, station::Writing::kReplace); });
}

}  // namespace cli
