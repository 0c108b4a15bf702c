#include "Report.h"

#include <filesystem>
#include <fstream>

#include "CsvCell.h"
#include "Failure.h"
#include "Text.h"

namespace {

using proto::csvTextCell;

// Numbers as they are, so a spreadsheet can still compute with them.
std::string cell(const Json& value) {
    if (value.is_null()) return {};
    return value.is_string() ? csvTextCell(value.get<std::string>()) : value.dump();
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
    file << csvTextCell(localTimeText(false)) << "," << csvTextCell(run.port.name) << ","
         << csvTextCell(run.port.device) << "," << csvTextCell(joined(run.port.adapter, ", "));
    for (const std::string_view key : kSettingKeys) {
        const auto value = run.readBack.find(key);
        file << "," << (value == run.readBack.end() ? std::string() : cell(*value));
    }
    file << "," << (run.passed ? "PASS" : "FAIL") << "," << csvTextCell(run.why) << "\n";
    if (!file.flush()) throw Failure(kExitUsage, path + ": cannot be written");
}
