#pragma once
// The files a run writes: checked before anything is sent, the way they will be written, and
// written so that a reader never sees half of one (a profile replaced whole, a report row
// appended whole).

#include <sys/types.h>

#include <string>

#include "FileDescriptor.h"

namespace station {

// How a run writes a file: appended to, following links as an open that creates a file does
// (reports, the id file, the spool), or replaced whole by a new file renamed over the name.
enum class Writing { kAppend, kReplace };

// Why the file cannot be written (a folder, no such folder, no permission); empty when it can.
std::string unwritableReason(const std::string& path, Writing how);

// Writes a temporary file beside path, then renames it over path. A Failure with kExitUsage
// naming the path when that fails.
void replaceFile(const std::string& path, const std::string& content);

// Appends one record in one write under an exclusive lock, so that runs sharing the file never
// interleave; header goes first when the file is empty. A record is appended whole or not at
// all, and a record a crash left without its line break is closed before the next one. A
// Failure with kExitUsage naming the path when that fails.
void appendRecord(const std::string& path, const std::string& header, const std::string& record);

// A file of rows a run writes as it goes (the delivery test's CSV), made afresh. Each row is
// written whole or taken back, so that a full disk never leaves half a row; once a write fails
// nothing more is written.
class RowFile {
  public:
    // A Failure with kExitUsage naming the path when it cannot be made.
    explicit RowFile(std::string path);
    // The row and its line break; false when it is not in the file, now or since a write failed.
    bool add(const std::string& row);
    // "PATH: cannot be written: REASON" once a write failed; empty before.
    const std::string& failure() const { return m_failure; }

  private:
    std::string m_path;
    files::FileDescriptor m_file;
    off_t m_written = 0;  // the rows written whole
    std::string m_failure;
};

}  // namespace station
