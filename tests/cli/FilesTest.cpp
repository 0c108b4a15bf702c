// Report rows from runs that share one file: each row whole, the header once.

#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <sstream>
#include <thread>
#include <vector>

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
            for (int i = 0; i < kRowsPerRun; ++i) appendRecord(path, "header\n", row + "\n");
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

}  // namespace
