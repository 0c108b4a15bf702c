#include "LabSurvey.h"

#include <stdexcept>
#include <variant>

#include "Lab.h"
#include "Messages.h"

namespace lab_survey {

namespace {

using namespace std::chrono_literals;

const sim::Lab::Clock::time_point kStart = sim::Lab::Clock::time_point{} + 1000s;

// Asks one module and takes what it says by an hour later; each exchange starts an hour after
// the last, so that sends are over before the next request.
class LabLine {
  public:
    explicit LabLine(const sim::LabPlan& plan) : m_lab(plan, 1) {}

    std::size_t size() const { return m_lab.size(); }
    bool answers(std::size_t module) const { return m_lab.hasLine(module); }
    int com(std::size_t module) const {
        return m_lab.node(module).com.value_or(200 + static_cast<int>(module));
    }

    template <typename Reply>
    std::optional<Reply> ask(std::size_t module, const proto::Frame& request) {
        m_now += 1h;
        m_lab.hear(module, {sim::Received::Kind::kFrame, request}, m_now);
        std::vector<std::string> log;
        std::optional<Reply> answer;
        for (const sim::Lab::Said& said : m_lab.takeDue(m_now + 1h - 1s, log)) {
            if (said.module != module || answer) continue;
            const auto reply = proto::decodeReply(said.bytes);
            if (reply && std::holds_alternative<Reply>(*reply)) answer = std::get<Reply>(*reply);
        }
        return answer;
    }

  private:
    sim::Lab m_lab;
    sim::Lab::Clock::time_point m_now = kStart;
};

std::optional<std::uint16_t> lastTarget(const proto::RouteListReply& routes) {
    std::optional<std::uint16_t> target;
    for (const auto& entry : routes.entries)
        if (entry) target = entry->target;
    return target;
}

mesh::SurveyedPort surveyModule(LabLine& line, std::size_t module) {
    mesh::SurveyedPort port{"COM" + std::to_string(line.com(module))};
    if (!line.answers(module)) {
        port.outcome = mesh::PortFailure{mesh::PortFailureKind::PortFailed, "no such port"};
        return port;
    }
    mesh::ModuleAnswers answers;
    if (const auto setup =
            line.ask<proto::SetupReply>(module, proto::encode(proto::ReadSetupRequest{})))
        answers.setup = setup->setup;
    answers.routes =
        line.ask<proto::RouteListReply>(module, proto::encode(proto::RouteListRequest{}));
    if (const auto target = answers.routes ? lastTarget(*answers.routes) : std::nullopt)
        line.ask<proto::SendStatus>(
            module,
            proto::encode(proto::SendDataRequest{
                .target = *target, .jump = 7, .routeMode = proto::kRouteModeAuto, .data = {0x01}}));
    answers.path = line.ask<proto::PathReply>(module, proto::encode(proto::PathRequest{}));
    port.outcome = answers;
    return port;
}

std::string link(int a, int b, int value) {
    return "[[link]]\nnodes = [" + std::to_string(a) + ", " + std::to_string(b) +
           "]\nlink_value = " + std::to_string(value) + "\n";
}

}  // namespace

mesh::Survey survey(const sim::LabPlan& plan) {
    LabLine line(plan);
    mesh::Survey survey;
    for (std::size_t module = 0; module < line.size(); ++module)
        survey.push_back(surveyModule(line, module));
    return survey;
}

sim::LabPlan planOf(const std::string& text) {
    sim::LabRead read = sim::parseLab(text, "lab.toml");
    if (!read.plan) throw std::runtime_error(read.error);
    return std::move(*read.plan);
}

sim::LabPlan grid(int rows, int columns) {
    const auto linkValue = [](int a, int b) { return 40 + (a * 7 + b * 3) % 60; };
    std::string text;
    for (int id = 1; id <= rows * columns; ++id)
        text += "[[node]]\nid = " + std::to_string(id) + "\n";
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < columns; ++c) {
            const int id = r * columns + c + 1;
            if (c + 1 < columns) text += link(id, id + 1, linkValue(id, id + 1));
            if (r + 1 < rows) text += link(id, id + columns, linkValue(id, id + columns));
        }
    }
    return planOf(text);
}

}  // namespace lab_survey
