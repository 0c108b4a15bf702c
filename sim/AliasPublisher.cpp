#include "AliasPublisher.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <optional>
#include <stdexcept>
#include <string_view>

#include "FileDescriptor.h"
#include "PortNames.h"
#include "SystemError.h"

namespace sim {

namespace {

constexpr mode_t kDirectoryMode = 0700;

// The tool follows whatever link it finds here, so the directory must be ours alone.
void ensurePrivateDirectory(const std::string& directory) {
    if (::mkdir(directory.c_str(), kDirectoryMode) != 0 && errno != EEXIST) {
        throw systemFailure("cannot create " + directory);
    }
    struct stat info {};
    if (::lstat(directory.c_str(), &info) != 0) throw systemFailure("cannot read " + directory);
    if (!S_ISDIR(info.st_mode) || info.st_uid != ::geteuid() || (info.st_mode & 022) != 0) {
        throw std::runtime_error(directory +
                                 " is not a directory of this user, writable only by it");
    }
}

// Simulators starting side by side take turns, so none removes a dangling link another one
// has just replaced with its own.
class DirectoryLock {
  public:
    explicit DirectoryLock(const std::string& directory)
        : m_fd(::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
        if (!m_fd || ::flock(m_fd.get(), LOCK_EX) != 0)
            throw systemFailure("cannot lock " + directory);
    }

  private:
    files::FileDescriptor m_fd;
};

// Where the terminals a simulator publishes live.
constexpr std::string_view kTerminalFolder = "/dev/pts/";

std::optional<std::string> linkTarget(const std::string& path) {
    char buffer[PATH_MAX];
    const ssize_t length = ::readlink(path.c_str(), buffer, sizeof buffer);
    if (length <= 0) return std::nullopt;
    return std::string(buffer, static_cast<std::size_t>(length));
}

bool linksTo(const std::string& path, const std::string& target) {
    return linkTarget(path) == target;
}

// A link a simulator made and left behind when it died: dangling, to a terminal or to what it
// names while there is none. Any other link is someone else's, such as a user's alias for an
// adapter that is unplugged now, and is never replaced.
bool leftBySimulator(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0 || errno != ENOENT) return false;
    const std::optional<std::string> target = linkTarget(path);
    return target && (target->starts_with(kTerminalFolder) || *target == kUnplugged ||
                      *target == kSwitchedOff);
}

// What holds the path, for the message that it is taken.
std::string holder(const std::string& path) {
    if (const std::optional<std::string> target = linkTarget(path)) return "a link to " + *target;
    return "a file that is not a link";
}

bool tryPublish(const std::string& path, const std::string& target) {
    if (::symlink(target.c_str(), path.c_str()) == 0) return true;
    if (errno != EEXIST) throw systemFailure("cannot create " + path);
    if (!leftBySimulator(path)) return false;
    if (::unlink(path.c_str()) != 0 && errno != ENOENT)
        throw systemFailure("cannot remove " + path);
    return ::symlink(target.c_str(), path.c_str()) == 0;
}

}  // namespace

AliasPublisher::AliasPublisher(std::string directory, int firstPort, std::string target,
                               int lastPort)
    : m_directory(std::move(directory)), m_target(std::move(target)) {
    ensurePrivateDirectory(m_directory);
    const DirectoryLock lock(m_directory);
    for (int port = firstPort; port <= lastPort; ++port) {
        const std::string path = m_directory + "/COM" + std::to_string(port);
        if (tryPublish(path, m_target)) {
            m_port = port;
            m_path = path;
            return;
        }
    }
    if (firstPort == lastPort)
        throw AliasTaken("COM" + std::to_string(firstPort) + " is taken in " + m_directory +
                         " by " + holder(m_directory + "/COM" + std::to_string(firstPort)));
    throw AliasTaken("no free COM alias from COM" + std::to_string(firstPort) + " to COM" +
                     std::to_string(lastPort) + " in " + m_directory);
}

bool AliasPublisher::retarget(std::string target) {
    if (m_lost) return false;
    const DirectoryLock lock(m_directory);
    if (!linksTo(m_path, m_target)) {
        m_lost = true;
        return false;
    }
    const std::string next = m_path + ".next";
    ::unlink(next.c_str());
    if (::symlink(target.c_str(), next.c_str()) != 0 || ::rename(next.c_str(), m_path.c_str()) != 0)
        throw systemFailure("cannot point " + m_path + " at " + target);
    m_target = std::move(target);
    return true;
}

AliasPublisher::~AliasPublisher() {
    if (m_lost) return;
    try {
        const DirectoryLock lock(m_directory);
        if (linksTo(m_path, m_target)) ::unlink(m_path.c_str());
    } catch (const std::runtime_error&) {
        // The directory is gone, and the alias with it.
    }
}

}  // namespace sim
