// meshcfg-watch: a deployed mesh watched for as long as it runs, its events told and its state
// served to Prometheus.

#include <cstdio>

#include "BrokenPipes.h"
#include "EventLog.h"
#include "GivenPorts.h"
#include "PortDirectory.h"
#include "WatchCommandLine.h"
#include "Watcher.h"

namespace {

using namespace watch;

std::string watchedText(const WatchSettings& settings) {
    std::string text;
    for (const std::string& port : settings.ports) text += (text.empty() ? "" : " ") + port;
    if (settings.aliases) text += text.empty() ? "every COM alias" : " and every COM alias";
    return text;
}

int watchMesh(const WatchCommandLine& line) {
    const std::string file = line.configFile.value_or(defaultSettingsFile());
    const bool named = line.configFile.has_value();
    const auto readSettings = [file, named, options = line.options] {
        WatchSettings settings = settingsFrom(readSettingsFile(file, named), options);
        if (const std::string problem = ports::repeatedPort(settings.ports, ports::PortDirectory());
            !problem.empty())
            throw modlink::Failure(modlink::kExitUsage, problem);
        return settings;
    };
    WatchSettings settings = readSettings();
    WatchSignals signals;  // before the first thread, so that every thread leaves them to it
    std::unique_ptr<MetricsServer> metrics;
    std::string problem;
    if (settings.metrics && !(metrics = MetricsServer::listen(*settings.metrics, problem)))
        throw modlink::Failure(modlink::kExitPort, problem);
    std::fprintf(
        stderr, "%s: watching %s, surveyed every %lld s%s%s\n", kWatchProgram.data(),
        watchedText(settings).c_str(), static_cast<long long>(settings.interval.count()),
        settings.metrics
            ? ("; metrics on http://" + settings.metrics->hostPort() + "/metrics").c_str()
            : "",
        settings.broker ? ("; publishing to " + settings.broker->address.text()).c_str() : "");
    Watcher watcher(std::move(settings), readSettings, std::move(metrics));
    watcher.addSink(std::make_unique<EventLog>(line.json));
    watcher.run(signals);
    return modlink::kExitDone;
}

}  // namespace

int main(int argc, char** argv) {
    serial::ignoreBrokenPipes();
    const WatchCommandLine line = parseWatchCommandLine(argc, argv);
    if (line.exitCode) {
        std::fputs(line.output.c_str(), stdout);
        std::fputs(line.error.c_str(), stderr);
        return *line.exitCode;
    }
    try {
        return watchMesh(line);
    } catch (const modlink::Failure& failure) {
        std::fprintf(stderr, "%s: %s\n", kWatchProgram.data(), failure.what());
        return failure.code();
    }
}
