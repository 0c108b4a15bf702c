#include "LineRecord.h"

#include "Schema.h"

namespace record {
namespace {

void apply(Statements& statements, KnownRows& known, const SpoolEntry& entry) {
    if (const auto* store = std::get_if<StoreUnit>(&entry)) {
        storeUnit(statements, known, store->row);
        if (store->giveBackNodeId) giveBackNodeId(statements, store->row.unitId);
    } else {
        cancelReservation(statements, std::get<CancelReservation>(entry).unitId);
    }
}

}  // namespace

LineRecord::LineRecord(std::string_view url, std::filesystem::path spoolPath)
    : m_url(parseRecordUrl(url)), m_spool(std::move(spoolPath)) {}

LineRecord::LineRecord(std::string_view url)
    : m_url(parseRecordUrl(url)), m_access(Connection::Access::kRead), m_spool({}) {}

Connection& LineRecord::connection() {
    if (!m_connection) {
        auto connection = connect(m_url, m_access);
        if (m_access == Connection::Access::kRead) {
            checkReadable(*connection, m_url.place());
        } else {
            migrate(*connection);
            connection->transact(Connection::Access::kRead, prepareUnitWrites);
        }
        m_connection = std::move(connection);
    }
    return *m_connection;
}

void LineRecord::transact(Connection::Access access, const std::function<void(Statements&)>& work) {
    // A row another unit of the same commit added is known only once that commit holds.
    KnownRows before = m_known;
    try {
        connection().transact(access, work);
        m_down = false;
    } catch (const DatabaseDown& error) {
        markDown(error.what());
        throw;
    } catch (...) {
        m_known = std::move(before);
        throw;
    }
}

void LineRecord::markDown(const std::string& why) {
    // The database that comes back may be another one.
    m_known = {};
    m_down = true;
    m_downReason = why;
}

bool LineRecord::drainSpool() {
    try {
        m_spool.drain([this](const std::vector<std::string>& lines) {
            std::vector<SpoolEntry> entries;
            for (const std::string& line : lines) entries.push_back(spoolEntry(line));
            // All or nothing: a retry after an unknown outcome stores each row once, by its
            // unit id.
            transact(Connection::Access::kWrite, [&](Statements& statements) {
                for (const SpoolEntry& entry : entries) apply(statements, m_known, entry);
            });
        });
        return true;
    } catch (const RecordError& error) {
        markDown(error.what());
        return false;
    }
}

bool LineRecord::ready() {
    const std::lock_guard lock(m_mutex);
    if (!m_spool.empty()) return drainSpool();
    if (m_connection && !m_down) return true;
    try {
        // A connection made now has answered already, while it readied the record.
        if (!m_connection) {
            connection();
            m_down = false;
            return true;
        }
        transact(Connection::Access::kRead,
                 [](Statements& statements) { statements.query("SELECT 1"); });
        return true;
    } catch (const RecordError& error) {
        markDown(error.what());
        return false;
    }
}

std::string LineRecord::downReason() const {
    const std::lock_guard lock(m_mutex);
    return m_downReason;
}

void LineRecord::write(const CommitGroup::Work& work) {
    m_group.run(work, [this](const CommitGroup::Work& batch) {
        const std::lock_guard lock(m_mutex);
        transact(Connection::Access::kWrite, batch);
    });
}

bool LineRecord::spoolWaits() {
    // Looked at before taking the lock, which a commit holds until it ends: the units of a gang
    // that finish while one commits must join the next commit, not wait in turn.
    if (m_spool.empty()) return false;
    const std::lock_guard lock(m_mutex);
    return !m_spool.empty() && !drainSpool();
}

void LineRecord::spool(const SpoolEntry& entry) {
    const std::lock_guard lock(m_mutex);
    m_spool.append(spoolLine(entry));
}

std::uint16_t LineRecord::reserveNodeId(const NodeIdRange& range, const UnitRow& unit) {
    // Rows waiting in the spool go first, so that the record keeps the order units came in.
    if (spoolWaits()) throw DatabaseDown(downReason());
    std::uint16_t id = 0;
    try {
        write([&](Statements& statements) {
            id = record::reserveNodeId(statements, m_known, range, unit);
        });
    } catch (const DatabaseDown&) {
        // The commit may have reached the database: that reservation is undone once it is back.
        spool(CancelReservation{unit.unitId});
        throw;
    }
    return id;
}

LineRecord::StoredIn LineRecord::store(const UnitRow& row, bool giveBackNodeId) {
    const SpoolEntry entry = StoreUnit{row, giveBackNodeId};
    if (!spoolWaits()) {
        try {
            write([&](Statements& statements) { apply(statements, m_known, entry); });
            return StoredIn::kDatabase;
        } catch (const RecordError& error) {
            // Whatever kept the row out of the database, the row itself must not be lost.
            const std::lock_guard lock(m_mutex);
            markDown(error.what());
        }
    }
    spool(entry);
    return StoredIn::kSpool;
}

std::vector<UnitRow> LineRecord::units(const UnitFilter& filter) {
    const std::lock_guard lock(m_mutex);
    std::vector<UnitRow> rows;
    transact(Connection::Access::kRead,
             [&](Statements& statements) { rows = findUnits(statements, filter); });
    return rows;
}

Summary LineRecord::summary(const UnitFilter& filter) {
    const std::lock_guard lock(m_mutex);
    Summary result;
    transact(Connection::Access::kRead,
             [&](Statements& statements) { result = summarise(statements, filter); });
    return result;
}

}  // namespace record
