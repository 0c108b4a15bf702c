#include "Files.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <utility>

#include "Failure.h"

namespace {

Failure cannotWrite(const std::string& path, int error) {
    return Failure(kExitUsage, path + ": cannot be written: " + std::strerror(error));
}

class Descriptor {
  public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor() {
        if (m_fd >= 0) ::close(m_fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return m_fd; }
    // Closes now, so that a failing close is seen; returns errno or 0.
    int close() {
        const int result = ::close(std::exchange(m_fd, -1));
        return result == 0 ? 0 : errno;
    }

  private:
    int m_fd;
};

// errno of the first failing write, or 0.
int writeAll(int fd, const std::string& text) {
    for (std::size_t done = 0; done < text.size();) {
        const ssize_t written = ::write(fd, text.data() + done, text.size() - done);
        if (written < 0 && errno == EINTR) continue;
        if (written < 0) return errno;
        done += static_cast<std::size_t>(written);
    }
    return 0;
}

std::string folderOf(const std::string& path) {
    const std::filesystem::path folder = std::filesystem::path(path).parent_path();
    return folder.empty() ? "." : folder.string();
}

}  // namespace

std::string unwritableReason(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) == 0) {
        if (S_ISDIR(status.st_mode)) return "a folder, not a file";
        if (!S_ISREG(status.st_mode)) return "not a regular file";
        if (::access(path.c_str(), W_OK) != 0) return std::strerror(errno);
    } else if (errno != ENOENT) {
        return std::strerror(errno);
    }
    // Both a new file and a temporary renamed over an old one need the folder.
    const std::string folder = folderOf(path);
    if (::stat(folder.c_str(), &status) != 0 || !S_ISDIR(status.st_mode))
        return "no folder " + folder;
    if (::access(folder.c_str(), W_OK | X_OK) != 0)
        return "folder " + folder + ": " + std::strerror(errno);
    return {};
}

void replaceFile(const std::string& path, const std::string& content) {
    std::string temporary = path + ".XXXXXX";
    Descriptor file(::mkostemp(temporary.data(), O_CLOEXEC));
    if (file.get() < 0) throw cannotWrite(path, errno);
    int error = writeAll(file.get(), content);
    if (error == 0 && ::fchmod(file.get(), 0644) != 0) error = errno;
    if (error == 0 && ::fsync(file.get()) != 0) error = errno;
    if (const int closing = file.close(); error == 0) error = closing;
    if (error == 0 && ::rename(temporary.c_str(), path.c_str()) != 0) error = errno;
    if (error != 0) {
        ::unlink(temporary.c_str());
        throw cannotWrite(path, error);
    }
}

void appendRecord(const std::string& path, const std::string& header, const std::string& record) {
    Descriptor file(::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644));
    if (file.get() < 0) throw cannotWrite(path, errno);
    if (::flock(file.get(), LOCK_EX) != 0) throw cannotWrite(path, errno);
    struct stat status {};
    if (::fstat(file.get(), &status) != 0) throw cannotWrite(path, errno);
    const int error = writeAll(file.get(), status.st_size == 0 ? header + record : record);
    if (error != 0) throw cannotWrite(path, error);
    if (const int closing = file.close(); closing != 0) throw cannotWrite(path, closing);
}
