#include "Setup.h"

namespace proto {

Frame buildWriteSetup(const SetupFields& fields) {
    return encode(WriteSetupRequest{setupOf(fields)});
}

Frame buildReadSetup() {
    return encode(ReadSetupRequest{});
}

}  // namespace proto
