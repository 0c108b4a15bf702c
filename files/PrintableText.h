#pragma once
// Strings read from the system (USB descriptors) are whatever the device firmware
// put there; the port list shows them on one line, so only printable text survives.

#include <string>
#include <string_view>

namespace files {

// Keeps the well-formed, printable UTF-8 of raw: line breaks and tabs become spaces, other
// control characters and broken sequences are dropped, and spaces at either end are trimmed.
std::string printableText(std::string_view raw);

}  // namespace files
