#pragma once
// The line's record as a station and the units command use it: node ids given out under the
// database's uniqueness constraint, every unit's row stored once, and a local spool that keeps
// rows while the database is out of reach. Safe to call from several threads.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "CommitGroup.h"
#include "Connection.h"
#include "RecordError.h"
#include "Spool.h"
#include "SpoolEntry.h"
#include "UnitQueries.h"
#include "UnitRow.h"
#include "UnitTable.h"

namespace record {

class LineRecord {
  public:
    // A RecordError for a malformed address; the database is reached on first use, and its
    // tables are created or brought up to date then.
    LineRecord(std::string_view url, std::filesystem::path spoolPath);
    // Reads only: the record is neither made nor brought up to date, and may be read-only.
    // For units() and summary().
    explicit LineRecord(std::string_view url);

    // True when the database answers and no row waits in the spool, so the station may take a
    // unit; stores the spooled rows first. When false, downReason() says why on one line.
    bool ready();
    std::string downReason() const;

    // Takes a node id for the unit and stores its row as "reserved", in one transaction,
    // before the module is written. DatabaseDown: nothing is reserved and the unit must not
    // start. NoNodeIdLeft: the range is used up.
    std::uint16_t reserveNodeId(const NodeIdRange& range, const UnitRow& unit);

    enum class StoredIn { kDatabase, kSpool };
    // The unit is done when this returns: its row is in the database, or in the spool until
    // the database is back. A unit whose module never got its reserved id whole gives it back.
    // A RecordError only when neither could take the row.
    StoredIn store(const UnitRow& row, bool giveBackNodeId = false);

    // DatabaseDown or RecordError when they cannot be answered.
    std::vector<UnitRow> units(const UnitFilter& filter);
    Summary summary(const UnitFilter& filter);

  private:
    Connection& connection();
    void transact(Connection::Access access, const std::function<void(Statements&)>& work);
    // Shares one transaction with the writes of other threads running at the same time.
    void write(const CommitGroup::Work& work);
    // These two take m_mutex; drainSpool, markDown, transact and connection expect it taken.
    bool spoolWaits();
    void spool(const SpoolEntry& entry);
    bool drainSpool();
    void markDown(const std::string& why);

    CommitGroup m_group;
    mutable std::mutex m_mutex;
    RecordUrl m_url;
    Connection::Access m_access = Connection::Access::kWrite;
    Spool m_spool;
    std::unique_ptr<Connection> m_connection;
    KnownRows m_known;  // under m_mutex
    bool m_down = false;
    std::string m_downReason;
};

}  // namespace record
