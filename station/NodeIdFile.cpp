#include "NodeIdFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <fstream>
#include <sstream>
#include <system_error>

#include "FileDescriptor.h"
#include "RegularFiles.h"

namespace station {

namespace {

[[noreturn]] void fail(const std::string& what, const std::filesystem::path& path) {
    throw std::system_error(errno, std::generic_category(), what + " " + path.string());
}

files::FileDescriptor openOrFail(const std::filesystem::path& path, int flags) {
    files::FileDescriptor fd(::open(path.c_str(), flags | O_CLOEXEC, 0644));
    if (!fd) fail("cannot open", path);
    return fd;
}

void writeAllOrFail(int fd, std::string_view text, const std::filesystem::path& path) {
    if (const int error = files::writeAll(fd, text); error != 0) {
        errno = error;
        fail("cannot write", path);
    }
    if (::fsync(fd) != 0) fail("cannot sync", path);
}

// A unit is named by its adapter's serial or its port: one line each, so no tab or line break.
std::string line(std::uint16_t id, std::string_view unit) {
    std::string name(unit);
    std::replace_if(
        name.begin(), name.end(), [](char c) { return c == '\t' || c == '\n'; }, ' ');
    return std::to_string(id) + '\t' + name + '\n';
}

}  // namespace

class NodeIdFile::Lock {
  public:
    // A link planted in the lock's place is not followed.
    explicit Lock(const std::filesystem::path& path)
        : m_fd(openOrFail(path, O_RDWR | O_CREAT | O_NOFOLLOW)) {
        while (::flock(m_fd.get(), LOCK_EX) != 0)
            if (errno != EINTR) fail("cannot lock", path);
    }

  private:
    files::FileDescriptor m_fd;  // closing it lets the lock go
};

NodeIdFile::NodeIdFile(const std::filesystem::path& path, NodeIdRange range)
    : m_path(files::linkEnd(path)), m_lockPath(m_path.string() + ".lock"), m_range(range) {
    Lock{m_lockPath};
}

std::optional<std::uint16_t> NodeIdFile::reserve(std::string_view unit) {
    const Lock lock(m_lockPath);
    const auto held = holders();
    for (int id = m_range.first; id <= m_range.last; ++id) {
        if (held.contains(static_cast<std::uint16_t>(id))) continue;
        append(static_cast<std::uint16_t>(id), unit);
        return static_cast<std::uint16_t>(id);
    }
    return std::nullopt;
}

bool NodeIdFile::keep(std::uint16_t id, const UnitName& unit) {
    if (!m_range.holds(id)) return false;
    const Lock lock(m_lockPath);
    const auto held = holders();
    if (const auto holder = held.find(id); holder != held.end())
        return unit.namesModule && holder->second == unit.text;
    append(id, unit.text);
    return true;
}

void NodeIdFile::giveBack(std::uint16_t id, std::string_view unit) {
    const Lock lock(m_lockPath);
    auto held = holders();
    const auto holder = held.find(id);
    if (holder == held.end() || holder->second != unit) return;
    held.erase(holder);
    rewrite(held);
}

std::map<std::uint16_t, std::string> NodeIdFile::holders() const {
    std::map<std::uint16_t, std::string> held;
    std::ifstream in(m_path);
    std::stringstream text;
    text << in.rdbuf();
    const std::string all = text.str();
    // A last line without its line break was cut by a crash before the id went anywhere.
    std::size_t start = 0;
    for (std::size_t end; (end = all.find('\n', start)) != std::string::npos; start = end + 1) {
        const std::string_view entry = std::string_view(all).substr(start, end - start);
        const std::size_t tab = entry.find('\t');
        std::uint16_t id = 0;
        const auto [idEnd, error] = std::from_chars(entry.data(), entry.data() + tab, id);
        if (tab == std::string_view::npos || error != std::errc() || idEnd != entry.data() + tab)
            continue;
        held[id] = std::string(entry.substr(tab + 1));
    }
    return held;
}

void NodeIdFile::append(std::uint16_t id, std::string_view unit) const {
    const bool isNew = !std::filesystem::exists(m_path);
    const files::FileDescriptor fd = openOrFail(m_path, O_RDWR | O_APPEND | O_CREAT);
    // A line a crash cut short is closed first, so the new one is not read as its tail.
    char last = '\n';
    const off_t size = ::lseek(fd.get(), 0, SEEK_END);
    if (size > 0 && ::pread(fd.get(), &last, 1, size - 1) != 1) fail("cannot read", m_path);
    writeAllOrFail(fd.get(), (last == '\n' ? "" : "\n") + line(id, unit), m_path);
    if (isNew) files::syncFolderOf(m_path);
}

void NodeIdFile::rewrite(const std::map<std::uint16_t, std::string>& held) const {
    std::string text;
    for (const auto& [id, unit] : held) text += line(id, unit);
    if (const int error = files::replaceRegularFile(m_path, text); error != 0) {
        errno = error;
        fail("cannot replace", m_path);
    }
}

}  // namespace station
