#pragma once
// What the commands print: JSON on one line whatever its texts hold, and the settings.

#include <string>

#include "Session.h"
#include "Settings.h"

// The document on one line. A device name, a USB serial or a record's text need not be UTF-8:
// each byte that is not part of a UTF-8 character is written as "\xNN" instead of stopping the
// command.
std::string jsonText(Json document);

// The seven settings as "key=value" lines, or one JSON object with --json.
void printSettings(const CommonOptions& common, const proto::Setup& setup);
