// The units command's reader: it reads a record as it is, never makes or changes one, and reads
// a record made read-only for it, as a line manager's account finds a station's file. The
// reader runs as another user, so that a test run as root meets the file modes too.

#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "LineRecord.h"
#include "ProgramModule.h"
#include "Schema.h"
#include "SqliteConnection.h"
#include "TempFolder.h"

namespace {

namespace fs = std::filesystem;
using record::LineRecord;

const passwd* nobody() {
    return ::geteuid() == 0 ? ::getpwnam("nobody") : nullptr;
}

// What the reader found: "2 units", or "down: " or "error: " and the message.
std::string readAsAnotherUser(const std::string& url) {
    // The other user may not reach into the build tree, where an installed module would be
    // readable by everyone: the record's module is loaded before the user changes.
    const modules::ModuleEntry module =
        modules::loadModuleEntry(record::kSqliteModule, record::kSqliteEntry, "SQLite records");
    if (!module.address) return module.error;
    int pipe[2];
    if (::pipe(pipe) != 0) return "no pipe";
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(pipe[0]);
        std::string answer;
        const passwd* user = nobody();
        if (user && (::setgroups(0, nullptr) != 0 || ::setgid(user->pw_gid) != 0 ||
                     ::setuid(user->pw_uid) != 0)) {
            answer = "still root";
        } else {
            try {
                answer = std::to_string(LineRecord(url).units({}).size()) + " units";
            } catch (const record::DatabaseDown& error) {
                answer = std::string("down: ") + error.what();
            } catch (const record::RecordError& error) {
                answer = std::string("error: ") + error.what();
            }
        }
        [[maybe_unused]] const auto written = ::write(pipe[1], answer.data(), answer.size());
        ::_exit(0);
    }
    ::close(pipe[1]);
    std::string answer;
    char block[512];
    for (ssize_t got = 0; (got = ::read(pipe[0], block, sizeof block)) > 0;)
        answer.append(block, static_cast<std::size_t>(got));
    ::close(pipe[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    return answer;
}

void handOver(const fs::path& path, mode_t mode) {
    if (const passwd* user = nobody()) {
        ASSERT_EQ(::chown(path.c_str(), user->pw_uid, -1), 0);
    }
    ASSERT_EQ(::chmod(path.c_str(), mode), 0) << path;
}

enum class Made {
    kNothing,
    kEmptyFile,
    kTextFile,
    kOlderRecord,
    kRecord,
    kRecordWhileAStationWrites
};

struct ReaderCase {
    const char* name;
    Made made;
    mode_t fileMode;
    mode_t folderMode;
    const char* answer;  // the start of what the reader found
    const char* says;    // and what its message holds
};

class RecordReader : public testing::TestWithParam<ReaderCase> {};

TEST_P(RecordReader, ReadsWhatIsThereAndMakesNothing) {
    const ReaderCase& row = GetParam();
    TempFolder temp;
    ASSERT_EQ(::chmod(temp.path().c_str(), 0755), 0);
    const fs::path folder = temp.path() / "record";
    fs::create_directory(folder);
    const fs::path file = folder / "line.db";
    const std::string url = "sqlite://" + file.string();
    std::unique_ptr<LineRecord> station;
    if (row.made == Made::kEmptyFile) std::ofstream{file};
    if (row.made == Made::kTextFile) std::ofstream{file} << "time,port,device\n";
    if (row.made == Made::kOlderRecord)
        record::migrate(*record::connect(record::parseRecordUrl(url)), 1);
    if (row.made == Made::kRecord || row.made == Made::kRecordWhileAStationWrites) {
        station = std::make_unique<LineRecord>(url, temp.path() / "spool");
        for (int i = 0; i < 2; ++i) station->store(record::UnitRow{});
        // A station that ends folds its log into the file; one at work keeps it beside.
        if (row.made == Made::kRecord) station.reset();
    }
    const auto before = std::distance(fs::directory_iterator(folder), fs::directory_iterator());
    if (fs::exists(file)) handOver(file, row.fileMode);
    handOver(folder, row.folderMode);

    const std::string answer = readAsAnotherUser(url);
    EXPECT_TRUE(answer.starts_with(row.answer)) << answer;
    EXPECT_NE(answer.find(row.says), std::string::npos) << answer;
    if (row.made < Made::kOlderRecord) {
        EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), before);
        if (row.made == Made::kEmptyFile) {
            EXPECT_EQ(fs::file_size(file), 0u);
        }
    }
    if (row.made == Made::kOlderRecord) {
        record::connect(record::parseRecordUrl(url), record::Connection::Access::kRead)
            ->transact(record::Connection::Access::kRead,
                       [](record::Statements& sql) { EXPECT_EQ(record::schemaVersion(sql), 1); });
    }
    ::chmod(folder.c_str(), 0755);
}

INSTANTIATE_TEST_SUITE_P(
    Records, RecordReader,
    testing::Values(
        ReaderCase{"Writable", Made::kRecord, 0644, 0755, "2 units", ""},
        ReaderCase{"ReadOnlyFile", Made::kRecord, 0444, 0755, "2 units", ""},
        ReaderCase{"ReadOnlyFolder", Made::kRecord, 0644, 0555, "2 units", ""},
        ReaderCase{"ReadOnlyFileAndFolder", Made::kRecord, 0444, 0555, "2 units", ""},
        ReaderCase{"ReadOnlyWhileAStationWrites", Made::kRecordWhileAStationWrites, 0444, 0555,
                   "2 units", ""},
        ReaderCase{"NoFile", Made::kNothing, 0644, 0755, "down: ", "no record there"},
        ReaderCase{"EmptyFile", Made::kEmptyFile, 0644, 0755, "down: ", "no record there"},
        ReaderCase{"NotADatabase", Made::kTextFile, 0644, 0755, "error: ", "not a database"},
        ReaderCase{"OlderRecordLeftAsItIs", Made::kOlderRecord, 0644, 0755,
                   "error: ", "schema version 1, made by an older meshcfg"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
