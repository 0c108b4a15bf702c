#pragma once
// The ports as `ports --json` lists them, for scripts: each port's name, device, adapter, URL
// and whether it may be opened.

#include "PortDirectory.h"
#include "Settings.h"

namespace reports {

modlink::Json portListJson(const ports::PortDirectory& directory);

}  // namespace reports
