// read: the module's seven settings, and with --save a profile of them.

#include <CLI/CLI.hpp>
#include <iostream>

#include "Commands.h"
#include "Profile.h"
#include "SettingOptions.h"
#include "SetupExchange.h"
#include "Text.h"

namespace {

ExitCode readSetup(const CommonOptions& common, const std::string& savePath) {
    Session session = portSession(common);
    const proto::Setup setup = readSetupValues(session);
    if (!savePath.empty()) {
        // A profile is for modules in a known state: one value it cannot name spoils it.
        const std::string unlisted = forms::joined(unlistedCodes(setup), ", ");
        if (!unlisted.empty())
            throw session.failure(kExitRefused,
                                  "not in the lists: " + unlisted + "; nothing saved");
        saveProfile(savePath, setup);
    }
    printSettings(common, setup);
    return kExitDone;
}

}  // namespace

void addReadCommand(CLI::App& subcommand, CommandRun& run) {
    auto savePath = std::make_shared<std::string>();
    CLI::App* read = &subcommand;
    read->add_option("--save", *savePath, "also write them as a profile (TOML)");
    run.add(
        read, kPortOptions, onePort,
        [savePath](const CommonOptions& common) { return readSetup(common, *savePath); },
        [savePath] { checkWritable(*savePath, Writing::kReplace); });
}
