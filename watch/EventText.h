#pragma once
// An event as a person reads it in the log (one line) and as a program reads it (one JSON
// object, the form a broker's subscribers and `--json` get).

#include <string>

#include "Event.h"
#include "Settings.h"

namespace watch {

// "2026-12-09T02:53:03.236+01:00 node_down start: node 5 (COM204) is down: not heard in 2 surveys"
std::string eventLine(const Event& event);

// {"time", "kind", "phase", "port", "node", "peer", "old", "new", "text"}; node and peer null
// where there is none.
modlink::Json eventJson(const Event& event);

// The time as the record writes it: "2026-12-09T02:53:03.236+01:00".
std::string timeText(WallTime time);

}  // namespace watch
