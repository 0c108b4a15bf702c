#include "UnitRecord.h"

#include <cstdio>
#include <filesystem>

#include "Report.h"
#include "Text.h"
#include "UserFolders.h"

namespace station {

namespace {

std::string recordDown(const std::exception& error) {
    return std::string("the line's record cannot be reached: ") + error.what() +
           ": nothing written";
}

}  // namespace

void RecordIds::begin(const std::string& unit, const record::UnitRow& draft) {
    const std::lock_guard lock(m_mutex);
    m_units.insert_or_assign(unit, Unit{.draft = draft, .takenInstead = std::nullopt});
}

bool RecordIds::end(const std::string& unit) {
    const std::lock_guard lock(m_mutex);
    const auto found = m_units.find(unit);
    if (found == m_units.end()) return false;
    const bool givenBack = found->second.givenBack;
    m_units.erase(found);
    return givenBack;
}

RecordIds::Unit& RecordIds::unitOf(std::string_view unit) {
    const std::lock_guard lock(m_mutex);
    return m_units.try_emplace(std::string(unit)).first->second;
}

std::optional<std::uint16_t> RecordIds::take(Unit& unit, std::optional<std::uint16_t> held) {
    try {
        return m_line.reserveNodeId({m_networkId, m_range.first, m_range.last, held}, unit.draft);
    } catch (const record::NoNodeIdLeft&) {
        unit.noneLeft = true;
        return std::nullopt;
    } catch (const record::RecordError& error) {
        throw modlink::Failure(modlink::kExitRecord, recordDown(error));
    }
}

std::optional<std::uint16_t> RecordIds::reserve(std::string_view name) {
    Unit& unit = unitOf(name);
    if (unit.takenInstead) return std::exchange(unit.takenInstead, std::nullopt);
    if (unit.noneLeft) return std::nullopt;
    return take(unit, std::nullopt);
}

bool RecordIds::keep(std::uint16_t id, const UnitName& name) {
    Unit& unit = unitOf(name.text);
    // One reservation either way: the held id when it is free for this adapter, else the next.
    const auto taken = take(unit, id);
    if (taken == id) return true;
    unit.takenInstead = taken;
    return false;
}

void RecordIds::giveBack(std::uint16_t, std::string_view name) {
    unitOf(name).givenBack = true;
}

record::UnitRow unitDraft(const ports::PortTarget& port,
                          const std::optional<ports::UsbIdentity>& usb,
                          const std::optional<record::Profile>& profile) {
    record::UnitRow draft;
    draft.station = stationName();
    draft.port = port.name;
    draft.device = port.device;
    draft.adapterName = forms::joined(port.adapter, ", ");
    if (usb) {
        draft.adapter = usb->vendorId + ":" + usb->productId;
        draft.adapterSerial = usb->serial;
    }
    draft.profile = profile;
    if (profile) draft.networkId = profile->setup.networkId;
    return draft;
}

UnitRecord::UnitRecord(const StationOptions& options) : m_spoolPath(options.spoolPath) {
    try {
        m_line = std::make_unique<record::LineRecord>(options.dbUrl, options.spoolPath);
    } catch (const record::RecordError& error) {
        throw modlink::Failure(modlink::kExitUsage, error.what());
    }
    if (options.nodeIds && options.profile)
        m_ids = std::make_unique<RecordIds>(*m_line, *options.nodeIds,
                                            options.profile->setup.networkId);
}

void UnitRecord::begin(const std::string& unit, const record::UnitRow& draft) {
    if (m_ids) m_ids->begin(unit, draft);
}

void UnitRecord::drop(const std::string& unit) {
    if (m_ids) m_ids->end(unit);
}

std::string UnitRecord::store(const std::string& unit, UnitOutcome& outcome) {
    const bool giveBack = m_ids && m_ids->end(unit);
    try {
        if (m_line->store(outcome.row, giveBack) == record::LineRecord::StoredIn::kSpool)
            return "the line's record cannot be reached (" + m_line->downReason() +
                   "): the unit's row waits in " + m_spoolPath + " until it is back";
    } catch (const record::RecordError& error) {
        // The module is set up, but its record is missing: the unit does not count as done.
        outcome.rowLost();
        outcome.message = outcome.row.why =
            std::string("the unit's row could not be kept: ") + error.what();
    }
    return {};
}

std::string defaultSpoolPath(const std::string& url) {
    std::uint64_t digest = 14695981039346656037ULL;  // FNV-1a: stable across runs and builds
    for (const unsigned char c : url) digest = (digest ^ c) * 1099511628211ULL;
    char name[40];
    std::snprintf(name, sizeof name, "spool-%016llx.jsonl",
                  static_cast<unsigned long long>(digest));
    return (std::filesystem::path(files::stateHome()) / "meshcfg" / name).string();
}

}  // namespace station
