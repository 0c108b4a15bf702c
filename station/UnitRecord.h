#pragma once
// apply and station with --db: each unit's node id taken from the line's record under its
// uniqueness constraint, and each unit's row stored there (or in the spool until the database
// is back), so that a unit counts as done only once its row is kept.

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "LineRecord.h"
#include "NodeIdSource.h"
#include "Session.h"
#include "Settings.h"
#include "StationOptions.h"
#include "UnitApply.h"
#include "UsbAdapters.h"

namespace station {

// Node ids from the record: each reservation stores the unit's row as "reserved" under the unit
// id its final row will have, so a station that stops between write and verify leaves a row
// saying what happened.
class RecordIds final : public NodeIdSource {
  public:
    RecordIds(record::LineRecord& line, NodeIdRange range, std::uint16_t networkId)
        : m_line(line), m_range(range), m_networkId(networkId) {}

    // The unit's row so far; its reservation is made under the row's unit id.
    void begin(const std::string& unit, const record::UnitRow& draft);
    // The unit has ended: whether its id went back, since the write never went out whole.
    bool end(const std::string& unit);

    // A Failure with kExitRecord when the record cannot be reached: nothing is written then.
    std::optional<std::uint16_t> reserve(std::string_view unit) override;
    bool keep(std::uint16_t id, const UnitName& unit) override;
    void giveBack(std::uint16_t id, std::string_view unit) override;

  private:
    struct Unit {
        record::UnitRow draft;
        std::optional<std::uint16_t> takenInstead;  // keep() found the held id given elsewhere
        bool noneLeft = false;
        bool givenBack = false;
    };
    Unit& unitOf(std::string_view unit);
    std::optional<std::uint16_t> take(Unit& unit, std::optional<std::uint16_t> held);

    record::LineRecord& m_line;
    const NodeIdRange m_range;
    const std::uint16_t m_networkId;
    std::mutex m_mutex;
    std::map<std::string, Unit, std::less<>> m_units;
};

// A unit's row before its apply: where it is set up, and with which profile.
record::UnitRow unitDraft(const ports::PortTarget& port,
                          const std::optional<ports::UsbIdentity>& usb,
                          const std::optional<record::Profile>& profile);

class UnitRecord {
  public:
    // A Failure with kExitUsage for a malformed address or a spool that cannot be kept.
    explicit UnitRecord(const StationOptions& options);

    // Where node ids come from: the record, when a range is given.
    NodeIdSource* ids() { return m_ids.get(); }
    // May a unit start now? Stores rows that wait in the spool first.
    bool ready() { return m_line->ready(); }
    std::string downReason() const { return m_line->downReason(); }

    // The unit's row so far: its node id is reserved under the row's unit id.
    void begin(const std::string& unit, const record::UnitRow& draft);
    // The unit never started (nothing written): no row, and the next try begins afresh.
    void drop(const std::string& unit);
    // The outcome's row kept; when neither the database nor the spool takes it, the outcome says
    // so and the unit does not count as done. A row kept in the spool is said: the line that
    // returns, empty when the row is in the database.
    std::string store(const std::string& unit, UnitOutcome& outcome);

  private:
    std::unique_ptr<record::LineRecord> m_line;
    std::string m_spoolPath;
    std::unique_ptr<RecordIds> m_ids;
};

// $XDG_STATE_HOME/meshcfg/spool-<digest of the address>.jsonl: one spool per record, kept
// across runs so rows not yet stored are found again by the next run.
std::string defaultSpoolPath(const std::string& url);

}  // namespace station
