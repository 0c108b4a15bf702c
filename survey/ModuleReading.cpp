#include "ModuleReading.h"

#include <optional>
#include <variant>

#include "Messages.h"

namespace survey {

namespace {

// The engine has read the reply as its request's; nothing when none came whole and sound.
template <typename Reply>
std::optional<Reply> replyTo(modlink::Session& session, const proto::Request& request) {
    const modlink::Session::Exchange exchange = session.exchange(request);
    if (exchange.failure) return std::nullopt;
    return std::get<Reply>(*exchange.reply);
}

bool answeredAny(const mesh::ModuleAnswers& answers) {
    return answers.setup || answers.routes || answers.path;
}

// A failure's words without the port's name in front, which the survey's faults give.
std::string reasonOf(const modlink::Failure& failure, const std::string& port) {
    std::string_view what = failure.what();
    if (what.starts_with(port)) {
        what.remove_prefix(port.size());
        if (what.starts_with(": ")) what.remove_prefix(2);
        if (what.starts_with(' ')) what.remove_prefix(1);
    }
    return std::string(what);
}

mesh::PortFailureKind failureKind(modlink::ExitCode code) {
    return code == modlink::kExitNoReply ? mesh::PortFailureKind::NoReply
                                         : mesh::PortFailureKind::PortFailed;
}

mesh::ModuleAnswers askModule(modlink::Session& session, const std::stop_token& stop, Asked asked) {
    mesh::ModuleAnswers answers;
    if (const auto setup = replyTo<proto::SetupReply>(session, proto::ReadSetupRequest{}))
        answers.setup = setup->setup;
    if (stop.stop_requested() || asked == Asked::kSetup) return answers;
    answers.routes = replyTo<proto::RouteListReply>(session, proto::RouteListRequest{});
    if (stop.stop_requested()) return answers;
    answers.path = replyTo<proto::PathReply>(session, proto::PathRequest{});
    return answers;
}

mesh::SurveyedPort failedPort(const std::string& port, const modlink::Failure& failure) {
    return {port, mesh::PortFailure{failureKind(failure.code()), reasonOf(failure, port)}};
}

}  // namespace

mesh::SurveyedPort readOpenModule(modlink::Session& session, const std::string& port,
                                  std::stop_token stop, Asked asked) {
    try {
        mesh::ModuleAnswers answers = askModule(session, stop, asked);
        if (answeredAny(answers)) return {port, std::move(answers)};
        return {port, mesh::PortFailure{mesh::PortFailureKind::NoReply,
                                        reasonOf(session.noReply(), port)}};
    } catch (const modlink::Failure& failure) {
        return failedPort(port, failure);
    }
}

mesh::SurveyedPort readModule(const ports::PortTarget& port, const modlink::CommonOptions& link,
                              std::stop_token stop, Asked asked) {
    try {
        modlink::Session session(link, port);
        // Notices that come between the replies are the mesh's traffic, not the survey's.
        session.onNotice([](const proto::ReadFrame&) {});
        return readOpenModule(session, port.name, stop, asked);
    } catch (const modlink::Failure& failure) {
        return failedPort(port.name, failure);
    }
}

}  // namespace survey
