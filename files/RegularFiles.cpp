#include "RegularFiles.h"

#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "FileDescriptor.h"

namespace files {

namespace {

// As the kernel gives up on a chain of links.
constexpr int kMostLinks = 40;

std::string sizeText(std::size_t bytes) {
    if (bytes % (1024 * 1024) == 0) return std::to_string(bytes / (1024 * 1024)) + " MiB";
    return std::to_string(bytes) + " bytes";
}

// Why the file at status cannot be read whole; empty when it can.
std::string unreadable(const struct stat& status, std::size_t maxBytes) {
    if (S_ISDIR(status.st_mode)) return "a folder, not a file";
    if (!S_ISREG(status.st_mode)) return "not a regular file";
    if (static_cast<std::size_t>(status.st_size) > maxBytes)
        return "larger than " + sizeText(maxBytes);
    return {};
}

}  // namespace

int writeAll(int fd, std::string_view text) {
    while (!text.empty()) {
        const ssize_t written = ::write(fd, text.data(), text.size());
        if (written < 0 && errno == EINTR) continue;
        if (written < 0) return errno;
        text.remove_prefix(static_cast<std::size_t>(written));
    }
    return 0;
}

std::string folderOf(const std::string& path) {
    const std::filesystem::path folder = std::filesystem::path(path).parent_path();
    return folder.empty() ? "." : folder.string();
}

FileText readRegularFile(const std::string& path, std::size_t maxBytes) {
    FileText file;
    // Looked at before it is opened, since opening a FIFO or a device may wait or act; looked
    // at again once open, in case it was replaced meanwhile.
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) {
        file.absent = errno == ENOENT;
        file.problem = std::strerror(errno);
        return file;
    }
    file.problem = unreadable(status, maxBytes);
    if (!file.problem.empty()) return file;
    const FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!fd || ::fstat(fd.get(), &status) != 0) {
        file.problem = std::strerror(errno);
        return file;
    }
    file.problem = unreadable(status, maxBytes);
    if (!file.problem.empty()) return file;
    std::string text;
    char block[4096];
    for (;;) {
        const ssize_t got = ::read(fd.get(), block, sizeof block);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            file.problem = std::strerror(errno);
            return file;
        }
        if (got == 0) break;
        text.append(block, static_cast<std::size_t>(got));
        // A file that grows while it is read is held to the same limit.
        if (text.size() > maxBytes) {
            file.problem = "larger than " + sizeText(maxBytes);
            return file;
        }
    }
    file.text = std::move(text);
    return file;
}

int replaceRegularFile(const std::string& path, std::string_view content) {
    // mkostemp creates a new name exclusively, so no link planted beside path is followed.
    std::string temporary = path + ".XXXXXX";
    FileDescriptor file(::mkostemp(temporary.data(), O_CLOEXEC));
    if (!file) return errno;
    int error = writeAll(file.get(), content);
    if (error == 0 && ::fchmod(file.get(), 0644) != 0) error = errno;
    if (error == 0 && ::fsync(file.get()) != 0) error = errno;
    if (::close(file.release()) != 0 && error == 0) error = errno;
    if (error == 0 && ::rename(temporary.c_str(), path.c_str()) != 0) error = errno;
    if (error != 0) {
        ::unlink(temporary.c_str());
        return error;
    }
    syncFolderOf(path);
    return 0;
}

void syncFolderOf(const std::string& path) {
    const FileDescriptor folder(::open(folderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder) ::fsync(folder.get());
}

std::string linkEnd(const std::string& path) {
    std::string end = path;
    for (int hop = 0; hop < kMostLinks; ++hop) {
        struct stat status {};
        if (::lstat(end.c_str(), &status) != 0 || !S_ISLNK(status.st_mode)) return end;
        char target[PATH_MAX];
        const ssize_t length = ::readlink(end.c_str(), target, sizeof target);
        if (length <= 0) return end;
        const std::string next(target, static_cast<std::size_t>(length));
        end = next.front() == '/' ? next : folderOf(end) + "/" + next;
    }
    return end;
}

}  // namespace files
