#pragma once
// A mesh described in one file (TOML): the settings every module holds ([defaults]), each module
// with how it is reached and what it holds apart from the defaults ([[module]]), and what the
// mesh must show once set up: nodes that must be heard ([expect] nodes) and links that must be
// there ([[expect.link]]). Read whole before any port opens; the first thing wrong is refused
// with its file and line.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "SettingChanges.h"

namespace ports {
class PortDirectory;
}

namespace meshplan {

// Text of a few hundred modules takes some tens of KiB; a file far beyond is not a mesh file.
inline constexpr std::size_t kLargestMeshFile = 1024 * 1024;

// How a module is reached: by a name a port goes by (a COM name, a device path, a network
// address), or by its USB adapter's serial number, whichever socket the adapter is in.
struct ModuleReach {
    std::string port;           // empty for an adapter
    std::string adapterSerial;  // empty for a port
    bool operator==(const ModuleReach&) const = default;
};

struct FileModule {
    ModuleReach reach;
    proto::SettingChanges settings;  // the defaults with the module's own on top
    std::uint16_t nodeId = 0;        // what settings give it
    int line = 0;                    // of its [[module]]
};

// The link values a path shows are negative: -52 is stronger than -70.
inline constexpr int kWeakestLinkValue = -255;

struct ExpectedLink {
    std::uint16_t a = 0;
    std::uint16_t b = 0;
    std::optional<int> minLinkValue;  // kWeakestLinkValue to 0
    int line = 0;
};

struct MeshFile {
    std::string path;
    std::string text;  // as read, so that what was applied can be named by its digest
    std::vector<FileModule> modules;
    std::vector<std::uint16_t> heardNodes;  // [expect] nodes: heard by some module's route list
    std::vector<ExpectedLink> links;
};

// "PATH:LINE: what is wrong".
class MeshFileError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The file's text as a MeshFile, or a MeshFileError for the first thing wrong: TOML that does
// not read, an unknown key, a value its setting cannot hold, a module without a node id or a
// way to reach it, a node id or an adapter twice, a link to a node the file does not name.
MeshFile parseMeshFile(const std::string& path, std::string text);

// Read from a regular file of at most kLargestMeshFile and parsed; also refused when two
// modules reach one port as the directory resolves their names.
MeshFile readMeshFile(const std::string& path, const ports::PortDirectory& directory);

}  // namespace meshplan
