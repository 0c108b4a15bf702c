#pragma once
// A span of time in the words an event line uses: "45 s", "2 min 5 s", "3 h 20 min", "2 d 3 h".

#include <chrono>
#include <string>

namespace watch {

std::string spanText(std::chrono::seconds span);

}  // namespace watch
