#pragma once
// Where a station's node ids come from: a file shared by the processes of one computer, the
// process's own memory, or later a database shared by a line of stations.

#include <cstdint>
#include <optional>
#include <string_view>

class NodeIdSource {
  public:
    virtual ~NodeIdSource() = default;

    // The lowest free id, held for unit from now on; nothing when none is left.
    virtual std::optional<std::uint16_t> reserve(std::string_view unit) = 0;
    // A module that already holds id keeps it, unless it was given to another unit.
    virtual bool keep(std::uint16_t id, std::string_view unit) = 0;
    // The write never went out whole, so the id is free again.
    virtual void giveBack(std::uint16_t id, std::string_view unit) = 0;
};
