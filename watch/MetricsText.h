#pragma once
// The watcher's state in Prometheus' text exposition format: one prefix, base units (seconds,
// timestamps in seconds since the epoch), counters ending in _total, metadata in an _info gauge,
// and labels that name only what the mesh bounds (nodes, ports, event kinds): never a time or a
// sequence number.

#include <string>
#include <string_view>

#include "WatchState.h"

namespace watch {

inline constexpr std::string_view kMetricsContentType = "text/plain; version=0.0.4; charset=utf-8";

std::string metricsText(const WatchState& state, std::string_view version);

}  // namespace watch
