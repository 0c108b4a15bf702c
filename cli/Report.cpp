#include "Report.h"

#include "Files.h"
#include "Text.h"

namespace {

// Quoted where a comma, quote or line break would break the row.
std::string csvField(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string quoted = "\"";
    for (const char c : text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

std::string cell(const Json& value) {
    if (value.is_null()) return {};
    return value.is_string() ? value.get<std::string>() : value.dump();
}

}  // namespace

void appendReport(const std::string& path, const ApplyRun& run) {
    std::string header = "time,port,device,adapter";
    for (const std::string_view key : kSettingKeys) header += "," + std::string(key);
    header += ",result,why\n";
    std::string row = csvField(localTimeText(std::chrono::system_clock::now(), false)) + "," +
                      csvField(run.port.name) + "," + csvField(run.port.device) + "," +
                      csvField(joined(run.port.adapter, ", "));
    for (const std::string_view key : kSettingKeys) {
        const auto value = run.readBack.find(key);
        row += "," + csvField(value == run.readBack.end() ? std::string() : cell(*value));
    }
    row += std::string(",") + (run.passed ? "PASS" : "FAIL") + "," + csvField(run.why) + "\n";
    appendRecord(path, header, row);
}
