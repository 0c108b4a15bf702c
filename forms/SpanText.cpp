#include "SpanText.h"

#include <algorithm>

namespace forms {

std::string spanText(std::chrono::seconds span) {
    const long long total = std::max<long long>(0, span.count());
    const long long days = total / 86400;
    const long long hours = total / 3600 % 24;
    const long long minutes = total / 60 % 60;
    const long long seconds = total % 60;
    const auto pair = [](long long big, const char* bigUnit, long long small,
                         const char* smallUnit) {
        std::string text = std::to_string(big) + " " + bigUnit;
        if (small) text += " " + std::to_string(small) + " " + smallUnit;
        return text;
    };
    if (days) return pair(days, "d", hours, "h");
    if (hours) return pair(hours, "h", minutes, "min");
    if (minutes) return pair(minutes, "min", seconds, "s");
    return std::to_string(seconds) + " s";
}

}  // namespace forms
