#pragma once
// The node ids a station has given out, kept in a file so that several processes on one computer,
// or a station started again, never give one id twice. Every change happens under a lock on a
// separate FILE.lock (a lock on the file itself would be lost when the file is renamed over), and
// an id is on disk before it goes to a module. A link names the file it leads to, so that every
// name of one file shares one lock, and giving an id back replaces that file, not the link.

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "NodeIdRange.h"
#include "NodeIdSource.h"

namespace station {

class NodeIdFile final : public NodeIdSource {
  public:
    // Throws std::system_error when the lock file cannot be made.
    NodeIdFile(const std::filesystem::path& path, NodeIdRange range);

    // The lowest id of the range that no unit holds, written down for unit; nothing when the
    // range is used up.
    std::optional<std::uint16_t> reserve(std::string_view unit) override;

    // A module that already holds id keeps it when the file gave it to no unit, or to the one
    // that names this very module.
    bool keep(std::uint16_t id, const UnitName& unit) override;

    // The write never went out whole, so the id is free again.
    void giveBack(std::uint16_t id, std::string_view unit) override;

    // Who holds which id, as the file says now.
    std::map<std::uint16_t, std::string> holders() const;

  private:
    class Lock;
    void append(std::uint16_t id, std::string_view unit) const;
    void rewrite(const std::map<std::uint16_t, std::string>& holders) const;

    std::filesystem::path m_path;
    std::filesystem::path m_lockPath;
    NodeIdRange m_range;
};

}  // namespace station
