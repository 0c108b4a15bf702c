// read and write: the module's seven settings.

#include <iostream>

#include "Commands.h"
#include "Messages.h"
#include "Profile.h"
#include "SetupExchange.h"
#include "Text.h"

namespace {

// What the module holds with the changes on top; all seven given, nothing needs reading.
proto::Setup changedSetup(Session& session, const SettingChanges& changes) {
    proto::Setup setup = changes.complete() ? proto::Setup{} : readSetupValues(session);
    changes.applyTo(setup);
    return setup;
}

void printSettings(const CommonOptions& common, const proto::Setup& setup) {
    if (common.json)
        std::cout << settingsJson(setup).dump() << "\n";
    else
        std::cout << settingsText(setup);
}

}  // namespace

ExitCode readSetup(const CommonOptions& common, const std::string& savePath) {
    Session session(common);
    const proto::Setup setup = readSetupValues(session);
    if (!savePath.empty()) {
        // A profile is for modules in a known state: one value it cannot name spoils it.
        const std::string unlisted = joined(unlistedCodes(setup), ", ");
        if (!unlisted.empty())
            throw session.failure(kExitRefused,
                                  "not in the lists: " + unlisted + "; nothing saved");
        saveProfile(savePath, setup);
    }
    printSettings(common, setup);
    return kExitDone;
}

ExitCode writeSetup(const CommonOptions& common, const SettingChanges& changes, bool verify) {
    Session session(common);
    const proto::Setup written = changedSetup(session, changes);
    writeSetupValues(session, written);
    if (verify) {
        const std::string differs = mismatch(written, readSetupValues(session));
        if (!differs.empty()) throw session.failure(kExitRefused, "verify failed: " + differs);
    }
    printSettings(common, written);
    return kExitDone;
}
