// read, write and apply: the module's seven settings.

#include <iostream>

#include "Commands.h"
#include "Profile.h"
#include "Setup.h"
#include "SetupExchange.h"

namespace {

// Writes the fields and returns the values the module should now report: the write request
// carries its fields where the setup reply does, so it decodes as that reply.
proto::SetupValues writeFields(Session& session, const proto::SetupFields& fields) {
    const proto::Frame frame = proto::buildWriteSetup(fields);
    session.request(frame);
    return *proto::decodeSetupReply(frame);
}

// What the module holds with the changes on top.
proto::SetupFields changedFields(Session& session, const SettingChanges& changes) {
    proto::SetupFields fields = asFields(readValues(session));
    changes.applyTo(fields);
    return fields;
}

void printSettings(const CommonOptions& common, const proto::SetupValues& values) {
    if (common.json)
        std::cout << settingsJson(values).dump() << "\n";
    else
        std::cout << settingsText(values);
}

}  // namespace

ExitCode readSetup(const CommonOptions& common, const std::string& savePath) {
    Session session(common);
    const proto::SetupValues values = readValues(session);
    if (!savePath.empty()) saveProfile(savePath, values);
    printSettings(common, values);
    return kExitDone;
}

ExitCode writeSetup(const CommonOptions& common, const SettingChanges& changes, bool verify) {
    Session session(common);
    // All seven given: nothing needs reading first.
    proto::SetupFields fields;
    if (changes.complete())
        changes.applyTo(fields);
    else
        fields = changedFields(session, changes);
    const proto::SetupValues written = writeFields(session, fields);
    if (verify) {
        const std::string differs = mismatch(written, readValues(session));
        if (!differs.empty()) throw session.failure(kExitRefused, "verify failed: " + differs);
    }
    printSettings(common, written);
    return kExitDone;
}
