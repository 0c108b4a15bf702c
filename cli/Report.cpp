#include "Report.h"

#include <unistd.h>

#include <climits>
#include <fstream>

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
    std::string row = csvField(origin.time) + "," + csvField(run.port.name) + "," +
                      csvField(run.port.device) + "," + csvField(joined(run.port.adapter, ", "));
    for (const std::string_view key : kSettingKeys) {
        const auto value = run.readBack.find(key);
        row += "," + csvField(value == run.readBack.end() ? std::string() : cell(*value));
    }
    row += std::string(",") +
           (run.unfinished ? "reserved"
            : run.passed   ? "PASS"
                           : "FAIL") +
           "," + csvField(run.why);
    for (const std::string& field : {origin.station, run.adapterModel, run.adapterSerial,
                                     run.profile ? run.profile->fileName : std::string(),
                                     run.profile ? run.profile->sha256 : std::string(),
                                     run.nodeId ? std::to_string(*run.nodeId) : std::string(),
                                     std::to_string(run.duration.count()), origin.timestamp})
        row += "," + csvField(field);
    return row + "\n";
}
