#include "CsvCell.h"

namespace forms {

std::string csvTextCell(std::string_view text) {
    const bool formula =
        !text.empty() && std::string_view("=+-@\t\r").find(text.front()) != std::string_view::npos;
    if (!formula && text.find_first_of(",\"\r\n") == std::string_view::npos)
        return std::string(text);
    std::string quoted = formula ? "\"'" : "\"";
    for (const char c : text) {
        quoted += c;
        if (c == '"') quoted += '"';
    }
    return quoted + '"';
}

}  // namespace forms
