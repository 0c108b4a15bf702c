#pragma once
// A unit's row as people and programs read it: one text line, one JSON object and one CSV row of
// the report. A unit just done and one listed from the record print alike.

#include <string>

#include "Settings.h"
#include "UnitRow.h"

namespace station {

// "COM150 PASS node_id=12 serial=A1B2C3 ms=840", with " why=..." when the row has one. The texts
// are as they came; a terminal line writes them out with terminalText.
std::string unitLine(const record::UnitRow& row);

// Every column of the row, as the record's listing gives it.
modlink::Json unitJson(const record::UnitRow& row);
// The same with the keys other systems file a unit under first: the adapter's serial, the
// station and the operator; one line of `units --json-lines`.
modlink::Json unitJsonLine(const record::UnitRow& row);

// The report's header line, with its line break.
std::string reportHeader();
// One report row with its line break. time: the row's own time, or for a unit just done the
// moment its row is appended, as the report has always stamped it.
std::string reportLine(const record::UnitRow& row, const record::UnitTime& time);

}  // namespace station
