#pragma once
// Write setup, Read setup and the setup reply. Conversions follow the classic "C" locale
// whatever the user's locale is.

#include <optional>
#include <string>

#include "Frame.h"
#include "Messages.h"

namespace proto {

inline constexpr int kNoSelection = -1;
// The seven controls of "RF Config" as the window reads them.
struct SetupFields {
    std::string frequencyText{};
    int powerIndex = kNoSelection;
    int lifeCycleIndex = kNoSelection;
    std::string networkIdText{};
    std::string nodeIdText{};
    int baudIndex = kNoSelection;
    int parityIndex = kNoSelection;
};

Frame buildWriteSetup(const SetupFields& fields);
Frame buildReadSetup();

// The values a setup reply puts into the controls; an index may lie outside its list.
struct SetupValues {
    std::string frequencyText{};    // "%.2f", truncated to two decimals
    int powerIndex = kNoSelection;  // b[9] - 1
    int lifeCycleIndex = kNoSelection;
    std::string networkIdText{};  // "%d"
    std::string nodeIdText{};
    int baudIndex = kNoSelection;
    int parityIndex = kNoSelection;
};

// Nothing when the block is too short for the fields (shorter than 18 bytes).
std::optional<SetupValues> decodeSetupReply(Bytes block);

}  // namespace proto
