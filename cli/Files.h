#pragma once
// The files a run writes: checked before anything is sent, and written so that a reader never
// sees half of one (a profile replaced whole, a report row appended whole).

#include <string>

// Why the file cannot be written (a folder, no such folder, no permission); empty when it can.
std::string unwritableReason(const std::string& path);

// Writes a temporary file beside path, then renames it over path. A Failure with kExitUsage
// naming the path when that fails.
void replaceFile(const std::string& path, const std::string& content);

// Appends one record in one write under an exclusive lock, so that runs sharing the file never
// interleave; header goes first when the file is empty. A Failure with kExitUsage naming the
// path when that fails.
void appendRecord(const std::string& path, const std::string& header, const std::string& record);
