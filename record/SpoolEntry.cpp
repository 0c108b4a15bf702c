#include "SpoolEntry.h"

#include <limits>
#include <nlohmann/json.hpp>
#include <stdexcept>
#include <type_traits>
#include <utility>

#include "RecordError.h"

namespace record {
namespace {

using Json = nlohmann::json;

Json setupJson(const proto::Setup& setup) {
    Json fields = Json::array();
    proto::forEachSetupField(
        setup, [&fields](const proto::SetupKeyNames&, auto field) { fields.push_back(field); });
    return fields;
}

// A whole number that fits its field; a spool edited by hand or damaged never has 70000 stored
// as node id 4464.
template <typename Number>
Number numberFrom(const Json& json, std::string_view name) {
    if (json.is_number_unsigned()) {
        if (const auto value = json.get<std::uint64_t>(); std::in_range<Number>(value))
            return static_cast<Number>(value);
    } else if (json.is_number_integer()) {
        if (const auto value = json.get<std::int64_t>(); std::in_range<Number>(value))
            return static_cast<Number>(value);
    }
    throw std::out_of_range(std::string(name) + " " + json.dump() + " is not a whole number from " +
                            std::to_string(std::numeric_limits<Number>::min()) + " to " +
                            std::to_string(std::numeric_limits<Number>::max()));
}

template <typename Number>
Number numberAt(const Json& json, std::string_view key) {
    return numberFrom<Number>(json.at(key), key);
}

proto::Setup setupFrom(const Json& json) {
    proto::Setup setup;
    std::size_t next = 0;
    proto::forEachSetupField(setup, [&](const proto::SetupKeyNames& names, auto& field) {
        field = numberFrom<std::remove_reference_t<decltype(field)>>(json.at(next++), names.column);
    });
    return setup;
}

template <typename Number>
Json optionalJson(const std::optional<Number>& value) {
    return value ? Json(*value) : Json(nullptr);
}

template <typename Number>
std::optional<Number> optionalAt(const Json& json, std::string_view key) {
    const Json& value = json.at(key);
    if (value.is_null()) return std::nullopt;
    return numberFrom<Number>(value, key);
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
              {"operator", row.operatorName},
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
    row.time = {numberAt<std::int64_t>(json, "time_ms"), numberAt<int>(json, "utc_offset_min")};
    row.station = json.at("station").get<std::string>();
    row.port = json.at("port").get<std::string>();
    row.device = json.at("device").get<std::string>();
    row.adapter = json.at("adapter").get<std::string>();
    row.adapterSerial = json.at("adapter_serial").get<std::string>();
    // Rows spooled by an earlier version have no name.
    row.adapterName = json.value("adapter_name", std::string());
    row.operatorName = json.value("operator", std::string());
    if (const Json& profile = json.at("profile"); !profile.is_null())
        row.profile =
            Profile{profile.at("name").get<std::string>(), profile.at("sha256").get<std::string>(),
                    setupFrom(profile.at("setup"))};
    if (const Json& readBack = json.at("read_back"); !readBack.is_null())
        row.readBack = setupFrom(readBack);
    row.networkId = optionalAt<std::uint16_t>(json, "network_id");
    row.nodeId = optionalAt<std::uint16_t>(json, "node_id");
    const auto result = resultFromName(json.at("result").get<std::string>());
    if (!result) throw std::out_of_range("result " + json.at("result").dump() + " is unknown");
    row.result = *result;
    row.why = json.at("why").get<std::string>();
    row.durationMs = numberAt<std::int64_t>(json, "duration_ms");
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
    } catch (const std::exception& error) {  // the JSON's, or a field's value
        throw RecordError(std::string("a spool line is not a unit row (") + error.what() +
                          "): " + line);
    }
}

}  // namespace record
