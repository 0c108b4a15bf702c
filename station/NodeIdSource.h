#pragma once
// Where a station's node ids come from: a file shared by the processes of one computer, the
// process's own memory, or later a database shared by a line of stations.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace station {

// Who holds an id, as the file and the record write it down: the adapter's serial, else the
// port. A serial names the module behind it; a port takes module after module, so holding an id
// under a port's name never shows that the module plugged in there now is the one given it.
struct UnitName {
    std::string text;
    bool namesModule = false;
};

class NodeIdSource {
  public:
    virtual ~NodeIdSource() = default;

    // The lowest free id, held for unit from now on; nothing when none is left.
    virtual std::optional<std::uint16_t> reserve(std::string_view unit) = 0;
    // A module that already holds id keeps it when no unit was given it, or when unit names that
    // very module and was given it.
    virtual bool keep(std::uint16_t id, const UnitName& unit) = 0;
    // The write never went out whole, so the id is free again.
    virtual void giveBack(std::uint16_t id, std::string_view unit) = 0;
};

}  // namespace station
