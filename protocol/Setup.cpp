#include "Setup.h"

namespace proto {

Frame buildWriteSetup(const SetupFields& fields) {
    return encode(WriteSetupRequest{setupOf(fields)});
}

Frame buildReadSetup() {
    return encode(ReadSetupRequest{});
}

std::optional<SetupValues> decodeSetupReply(Bytes block) {
    const std::optional<Setup> setup = setupValuesIn(block);
    if (!setup) return std::nullopt;
    return setupFieldsOf(*setup);
}

}  // namespace proto
