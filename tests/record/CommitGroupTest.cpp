// Writes of several threads sharing transactions: one that comes while a transaction still runs
// its statements joins it, and what a joined write does wrong stays its own.

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "CommitGroup.h"
#include "RecordError.h"

namespace {

using record::CommitGroup;
using record::DatabaseDown;
using record::Params;
using record::RecordError;
using record::ResultRow;

// Keeps the statements of each transaction; those of a transaction that fails are rolled back.
class Database final : public record::Statements {
  public:
    void transact(const CommitGroup::Work& work) {
        m_open.clear();
        work(*this);
        m_committed.push_back(m_open);
    }
    const std::vector<std::vector<std::string>>& committed() const { return m_committed; }

    std::vector<ResultRow> query(std::string_view sql, const Params&) override {
        m_open.emplace_back(sql);
        return {};
    }
    std::int64_t execute(std::string_view sql, const Params&) override {
        m_open.emplace_back(sql);
        return 1;
    }
    bool hasTable(std::string_view) override { return true; }
    void prepare(std::string_view) override {}

  private:
    std::vector<std::string> m_open;
    std::vector<std::vector<std::string>> m_committed;
};

enum class Fault { kNone, kRecordError, kDatabaseDown };

struct JoiningRow {
    const char* name;
    Fault second;  // what the write that joins does
    std::vector<std::vector<std::string>> committed;
    std::optional<std::string> firstError;
    std::optional<std::string> secondError;
};

class JoiningWrite : public ::testing::TestWithParam<JoiningRow> {};

std::optional<std::string> errorOf(const std::function<void()>& call) {
    try {
        call();
    } catch (const DatabaseDown& error) {
        return "down: " + std::string(error.what());
    } catch (const RecordError& error) {
        return "error: " + std::string(error.what());
    }
    return std::nullopt;
}

TEST_P(JoiningWrite, JoinsTheTransactionStillRunningAndKeepsItsFaultsItsOwn) {
    const JoiningRow& row = GetParam();
    CommitGroup group;
    Database database;
    const CommitGroup::Transaction transaction = [&](const CommitGroup::Work& batch) {
        database.transact(batch);
    };
    const CommitGroup::Work second = [&](record::Statements& statements) {
        statements.execute("second");
        if (row.second == Fault::kRecordError) throw RecordError("bad row");
        if (row.second == Fault::kDatabaseDown) throw DatabaseDown("server gone");
    };
    std::optional<std::string> secondError;
    std::thread secondThread;
    const CommitGroup::Work first = [&](record::Statements& statements) {
        statements.execute("first");
        if (secondThread.joinable()) return;  // run again alone after a fault
        // The second write comes while this transaction still runs.
        secondThread =
            std::thread([&] { secondError = errorOf([&] { group.run(second, transaction); }); });
        while (group.waiting() == 0) std::this_thread::yield();
    };
    const std::optional<std::string> firstError = errorOf([&] { group.run(first, transaction); });
    secondThread.join();

    EXPECT_EQ(database.committed(), row.committed);
    EXPECT_EQ(firstError, row.firstError);
    EXPECT_EQ(secondError, row.secondError);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, JoiningWrite,
    ::testing::Values(JoiningRow{"OneCommitForBoth", Fault::kNone, {{"first", "second"}}, {}, {}},
                      JoiningRow{"BadRowFailsAloneAndTheOtherIsKept",
                                 Fault::kRecordError,
                                 {{"first"}},
                                 {},
                                 "error: bad row"},
                      JoiningRow{"DatabaseDownIsEveryones",
                                 Fault::kDatabaseDown,
                                 {},
                                 "down: server gone",
                                 "down: server gone"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
