#pragma once
// The production line's report: one CSV row per unit, appended to a file whose header is written
// once. The first columns are those scripts have always read; the tracing ones follow `why`.

#include <string>

#include "UnitRow.h"

// The station's name in rows: its host name.
std::string stationName();

// Where the rows go: a CSV file now; a database can take them instead.
class RowSink {
  public:
    virtual ~RowSink() = default;
    // Whole or not at all; a Failure with kExitUsage when it cannot be stored.
    virtual void add(const record::UnitRow& row) = 0;
};

class CsvReport final : public RowSink {
  public:
    // A Failure with kExitUsage when the file holds another header than the tool's, so that
    // rows of two layouts are never mixed; checked before anything is sent.
    explicit CsvReport(std::string path);
    void add(const record::UnitRow& row) override;

  private:
    std::string m_path;
};
