#pragma once
// The SHA-256 of a profile as the report names it, so a row says exactly which file was written.

#include <string>

// Lower-case hex digits; nothing (empty) when the file cannot be read.
std::string sha256OfFile(const std::string& path);
