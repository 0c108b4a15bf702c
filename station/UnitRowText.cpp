#include "UnitRowText.h"

#include "CsvCell.h"

namespace station {

namespace {

using forms::csvTextCell;

std::string idText(const std::optional<std::uint16_t>& id) {
    return id ? std::to_string(*id) : "-";
}

modlink::Json idJson(const std::optional<std::uint16_t>& id) {
    return id ? modlink::Json(*id) : modlink::Json();
}

// Numbers as they are, so a spreadsheet can still compute with them.
std::string cell(const modlink::Json& value) {
    if (value.is_null()) return {};
    return value.is_string() ? csvTextCell(value.get<std::string>()) : value.dump();
}

constexpr const char* kTracingColumns =
    ",station,adapter_id,adapter_serial,profile,profile_sha256,assigned_node_id,duration_ms,"
    "timestamp";

}  // namespace

std::string unitLine(const record::UnitRow& row) {
    std::string line = row.port + " " + std::string(record::resultName(row.result)) +
                       " node_id=" + idText(row.nodeId) +
                       " serial=" + (row.adapterSerial.empty() ? "-" : row.adapterSerial) +
                       " ms=" + std::to_string(row.durationMs);
    if (!row.why.empty()) line += " why=" + row.why;
    return line;
}

modlink::Json unitJson(const record::UnitRow& row) {
    return {{"unit_id", row.unitId},
            {"time", row.time.text()},
            {"station", row.station},
            {"operator", row.operatorName},
            {"port", row.port},
            {"device", row.device},
            {"adapter_id", row.adapter},
            {"adapter_serial", row.adapterSerial},
            {"profile", row.profile ? modlink::Json(row.profile->name) : modlink::Json()},
            {"profile_sha256", row.profile ? modlink::Json(row.profile->sha256) : modlink::Json()},
            {"settings", row.readBack ? modlink::settingsJson(*row.readBack) : modlink::Json()},
            {"network_id", idJson(row.networkId)},
            {"node_id", idJson(row.nodeId)},
            {"result", record::resultName(row.result)},
            {"why", row.why},
            {"duration_ms", row.durationMs}};
}

modlink::Json unitJsonLine(const record::UnitRow& row) {
    modlink::Json line{{"adapter_serial", row.adapterSerial},
                       {"station", row.station},
                       {"operator", row.operatorName}};
    modlink::Json all = unitJson(row);
    for (auto& [key, value] : all.items())
        if (!line.contains(key)) line[key] = std::move(value);
    return line;
}

std::string reportHeader() {
    std::string header = "time,port,device,adapter";
    for (const std::string_view key : proto::kSettingKeys) header += "," + std::string(key);
    return header + ",result,why" + kTracingColumns + "\n";
}

std::string reportLine(const record::UnitRow& row, const record::UnitTime& time) {
    const std::string timestamp = time.text();
    std::string localTime = timestamp.substr(0, 19);  // "2026-12-08 13:06:08"
    localTime[10] = ' ';
    std::string line = csvTextCell(localTime) + "," + csvTextCell(row.port) + "," +
                       csvTextCell(row.device) + "," + csvTextCell(row.adapterName);
    const modlink::Json readBack =
        row.readBack ? modlink::settingsJson(*row.readBack) : modlink::Json::object();
    for (const std::string_view key : proto::kSettingKeys) {
        const auto value = readBack.find(key);
        line += "," + (value == readBack.end() ? std::string() : cell(*value));
    }
    line += "," + std::string(record::resultName(row.result)) + "," + csvTextCell(row.why);
    for (const std::string& field : {row.station, row.adapter, row.adapterSerial,
                                     row.profile ? row.profile->name : std::string(),
                                     row.profile ? row.profile->sha256 : std::string(),
                                     row.nodeId ? std::to_string(*row.nodeId) : std::string(),
                                     std::to_string(row.durationMs), timestamp})
        line += "," + csvTextCell(field);
    return line + "\n";
}

}  // namespace station
