#include "Files.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "Failure.h"
#include "FileDescriptor.h"
#include "RegularFiles.h"

namespace station {

namespace {

modlink::Failure cannotWrite(const std::string& path, int error) {
    return modlink::Failure(modlink::kExitUsage,
                            path + ": cannot be written: " + std::strerror(error));
}

}  // namespace

std::string unwritableReason(const std::string& path, Writing how) {
    const std::string written = how == Writing::kAppend ? files::linkEnd(path) : path;
    struct stat status {};
    if (::stat(written.c_str(), &status) == 0) {
        if (S_ISDIR(status.st_mode)) return "a folder, not a file";
        if (!S_ISREG(status.st_mode)) return "not a regular file";
        if (::access(written.c_str(), W_OK) != 0) return std::strerror(errno);
    } else if (errno != ENOENT) {
        return std::strerror(errno);
    }
    // Both a new file and a temporary renamed over an old one need the folder.
    const std::string folder = files::folderOf(written);
    if (::stat(folder.c_str(), &status) != 0 || !S_ISDIR(status.st_mode))
        return "no folder " + folder;
    if (::access(folder.c_str(), W_OK | X_OK) != 0)
        return "folder " + folder + ": " + std::strerror(errno);
    return {};
}

void replaceFile(const std::string& path, const std::string& content) {
    if (const int error = files::replaceRegularFile(path, content); error != 0)
        throw cannotWrite(path, error);
}

void appendRecord(const std::string& path, const std::string& header, const std::string& record) {
    files::FileDescriptor file(::open(path.c_str(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC, 0644));
    if (!file) throw cannotWrite(path, errno);
    if (::flock(file.get(), LOCK_EX) != 0) throw cannotWrite(path, errno);
    struct stat status {};
    if (::fstat(file.get(), &status) != 0) throw cannotWrite(path, errno);
    std::string text = status.st_size == 0 ? header + record : record;
    char last = '\n';
    if (status.st_size > 0 && ::pread(file.get(), &last, 1, status.st_size - 1) != 1)
        throw cannotWrite(path, errno);
    if (last != '\n') text.insert(0, 1, '\n');
    if (const int error = files::writeAll(file.get(), text); error != 0) {
        // A full disk cuts the write: what went out is taken back, so no half row stays.
        (void)::ftruncate(file.get(), status.st_size);
        throw cannotWrite(path, error);
    }
    if (::close(file.release()) != 0) throw cannotWrite(path, errno);
}

RowFile::RowFile(std::string path)
    : m_path(std::move(path)),
      m_file(::open(m_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644)) {
    if (!m_file) throw cannotWrite(m_path, errno);
}

bool RowFile::add(const std::string& row) {
    if (!m_failure.empty()) return false;
    const std::string line = row + "\n";
    if (const int error = files::writeAll(m_file.get(), line); error != 0) {
        (void)::ftruncate(m_file.get(), m_written);
        m_failure = cannotWrite(m_path, error).what();
        return false;
    }
    m_written += static_cast<off_t>(line.size());
    return true;
}

}  // namespace station
