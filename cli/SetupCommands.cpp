// read, write and apply: the module's seven settings.

#include <iostream>

#include "Commands.h"
#include "Profile.h"
#include "Report.h"
#include "Setup.h"

namespace {

proto::SetupValues readValues(Session& session) {
    const Session::Exchange reply = session.request(proto::buildReadSetup());
    const auto values = proto::decodeSetupReply(reply.reply);
    if (!values) throw session.failure(kExitNoReply, "the setup reply is cut short");
    return *values;
}

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

std::string mismatch(const proto::SetupValues& expected, const proto::SetupValues& actual) {
    std::string text;
    const Json want = settingsJson(expected);
    const Json got = settingsJson(actual);
    for (const std::string& key : differingSettings(expected, actual))
        text += (text.empty() ? "" : ", ") + key + " wrote " + want[key].dump() + " read " +
                got[key].dump();
    return text;
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

ExitCode applyProfile(const CommonOptions& common, const SettingChanges& changes,
                      const std::string& reportPath) {
    const PortIdentity port = identifyPort(common.port);
    std::optional<proto::SetupValues> actual;
    const auto report = [&](bool passed, const std::string& why) {
        if (reportPath.empty()) return;
        appendReport(reportPath,
                     {port, actual ? settingsJson(*actual) : Json::object(), passed, why});
    };
    // Where Ctrl+C stopped the run, for the report: whether the module holds the profile now.
    std::string step = "interrupted reading the module: nothing written";
    try {
        Session session(common);
        const proto::SetupFields fields = changedFields(session, changes);
        step = "interrupted before the write: nothing written";
        const proto::Frame frame = proto::buildWriteSetup(fields);
        try {
            session.request(frame);
        } catch (const Interrupted& stop) {
            if (stop.requestWritten())
                step =
                    "interrupted waiting for the write's acknowledgement: the write had gone out "
                    "whole";
            throw;
        }
        const proto::SetupValues written = *proto::decodeSetupReply(frame);
        step = "interrupted reading back: the write had gone out whole and was acknowledged";
        actual = readValues(session);
        const std::string differs = mismatch(written, *actual);
        if (!differs.empty()) throw session.failure(kExitRefused, "verify failed: " + differs);
    } catch (const Interrupted&) {
        report(false, step);
        throw;
    } catch (const Failure& failure) {
        report(false, failure.what());
        throw;
    }
    report(true, {});
    if (common.json)
        std::cout << Json{{"result", "PASS"}, {"settings", settingsJson(*actual)}}.dump() << "\n";
    else
        std::cout << settingsText(*actual) << "result=PASS\n";
    return kExitDone;
}
