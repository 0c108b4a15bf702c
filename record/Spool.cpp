#include "Spool.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "RecordError.h"

namespace record {
namespace {

// The spool file, open and locked against every other process using it.
class LockedFile {
  public:
    LockedFile(const std::filesystem::path& path, int flags) : m_path(path) {
        m_fd = ::open(path.c_str(), flags | O_RDWR | O_CLOEXEC, 0600);
        if (m_fd < 0) return;
        if (::flock(m_fd, LOCK_EX) != 0) fail("cannot be locked");
    }
    ~LockedFile() {
        if (m_fd >= 0) ::close(m_fd);  // also releases the lock
    }
    LockedFile(const LockedFile&) = delete;
    LockedFile& operator=(const LockedFile&) = delete;

    bool opened() const { return m_fd >= 0; }

    std::string contents() const {
        std::string text;
        char block[65536];
        for (off_t offset = 0;;) {
            const ssize_t got = ::pread(m_fd, block, sizeof block, offset);
            if (got < 0 && errno == EINTR) continue;
            if (got < 0) fail("cannot be read");
            if (got == 0) return text;
            text.append(block, static_cast<std::size_t>(got));
            offset += got;
        }
    }

    std::size_t size() const {
        struct stat status {};
        if (::fstat(m_fd, &status) != 0) fail("cannot be read");
        return static_cast<std::size_t>(status.st_size);
    }

    char byteAt(std::size_t offset) const {
        char byte = 0;
        if (::pread(m_fd, &byte, 1, static_cast<off_t>(offset)) != 1) fail("cannot be read");
        return byte;
    }

    void truncate(std::size_t size) const {
        if (::ftruncate(m_fd, static_cast<off_t>(size)) != 0) fail("cannot be cut");
    }

    void write(std::string_view text) const {
        while (!text.empty()) {
            const ssize_t put = ::write(m_fd, text.data(), text.size());
            if (put < 0 && errno == EINTR) continue;
            if (put <= 0) fail("cannot be written");
            text.remove_prefix(static_cast<std::size_t>(put));
        }
    }

    void sync() const {
        if (::fsync(m_fd) != 0) fail("cannot be synced to disk");
    }

    [[noreturn]] void fail(std::string_view what) const {
        throw RecordError("spool " + m_path.string() + " " + std::string(what) + ": " +
                          std::strerror(errno));
    }

  private:
    std::filesystem::path m_path;
    int m_fd = -1;
};

void syncFolder(const std::filesystem::path& file) {
    const auto folder = file.has_parent_path() ? file.parent_path() : ".";
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

}  // namespace

void Spool::append(std::string_view line) {
    LockedFile file(m_path, O_CREAT | O_APPEND);
    if (!file.opened()) file.fail("cannot be opened");
    const std::size_t size = file.size();
    if (size > 0 && file.byteAt(size - 1) != '\n') {
        const std::string text = file.contents();
        const auto end = text.rfind('\n');
        file.truncate(end == std::string::npos ? 0 : end + 1);
    }
    file.write(std::string(line) + "\n");
    file.sync();
    // A new file's name must reach the disk too.
    if (size == 0) syncFolder(m_path);
}

void Spool::drain(const std::function<void(const std::vector<std::string>&)>& store) {
    LockedFile file(m_path, 0);
    if (!file.opened()) {
        if (errno == ENOENT) return;
        file.fail("cannot be opened");
    }
    const std::string text = file.contents();
    std::vector<std::string> lines;
    for (std::size_t start = 0, end = 0; (end = text.find('\n', start)) != std::string::npos;
         start = end + 1)
        lines.push_back(text.substr(start, end - start));
    if (!lines.empty()) store(lines);
    file.truncate(0);
    file.sync();
}

bool Spool::empty() const {
    struct stat status {};
    return ::stat(m_path.c_str(), &status) != 0 || status.st_size == 0;
}

}  // namespace record
