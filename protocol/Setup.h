#pragma once
// The setup frames as the window's "RF Config" controls write and read them.

#include <optional>

#include "ControlTexts.h"
#include "Frame.h"

namespace proto {

// What a setup reply puts into the controls.
using SetupValues = SetupFields;

Frame buildWriteSetup(const SetupFields& fields);
Frame buildReadSetup();

// The values at the setup frames' offsets, whatever the frame's code; nothing when the block
// is too short for them (shorter than 18 bytes).
std::optional<SetupValues> decodeSetupReply(Bytes block);

}  // namespace proto
