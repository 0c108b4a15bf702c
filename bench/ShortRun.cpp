#include "ShortRun.h"

#include <algorithm>
#include <string_view>

bool takeShortRun(int& argc, char** argv) {
    char** end = argv + argc;
    char** kept = std::remove_if(
        argv + 1, end, [](const char* arg) { return std::string_view(arg) == "--short"; });
    const bool found = kept != end;
    argc = static_cast<int>(kept - argv);
    if (found) argv[argc] = nullptr;
    return found;
}
