#pragma once
// JSON as the faces print it: one line whatever its texts hold.

#include <string>

#include "Settings.h"

namespace reports {

// The document on one line. A device name, a USB serial or a record's text need not be UTF-8:
// each byte that is not part of a UTF-8 character is written as "\xNN" instead of stopping the
// command.
std::string jsonText(modlink::Json document);

}  // namespace reports
