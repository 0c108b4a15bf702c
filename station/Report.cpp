#include "Report.h"

#include <unistd.h>

#include <climits>
#include <fstream>

#include "CsvCell.h"
#include "Files.h"
#include "Text.h"

namespace {

using forms::csvTextCell;

// Numbers as they are, so a spreadsheet can still compute with them.
std::string cell(const Json& value) {
    if (value.is_null()) return {};
    return value.is_string() ? csvTextCell(value.get<std::string>()) : value.dump();
}

constexpr const char* kTracingColumns =
    ",station,adapter_id,adapter_serial,profile,profile_sha256,assigned_node_id,duration_ms,"
    "timestamp";

}  // namespace

std::string stationName() {
    char name[HOST_NAME_MAX + 1] = {};
    if (::gethostname(name, sizeof name - 1) != 0) return {};
    return name;
}

std::string CsvReport::header() {
    std::string header = "time,port,device,adapter";
    for (const std::string_view key : kSettingKeys) header += "," + std::string(key);
    return header + ",result,why" + kTracingColumns + "\n";
}

CsvReport::CsvReport(std::string path) : m_path(std::move(path)) {
    std::ifstream in(m_path);
    std::string first;
    if (!in || !std::getline(in, first)) return;  // new or empty: the header goes first
    if (first + "\n" != header())
        throw Failure(kExitUsage, m_path +
                                      ": its header is not this tool's report header; name a new "
                                      "file so rows of two layouts are not mixed");
}

RowOrigin RowOrigin::now() {
    const auto now = std::chrono::system_clock::now();
    return {localTimeText(now, false), offsetTimeText(now), stationName()};
}

void CsvReport::add(const ApplyRun& run) {
    appendRecord(m_path, header(), line(run, RowOrigin::now()));
}

std::string CsvReport::line(const ApplyRun& run, const RowOrigin& origin) {
    std::string row = csvTextCell(origin.time) + "," + csvTextCell(run.port.name) + "," +
                      csvTextCell(run.port.device) + "," +
                      csvTextCell(joined(run.port.adapter, ", "));
    for (const std::string_view key : kSettingKeys) {
        const auto value = run.readBack.find(key);
        row += "," + (value == run.readBack.end() ? std::string() : cell(*value));
    }
    row += std::string(",") +
           (run.unfinished ? "reserved"
            : run.passed   ? "PASS"
                           : "FAIL") +
           "," + csvTextCell(run.why);
    for (const std::string& field : {origin.station, run.adapterModel, run.adapterSerial,
                                     run.profile ? run.profile->fileName : std::string(),
                                     run.profile ? run.profile->sha256 : std::string(),
                                     run.nodeId ? std::to_string(*run.nodeId) : std::string(),
                                     std::to_string(run.duration.count()), origin.timestamp})
        row += "," + csvTextCell(field);
    return row + "\n";
}
