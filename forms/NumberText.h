#pragma once
// Numbers read from control texts the way the module's tool always has: decimal, leading
// white space skipped, optional sign, digits up to the first other character, no digits
// giving 0. Independent of the user's locale.

#include <string_view>

namespace forms {

// As wcstol with base 10: saturates to the signed 32-bit range.
int readDecimal(std::string_view text);

// As atof in the classic locale; a text without a number gives 0.0.
double readDouble(std::string_view text);

}  // namespace forms
