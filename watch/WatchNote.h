#pragma once
// A line about the watcher itself (not an event) on standard error, made printable whatever it
// quotes: "meshcfg-watch: settings read again". Any thread may say one; each is one write.

#include <string>

namespace watch {

void watchNote(const std::string& text);

}  // namespace watch
