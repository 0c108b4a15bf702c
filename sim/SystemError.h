#pragma once

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <string>

namespace sim {

// What failed, with the reason errno gives.
inline std::runtime_error systemFailure(const std::string& what) {
    return std::runtime_error(what + ": " + std::strerror(errno));
}

}  // namespace sim
