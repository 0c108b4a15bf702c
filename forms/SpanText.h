#pragma once
// A span of time in the words the watcher's events and the history use: "45 s", "2 min 5 s",
// "3 h 20 min", "2 d 3 h".

#include <chrono>
#include <string>

namespace forms {

std::string spanText(std::chrono::seconds span);

}  // namespace forms
