#pragma once
// A text cell of the CSV files people open in a spreadsheet: the activity log saved as CSV and
// the production line's report. Quoted where a comma, quote or line break would break the row.
// Text that starts like a formula (=, +, -, @, or a tab or carriage return, which some
// spreadsheets skip before reading a formula) gets a leading apostrophe inside the quotes, so
// the spreadsheet shows it as text and never evaluates it: a port alias, a log line and an
// adapter's USB strings can hold anything.

#include <string>
#include <string_view>

namespace forms {

std::string csvTextCell(std::string_view text);

}  // namespace forms
