#pragma once
// A setup frame's seven values as numbers, for the line's record: what a module holds, whatever
// the window's controls would show of it.

#include <optional>

#include "Frame.h"
#include "Messages.h"
#include "Setup.h"

namespace proto {

// The numbers a setup reply or a setup write carries; nothing when the block is too short.
std::optional<Setup> decodeSetupNumbers(Bytes block);

// What a setup reply carrying these numbers puts into the controls.
SetupValues setupValues(const Setup& setup);

}  // namespace proto
