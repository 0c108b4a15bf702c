#include "SetupExchange.h"

#include "Setup.h"
#include "SetupNumbers.h"

proto::SetupValues readValues(Session& session) {
    return readModule(session).values;
}

ModuleSetup readModule(Session& session) {
    const Session::Exchange reply = session.request(proto::buildReadSetup());
    const auto values = proto::decodeSetupReply(reply.reply);
    if (!values) throw session.failure(kExitNoReply, "the setup reply is cut short");
    return {*values, proto::decodeSetupNumbers(reply.reply)};
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

std::optional<proto::Setup> setupOf(const SettingChanges& settings) {
    if (!settings.complete()) return std::nullopt;
    proto::SetupFields fields;
    settings.applyTo(fields);
    return proto::decodeSetupNumbers(proto::buildWriteSetup(fields));
}
