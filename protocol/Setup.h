#pragma once
// The setup frames as the window's "RF Config" controls write and read them.

#include <optional>

#include "ControlTexts.h"
#include "Frame.h"

namespace proto {

Frame buildWriteSetup(const SetupFields& fields);
Frame buildReadSetup();

}  // namespace proto
