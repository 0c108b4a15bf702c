#include "SetupExchange.h"

#include "Setup.h"

proto::SetupValues readValues(Session& session) {
    const Session::Exchange reply = session.request(proto::buildReadSetup());
    const auto values = proto::decodeSetupReply(reply.reply);
    if (!values) throw session.failure(kExitNoReply, "the setup reply is cut short");
    return *values;
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
