#pragma once
// The production line's record: one CSV row per unit, appended to a file whose header is written
// once. The first columns are those scripts have always read; the tracing ones follow `why`.

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include "Session.h"
#include "Settings.h"

// The station's name in rows: its host name.
std::string stationName();

// The profile a run writes, as the rows name it.
struct ProfileTrace {
    std::string fileName;
    std::string sha256;
};

struct ApplyRun {
    const PortTarget& port;
    Json readBack;  // the seven values read back; empty when nothing was read back
    bool passed = false;
    std::string why;            // empty for a pass
    std::string adapterModel;   // "vendor:product" of a USB adapter
    std::string adapterSerial;  // its serial number
    const ProfileTrace* profile = nullptr;
    std::optional<std::uint16_t> nodeId;  // the id given to the unit, also when it failed
    std::chrono::milliseconds duration{};
    bool unfinished = false;  // reserved, and the station stopped before its result
};

// When and where a row was made, as its columns show it.
struct RowOrigin {
    std::string time;       // "%Y-%m-%d %H:%M:%S" in the station's local time
    std::string timestamp;  // with milliseconds and the offset from UTC
    std::string station;
    static RowOrigin now();
};

// Where the rows go: a CSV file now; a database can take them instead.
class RowSink {
  public:
    virtual ~RowSink() = default;
    // Whole or not at all; a Failure with kExitUsage when it cannot be stored.
    virtual void add(const ApplyRun& run) = 0;
};

class CsvReport final : public RowSink {
  public:
    // A Failure with kExitUsage when the file holds another header than the tool's, so that
    // rows of two layouts are never mixed; checked before anything is sent.
    explicit CsvReport(std::string path);
    void add(const ApplyRun& run) override;

    static std::string header();
    // One row with its line break, the same for a unit just done and one from the record.
    static std::string line(const ApplyRun& run, const RowOrigin& origin);

  private:
    std::string m_path;
};
