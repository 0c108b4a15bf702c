#include "Report.h"

#include <unistd.h>

#include <climits>
#include <fstream>

#include "Failure.h"
#include "Files.h"
#include "JunitXml.h"
#include "UnitRowText.h"

namespace station {

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
        throw modlink::Failure(modlink::kExitUsage,
                               m_path +
                                   ": its header is not this tool's report header; name a new "
                                   "file so rows of two layouts are not mixed");
}

void CsvReport::add(const record::UnitRow& row) {
    appendRecord(m_path, reportHeader(), reportLine(row, record::UnitTime::now()));
}

namespace {

JunitSuite unitSuite(const record::UnitRow& row) {
    const std::string node = row.nodeId ? std::to_string(*row.nodeId) : "none";
    JunitSuite suite{"meshcfg unit " + row.port, row.time.text(), row.station, {}, {}};
    for (const auto& [name, value] : {std::pair<std::string, std::string>{"unit_id", row.unitId},
                                      {"station", row.station},
                                      {"operator", row.operatorName},
                                      {"port", row.port},
                                      {"adapter_serial", row.adapterSerial},
                                      {"profile", row.profile ? row.profile->name : std::string()},
                                      {"node_id", node}})
        if (!value.empty()) suite.properties.emplace_back(name, value);
    JunitCase unit{"unit", row.port + " (node " + node + ")", {}, row.durationMs / 1000.0};
    if (row.result != record::Result::kPass)
        unit.failures.push_back(row.why.empty() ? std::string(record::resultName(row.result))
                                                : row.why);
    suite.cases.push_back(std::move(unit));
    return suite;
}

}  // namespace

JunitUnitFiles::JunitUnitFiles(std::string folder) : m_folder(std::move(folder)) {
    const std::string probe = m_folder + "/" + fileName(record::UnitRow{});
    if (const std::string why = unwritableReason(probe, Writing::kReplace); !why.empty())
        throw modlink::Failure(modlink::kExitUsage, "--junit " + m_folder + ": " + why);
}

void JunitUnitFiles::add(const record::UnitRow& row) {
    replaceFile(m_folder + "/" + fileName(row), junitXml(unitSuite(row)));
}

std::string JunitUnitFiles::fileName(const record::UnitRow& row) {
    std::string time;
    for (const char c : row.time.text().substr(0, 23))  // "2026-12-08T13:06:08.123"
        if (c != '-' && c != ':') time += c;
    return "node-" + (row.nodeId ? std::to_string(*row.nodeId) : std::string("none")) + "-" + time +
           "-" + row.unitId.substr(0, 8) + ".xml";
}

}  // namespace station
