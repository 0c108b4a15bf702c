#include "SetupExchange.h"

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

std::string mismatch(const proto::Setup& expected, const proto::Setup& actual) {
    std::string text;
    const Json want = settingsJson(expected);
    const Json got = settingsJson(actual);
    for (const std::string& key : differingSettings(expected, actual))
        text += (text.empty() ? "" : ", ") + key + " wrote " + want[key].dump() + " read " +
                got[key].dump();
    return text;
}
