#include "Report.h"

#include <filesystem>
#include <fstream>

#include "Failure.h"
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
    const bool fresh = !std::filesystem::exists(path) || std::filesystem::file_size(path) == 0;
    std::ofstream file(path, std::ios::app);
    if (fresh) {
        file << "time,port,device,adapter";
        for (const std::string_view key : kSettingKeys) file << "," << key;
        file << ",result,why\n";
    }
    file << csvField(localTimeText(false)) << "," << csvField(run.port.name) << ","
         << csvField(run.port.device) << "," << csvField(joined(run.port.adapter, ", "));
    for (const std::string_view key : kSettingKeys) {
        const auto value = run.readBack.find(key);
        file << "," << csvField(value == run.readBack.end() ? std::string() : cell(*value));
    }
    file << "," << (run.passed ? "PASS" : "FAIL") << "," << csvField(run.why) << "\n";
    if (!file.flush()) throw Failure(kExitUsage, path + ": cannot be written");
}
