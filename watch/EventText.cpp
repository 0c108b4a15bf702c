#include "EventText.h"

#include "UnitRow.h"

namespace watch {

std::string timeText(WallTime time) {
    return record::UnitTime::at(time).text();
}

std::string eventLine(const Event& event) {
    return timeText(event.time) + " " + std::string(eventKindName(event.kind)) + " " +
           std::string(eventPhaseName(event.phase)) + ": " + event.text;
}

modlink::Json eventJson(const Event& event) {
    const auto nodeJson = [](const std::optional<std::uint16_t>& node) {
        return node ? modlink::Json(*node) : modlink::Json();
    };
    return {{"time", timeText(event.time)},
            {"kind", eventKindName(event.kind)},
            {"phase", eventPhaseName(event.phase)},
            {"port", event.port},
            {"node", nodeJson(event.node)},
            {"peer", nodeJson(event.peer)},
            {"old", event.oldValue},
            {"new", event.newValue},
            {"text", event.text}};
}

}  // namespace watch
