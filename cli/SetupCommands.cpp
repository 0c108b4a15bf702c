// read, write and apply: the module's seven settings.

#include <iostream>

#include "Commands.h"
#include "Messages.h"
#include "Profile.h"
#include "Report.h"
#include "Text.h"

namespace {

proto::Setup readSetupValues(Session& session) {
    const Session::Exchange reply = session.request(proto::encode(proto::ReadSetupRequest{}));
    const auto decoded = proto::decodeReply(reply.reply);
    const auto* setup = decoded ? std::get_if<proto::SetupReply>(&*decoded) : nullptr;
    if (!setup) throw session.failure(kExitNoReply, "the setup reply is cut short");
    return setup->setup;
}

void writeSetupValues(Session& session, const proto::Setup& setup) {
    session.request(proto::encode(proto::WriteSetupRequest{setup}));
}

// What the module holds with the changes on top; all seven given, nothing needs reading.
proto::Setup changedSetup(Session& session, const SettingChanges& changes) {
    proto::Setup setup = changes.complete() ? proto::Setup{} : readSetupValues(session);
    changes.applyTo(setup);
    return setup;
}

std::string mismatch(const proto::Setup& expected, const proto::Setup& actual) {
    std::string text;
    const Json want = settingsJson(expected);
    const Json got = settingsJson(actual);
    for (const std::string& key : differingSettings(expected, actual))
        text += (text.empty() ? "" : ", ") + key + " wrote " + want[key].dump() + " read " +
                got[key].dump();
    return text;
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

ExitCode applyProfile(const CommonOptions& common, const SettingChanges& changes,
                      const std::string& reportPath) {
    const PortIdentity port = identifyPort(common.port);
    std::optional<proto::Setup> actual;
    const auto report = [&](bool passed, const std::string& why) {
        if (reportPath.empty()) return;
        appendReport(reportPath,
                     {port, actual ? settingsJson(*actual) : Json::object(), passed, why});
    };
    // Where Ctrl+C stopped the run, for the report: whether the module holds the profile now.
    std::string step = "interrupted reading the module: nothing written";
    try {
        Session session(common);
        // What the module holds is read first, so that a module that does not answer is never
        // written to.
        proto::Setup written = readSetupValues(session);
        changes.applyTo(written);
        step = "interrupted before the write: nothing written";
        try {
            writeSetupValues(session, written);
        } catch (const Interrupted& stop) {
            if (stop.requestWritten())
                step =
                    "interrupted waiting for the write's acknowledgement: the write had gone out "
                    "whole";
            throw;
        }
        step = "interrupted reading back: the write had gone out whole and was acknowledged";
        actual = readSetupValues(session);
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
