#include "FileDescriptor.h"

#include <unistd.h>

namespace files {

FileDescriptor& FileDescriptor::operator=(FileDescriptor&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
}

void FileDescriptor::reset(int fd) noexcept {
    if (m_fd >= 0) ::close(m_fd);
    m_fd = fd;
}

int FileDescriptor::release() noexcept {
    const int fd = m_fd;
    m_fd = -1;
    return fd;
}

}  // namespace files
