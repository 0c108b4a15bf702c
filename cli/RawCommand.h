#pragma once
// raw, for exploring the protocol: bytes sent with their check byte, or --as-is.

#include <string>

namespace cli {

struct RawOptions {
    std::string bytes;  // hex
    bool asIs = false;
};

}  // namespace cli
