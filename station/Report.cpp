#include "Report.h"

#include <unistd.h>

#include <climits>
#include <fstream>

#include "Failure.h"
#include "Files.h"
#include "UnitRowText.h"

std::string stationName() {
    char name[HOST_NAME_MAX + 1] = {};
    if (::gethostname(name, sizeof name - 1) != 0) return {};
    return name;
}

CsvReport::CsvReport(std::string path) : m_path(std::move(path)) {
    std::ifstream in(m_path);
    std::string first;
    if (!in || !std::getline(in, first)) return;  // new or empty: the header goes first
    if (first + "\n" != reportHeader())
        throw Failure(kExitUsage, m_path +
                                      ": its header is not this tool's report header; name a new "
                                      "file so rows of two layouts are not mixed");
}

void CsvReport::add(const record::UnitRow& row) {
    appendRecord(m_path, reportHeader(), reportLine(row, record::UnitTime::now()));
}
