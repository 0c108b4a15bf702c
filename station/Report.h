#pragma once
// The production line's report: one CSV row per unit, appended to a file whose header is written
// once. The first columns are those scripts have always read; the tracing ones follow `why`.

#include <string>
#include <string_view>

#include "UnitRow.h"

namespace station {

// The station's name in rows: its host name.
std::string stationName();

// Where the rows go: a CSV file now; a database can take them instead.
class RowSink {
  public:
    virtual ~RowSink() = default;
    // Whole or not at all; a Failure with kExitUsage when it cannot be stored.
    virtual void add(const record::UnitRow& row) = 0;
    // What a unit's row becomes here: "report row".
    virtual std::string_view rowName() const = 0;
};

class CsvReport final : public RowSink {
  public:
    // A Failure with kExitUsage when the file holds another header than the tool's, so that
    // rows of two layouts are never mixed; checked before anything is sent.
    explicit CsvReport(std::string path);
    void add(const record::UnitRow& row) override;
    std::string_view rowName() const override { return "report row"; }

  private:
    std::string m_path;
};

// Each unit as JUnit XML, one file per unit in a folder, as test-result collectors take them:
// "node-301-20261208T130608.123-1a2b3c4d.xml", by its node id ("none" before it had one), its
// local time and the start of its unit id, so that units of stations sharing the folder never
// take one name. Written through a temporary file, whole or not at all.
class JunitUnitFiles final : public RowSink {
  public:
    // A Failure with kExitUsage when the folder cannot take files; checked before anything is
    // sent.
    explicit JunitUnitFiles(std::string folder);
    void add(const record::UnitRow& row) override;
    std::string_view rowName() const override { return "JUnit file"; }

    static std::string fileName(const record::UnitRow& row);

  private:
    std::string m_folder;
};

}  // namespace station
