// Report rows from runs that share one file: each row whole, the header once.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <fstream>
#include <iterator>
#include <optional>
#include <set>
#include <sstream>
#include <thread>
#include <vector>

#include "Failure.h"
#include "Files.h"
#include "ScopedRuntimeDir.h"

namespace {

TEST(AppendRecord, rowsFromConcurrentRunsNeverInterleave) {
    constexpr int kRuns = 8;
    constexpr int kRowsPerRun = 40;
    constexpr std::size_t kRowSize = 20000;  // beyond any stream buffer
    ScopedRuntimeDir folder;
    const std::string path = folder.path() + "/report.csv";
    std::vector<std::thread> runs;
    for (int run = 0; run < kRuns; ++run) {
        runs.emplace_back([&path, run] {
            const std::string row(kRowSize, static_cast<char>('a' + run));
            for (int i = 0; i < kRowsPerRun; ++i)
                station::appendRecord(path, "header\n", row + "\n");
        });
    }
    for (std::thread& run : runs) run.join();

    std::ifstream file(path);
    std::string line;
    ASSERT_TRUE(std::getline(file, line));
    EXPECT_EQ(line, "header");
    int rows = 0;
    while (std::getline(file, line)) {
        ++rows;
        ASSERT_EQ(line.size(), kRowSize) << "row " << rows;
        EXPECT_EQ(line.find_first_not_of(line.front()), std::string::npos) << "row " << rows;
    }
    EXPECT_EQ(rows, kRuns * kRowsPerRun);
}

// A row appended to a report as it was left: whole or not at all, on a line of its own.
struct AppendCase {
    const char* name;
    std::optional<std::string> before;  // nothing: no file yet
    std::optional<std::size_t> room;    // bytes the disk takes beyond the file as it is
    bool refused;
    std::string after;
};

class AppendRecordCases : public testing::TestWithParam<AppendCase> {};

// The disk's room is the file size limit of this process, as a full disk cuts a write short.
class FileSizeLimit {
  public:
    explicit FileSizeLimit(std::optional<std::size_t> size) {
        ::getrlimit(RLIMIT_FSIZE, &m_before);
        m_signal = ::signal(SIGXFSZ, SIG_IGN);
        if (!size) return;
        rlimit limited = m_before;
        limited.rlim_cur = *size;
        ::setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &m_before);
        ::signal(SIGXFSZ, m_signal);
    }

  private:
    rlimit m_before{};
    sighandler_t m_signal;
};

TEST_P(AppendRecordCases, leavesOnlyWholeRows) {
    const AppendCase& row = GetParam();
    ScopedRuntimeDir folder;
    const std::string path = folder.path() + "/report.csv";
    if (row.before) std::ofstream(path) << *row.before;
    bool refused = false;
    {
        const FileSizeLimit limit(
            row.room ? std::optional(row.before.value_or("").size() + *row.room) : std::nullopt);
        try {
            station::appendRecord(path, "time,port\n", "12:00,COM200\n");
        } catch (const modlink::Failure& failure) {
            refused = true;
            EXPECT_NE(std::string(failure.what()).find("report.csv: cannot be written: "),
                      std::string::npos);
        }
    }
    EXPECT_EQ(refused, row.refused);
    std::ifstream file(path);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(file), {}), row.after);
}

INSTANTIATE_TEST_SUITE_P(
    , AppendRecordCases,
    testing::Values(
        AppendCase{"newFile", std::nullopt, std::nullopt, false, "time,port\n12:00,COM200\n"},
        AppendCase{"nextRow", "time,port\n11:00,COM150\n", std::nullopt, false,
                   "time,port\n11:00,COM150\n12:00,COM200\n"},
        AppendCase{"rowCutByACrashIsClosedFirst", "time,port\n11:00,CO", std::nullopt, false,
                   "time,port\n11:00,CO\n12:00,COM200\n"},
        AppendCase{"diskFullMidRow", "time,port\n11:00,COM150\n", 5, true,
                   "time,port\n11:00,COM150\n"},
        AppendCase{"diskFullMidHeader", std::nullopt, 4, true, ""},
        AppendCase{"diskFullAfterClosingACutRow", "time,port\n11:00,CO", 1, true,
                   "time,port\n11:00,CO"},
        AppendCase{"diskJustRoomEnough", "time,port\n", 13, false, "time,port\n12:00,COM200\n"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
