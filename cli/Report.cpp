#include "Report.h"

#include "CsvCell.h"
#include "Files.h"
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
    std::string header = "time,port,device,adapter";
    for (const std::string_view key : kSettingKeys) header += "," + std::string(key);
    header += ",result,why\n";
    std::string row = csvTextCell(localTimeText(std::chrono::system_clock::now(), false)) + "," +
                      csvTextCell(run.port.name) + "," + csvTextCell(run.port.device) + "," +
                      csvTextCell(joined(run.port.adapter, ", "));
    for (const std::string_view key : kSettingKeys) {
        const auto value = run.readBack.find(key);
        row += "," + (value == run.readBack.end() ? std::string() : cell(*value));
    }
    row += std::string(",") + (run.passed ? "PASS" : "FAIL") + "," + csvTextCell(run.why) + "\n";
    appendRecord(path, header, row);
}
