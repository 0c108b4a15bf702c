#pragma once

namespace files {

// Owns one file descriptor and closes it when it goes, so no early return leaks a device.

class FileDescriptor {
  public:
    FileDescriptor() = default;
    explicit FileDescriptor(int fd) noexcept : m_fd(fd) {}
    ~FileDescriptor() { reset(); }
    FileDescriptor(FileDescriptor&& other) noexcept : m_fd(other.release()) {}
    FileDescriptor& operator=(FileDescriptor&& other) noexcept;
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    int get() const noexcept { return m_fd; }
    explicit operator bool() const noexcept { return m_fd >= 0; }

    // Closes the held descriptor (if any) and takes fd instead.
    void reset(int fd = -1) noexcept;
    int release() noexcept;

  private:
    int m_fd = -1;
};

}  // namespace files
