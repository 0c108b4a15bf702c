#include "NumberText.h"

#include <locale.h>

#include <climits>
#include <cstdlib>
#include <string>

namespace forms {

namespace {

// The user's LC_NUMERIC must not turn "433.5" into 433: every control text is read in the
// classic locale.
locale_t classicLocale() {
    static const locale_t kClassic = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return kClassic;
}

}  // namespace

int readDecimal(std::string_view text) {
    const std::string terminated(text);
    const long value = strtol_l(terminated.c_str(), nullptr, 10, classicLocale());
    if (value > INT_MAX) {
        return INT_MAX;
    }
    if (value < INT_MIN) {
        return INT_MIN;
    }
    return static_cast<int>(value);
}

double readDouble(std::string_view text) {
    const std::string terminated(text);
    return strtod_l(terminated.c_str(), nullptr, classicLocale());
}

}  // namespace forms
