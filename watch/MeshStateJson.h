#pragma once
// The last survey as `meshcfg-cli mesh survey --json` prints it, each node with its state as the
// watcher decided it: "state" ("up" or "down") and "last_heard". Nodes that are down, or heard
// only in a receive notice since, are listed too, with what is known of them; "ports" lists the
// watched ports open or not, and the watcher's site and the survey's time come beside them.

#include "Settings.h"
#include "WatchState.h"

namespace watch {

modlink::Json meshStateJson(const WatchState& state);

}  // namespace watch
