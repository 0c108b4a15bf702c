#include "MetricsText.h"

#include <charconv>

#include "PrintableText.h"
#include "WeakLinks.h"

namespace watch {

namespace {

// A label value is UTF-8 with backslash and double quote escaped; printable text holds no line
// feed to escape.
std::string labelValue(std::string_view text) {
    std::string escaped;
    for (const char c : files::printableText(text)) {
        if (c == '\\' || c == '"') escaped += '\\';
        escaped += c;
    }
    return escaped;
}

// The shortest text that reads back as the same value.
std::string number(double value) {
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, value).ptr;
    return std::string(text, end);
}

double secondsSinceEpoch(WallTime time) {
    return std::chrono::duration<double>(time.time_since_epoch()).count();
}

class Exposition {
  public:
    void family(std::string_view name, std::string_view type, std::string_view help) {
        m_name = name;
        m_text.append("# HELP ").append(name).append(" ").append(help).append("\n");
        m_text.append("# TYPE ").append(name).append(" ").append(type).append("\n");
    }
    // labels as `name="value",...`, already escaped.
    // suffix: a histogram's "_bucket", "_sum" or "_count".
    void sample(std::string_view labels, std::string_view value, std::string_view suffix = {}) {
        m_text.append(m_name).append(suffix);
        if (!labels.empty()) m_text.append("{").append(labels).append("}");
        m_text.append(" ").append(value).append("\n");
    }
    std::string take() { return std::move(m_text); }

  private:
    std::string m_name;
    std::string m_text;
};

std::string nodeLabel(std::string_view name, std::uint16_t node) {
    return std::string(name) + "=\"" + std::to_string(node) + "\"";
}

void addNodes(Exposition& out, const WatchState& state) {
    out.family("meshcfg_node_up", "gauge",
               "Whether the node is up (1) or down (0): down once it went unheard for the surveys "
               "lost_after asks.");
    for (const auto& [node, nodeState] : state.nodes)
        out.sample(nodeLabel("node", node), nodeState.up ? "1" : "0");
    out.family("meshcfg_node_last_heard_timestamp_seconds", "gauge",
               "When the node was last heard, by a survey or a receive notice.");
    for (const auto& [node, nodeState] : state.nodes)
        out.sample(nodeLabel("node", node), number(secondsSinceEpoch(nodeState.lastHeard)));
}

void addLinks(Exposition& out, const WatchState& state) {
    out.family("meshcfg_link_value", "gauge",
               "The link value between two nodes in the last survey's paths, the weaker way, as "
               "the windows show it (-97 is weaker than -90); from is the lower node id.");
    if (!state.mesh) return;
    for (const auto& [link, value] : linkValuesOf(state.mesh->graph))
        out.sample(nodeLabel("from", link.first) + "," + nodeLabel("to", link.second),
                   std::to_string(value));
}

void addRoutes(Exposition& out, const WatchState& state) {
    out.family("meshcfg_route_hops", "gauge",
               "The hops of a module's route to a target, where the route lists show the whole "
               "way.");
    for (const RouteHops& route : state.routeHops)
        out.sample(nodeLabel("node", route.node) + "," + nodeLabel("target", route.target),
                   std::to_string(route.hops));
}

void addPorts(Exposition& out, const WatchState& state) {
    out.family("meshcfg_port_up", "gauge", "Whether the watched port is open (1) or not (0).");
    for (const auto& [port, portState] : state.ports)
        out.sample("port=\"" + labelValue(port) + "\"", portState.open ? "1" : "0");
}

void addSurveys(Exposition& out, const WatchState& state) {
    out.family("meshcfg_survey_duration_seconds", "gauge", "How long the last survey took.");
    if (state.surveys) out.sample("", number(state.surveyDuration.count()));
    out.family("meshcfg_last_survey_timestamp_seconds", "gauge", "When the last survey ended.");
    if (state.surveys) out.sample("", number(secondsSinceEpoch(state.surveyedAt)));
    out.family("meshcfg_surveys_total", "counter", "Surveys ended since the watcher started.");
    out.sample("", std::to_string(state.surveys));
}

void addEvents(Exposition& out, const WatchState& state) {
    out.family("meshcfg_events_total", "counter",
               "Events since the watcher started, by kind: conditions that began and changes.");
    for (std::size_t kind = 0; kind < kEventKinds; ++kind)
        out.sample("kind=\"" + std::string(eventKindName(static_cast<EventKind>(kind))) + "\"",
                   std::to_string(state.eventsBegun[kind]));
}

void addProbes(Exposition& out, const WatchState& state) {
    const auto pairLabels = [](const ProbeFigures& probe) {
        return "from=\"" + labelValue(probe.from) + "\",to=\"" + labelValue(probe.to) + "\"";
    };
    out.family("meshcfg_probe_sent_total", "counter",
               "A probe pair's sends whose fate is known: delivered within the time-out or not.");
    for (const ProbeFigures& probe : state.probes)
        out.sample(pairLabels(probe), std::to_string(probe.sent));
    out.family("meshcfg_probe_delivered_total", "counter",
               "A probe pair's sends whose data reached the target within the time-out.");
    for (const ProbeFigures& probe : state.probes)
        out.sample(pairLabels(probe), std::to_string(probe.delivered));
    out.family("meshcfg_probe_latency_seconds", "histogram",
               "A probe pair's one-way latency, from the send's last byte on the line to the "
               "notice's last byte at the target.");
    for (const ProbeFigures& probe : state.probes) {
        std::uint64_t below = 0;
        for (std::size_t bound = 0; bound < kProbeLatencyBounds.size(); ++bound) {
            below += probe.latencyBuckets[bound];
            out.sample(pairLabels(probe) + ",le=\"" + number(kProbeLatencyBounds[bound]) + "\"",
                       std::to_string(below), "_bucket");
        }
        out.sample(pairLabels(probe) + ",le=\"+Inf\"", std::to_string(probe.delivered), "_bucket");
        out.sample(pairLabels(probe), number(probe.latencySum), "_sum");
        out.sample(pairLabels(probe), std::to_string(probe.delivered), "_count");
    }
}

void addBroker(Exposition& out, const WatchState& state) {
    if (!state.broker) return;
    out.family("meshcfg_mqtt_connected", "gauge",
               "Whether the watcher is connected to its MQTT broker (1) or not (0).");
    out.sample("", state.broker->connected ? "1" : "0");
    out.family("meshcfg_mqtt_queued_events", "gauge", "Events not yet acknowledged by the broker.");
    out.sample("", std::to_string(state.broker->waiting));
    out.family("meshcfg_mqtt_dropped_events_total", "counter",
               "Events dropped, the oldest first, while the broker's queue was full.");
    out.sample("", std::to_string(state.broker->dropped));
}

}  // namespace

std::string metricsText(const WatchState& state, std::string_view version) {
    Exposition out;
    out.family("meshcfg_watch_info", "gauge", "The watcher: its site and version.");
    out.sample("site=\"" + labelValue(state.site) + "\",version=\"" + labelValue(version) + "\"",
               "1");
    out.family("meshcfg_watch_start_time_seconds", "gauge", "When the watcher started.");
    out.sample("", number(secondsSinceEpoch(state.started)));
    addNodes(out, state);
    addLinks(out, state);
    addRoutes(out, state);
    addPorts(out, state);
    addSurveys(out, state);
    addEvents(out, state);
    addProbes(out, state);
    addBroker(out, state);
    return out.take();
}

}  // namespace watch
