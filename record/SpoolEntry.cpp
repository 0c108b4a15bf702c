#include "SpoolEntry.h"

#include <nlohmann/json.hpp>

#include "RecordError.h"

namespace record {
namespace {

using Json = nlohmann::json;

Json setupJson(const proto::Setup& setup) {
    return Json::array({setup.frequencyRegister, setup.powerCode, setup.lifeCycleCode,
                        setup.networkId, setup.nodeId, setup.uartRateCode, setup.parityCode});
}

proto::Setup setupFrom(const Json& json) {
    return {json.at(0).get<std::uint32_t>(), json.at(1).get<std::uint8_t>(),
            json.at(2).get<std::uint8_t>(),  json.at(3).get<std::uint16_t>(),
            json.at(4).get<std::uint16_t>(), json.at(5).get<std::uint8_t>(),
            json.at(6).get<std::uint8_t>()};
}

template <typename Number>
Json optionalJson(const std::optional<Number>& value) {
    return value ? Json(*value) : Json(nullptr);
}

template <typename Number>
std::optional<Number> optionalFrom(const Json& json) {
    if (json.is_null()) return std::nullopt;
    return json.get<Number>();
}

Json rowJson(const UnitRow& row) {
    Json json{{"unit_id", row.unitId},
              {"time_ms", row.time.utcMs},
              {"utc_offset_min", row.time.offsetMinutes},
              {"station", row.station},
              {"port", row.port},
              {"device", row.device},
              {"adapter", row.adapter},
              {"adapter_serial", row.adapterSerial},
              {"adapter_name", row.adapterName},
              {"profile", nullptr},
              {"read_back", row.readBack ? setupJson(*row.readBack) : Json(nullptr)},
              {"network_id", optionalJson(row.networkId)},
              {"node_id", optionalJson(row.nodeId)},
              {"result", resultName(row.result)},
              {"why", row.why},
              {"duration_ms", row.durationMs}};
    if (row.profile)
        json["profile"] = {{"name", row.profile->name},
                           {"sha256", row.profile->sha256},
                           {"setup", setupJson(row.profile->setup)}};
    return json;
}

UnitRow rowFrom(const Json& json) {
    UnitRow row;
    row.unitId = json.at("unit_id").get<std::string>();
    row.time = {json.at("time_ms").get<std::int64_t>(), json.at("utc_offset_min").get<int>()};
    row.station = json.at("station").get<std::string>();
    row.port = json.at("port").get<std::string>();
    row.device = json.at("device").get<std::string>();
    row.adapter = json.at("adapter").get<std::string>();
    row.adapterSerial = json.at("adapter_serial").get<std::string>();
    // Rows spooled by an earlier version have no name.
    row.adapterName = json.value("adapter_name", std::string());
    if (const Json& profile = json.at("profile"); !profile.is_null())
        row.profile =
            Profile{profile.at("name").get<std::string>(), profile.at("sha256").get<std::string>(),
                    setupFrom(profile.at("setup"))};
    if (const Json& readBack = json.at("read_back"); !readBack.is_null())
        row.readBack = setupFrom(readBack);
    row.networkId = optionalFrom<std::uint16_t>(json.at("network_id"));
    row.nodeId = optionalFrom<std::uint16_t>(json.at("node_id"));
    const auto result = resultFromName(json.at("result").get<std::string>());
    if (!result) throw RecordError("a spool line holds an unknown result: " + json.dump());
    row.result = *result;
    row.why = json.at("why").get<std::string>();
    row.durationMs = json.at("duration_ms").get<std::int64_t>();
    return row;
}

// A device name or a module's words need not be UTF-8: such bytes are replaced rather than
// losing the row.
std::string text(const Json& json) {
    return json.dump(-1, ' ', false, Json::error_handler_t::replace);
}

}  // namespace

std::string spoolLine(const SpoolEntry& entry) {
    if (const auto* store = std::get_if<StoreUnit>(&entry))
        return text(
            Json{{"store", rowJson(store->row)}, {"give_back_node_id", store->giveBackNodeId}});
    return text(Json{{"cancel", std::get<CancelReservation>(entry).unitId}});
}

SpoolEntry spoolEntry(const std::string& line) {
    try {
        const Json json = Json::parse(line);
        if (json.contains("cancel")) return CancelReservation{json.at("cancel").get<std::string>()};
        return StoreUnit{rowFrom(json.at("store")), json.at("give_back_node_id").get<bool>()};
    } catch (const nlohmann::json::exception& error) {
        throw RecordError(std::string("a spool line is not a unit row (") + error.what() +
                          "): " + line);
    }
}

}  // namespace record
