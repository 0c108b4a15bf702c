#pragma once
// Files the tools read and write beside the ports: read only when they are regular files of a
// sane size, so that a FIFO, a device or a huge file never holds a command up; replaced whole
// through a temporary file made afresh, so that a planted link is never followed.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace files {

struct FileText {
    std::optional<std::string> text;
    std::string problem;  // why there is no text: "a folder, not a file", "No such file ..."
    bool absent = false;  // nothing is there at all
};

// The whole file, when it is a regular file of at most maxBytes.
FileText readRegularFile(const std::string& path, std::size_t maxBytes);

// Writes content to a new temporary file beside path, syncs it, renames it over path and syncs
// the folder. 0, or the errno of the step that failed (the temporary is removed then).
int replaceRegularFile(const std::string& path, std::string_view content);

// errno of the first write that fails, or 0 once all of text is written.
int writeAll(int fd, std::string_view text);

// The folder a file is in: "." for a bare name.
std::string folderOf(const std::string& path);

// A new name or a rename is durable only once its folder is synced too.
void syncFolderOf(const std::string& path);

// The file an open with O_CREAT writes to: path with its symbolic links followed to their end,
// also when that end does not exist yet. path itself when a link cannot be read.
std::string linkEnd(const std::string& path);

}  // namespace files
