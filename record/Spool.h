#pragma once
// The rows a station could not store while its database was out of reach: one line each,
// appended and synced to a local file, stored later in the order they came.

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace record {

class Spool {
  public:
    explicit Spool(std::filesystem::path path) : m_path(std::move(path)) {}

    const std::filesystem::path& path() const { return m_path; }

    // On disk when this returns; a RecordError when the file cannot be written. A line cut off
    // by a crash in the middle of an earlier append is dropped first, so that it never joins
    // this one.
    void append(std::string_view line);

    // Hands every whole line to `store`, in order, under the file's lock; empties the file when
    // `store` returns, keeps it all when `store` throws.
    void drain(const std::function<void(const std::vector<std::string>&)>& store);

    bool empty() const;

  private:
    std::filesystem::path m_path;
};

}  // namespace record
