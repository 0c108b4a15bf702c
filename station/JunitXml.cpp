#include "JunitXml.h"

#include <algorithm>
#include <cstdio>

#include "Text.h"

namespace station {

namespace {

// XML 1.0 holds no control character but tab and the line breaks: the others are written out as
// a terminal line writes them.
std::string xmlText(std::string_view text) {
    std::string escaped;
    for (const char c : forms::utf8Text(text)) {
        switch (c) {
            case '&':
                escaped += "&amp;";
                break;
            case '<':
                escaped += "&lt;";
                break;
            case '>':
                escaped += "&gt;";
                break;
            case '"':
                escaped += "&quot;";
                break;
            case '\t':
            case '\n':
            case '\r':
                escaped += c;
                break;
            default:
                if (static_cast<unsigned char>(c) < 0x20) {
                    char code[8];
                    std::snprintf(code, sizeof code, "\\x%02X", static_cast<unsigned char>(c));
                    escaped += code;
                } else {
                    escaped += c;
                }
        }
    }
    return escaped;
}

std::string attribute(std::string_view name, std::string_view value) {
    return " " + std::string(name) + "=\"" + xmlText(value) + "\"";
}

std::string secondsText(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", seconds);
    return text;
}

std::string caseXml(const JunitCase& testCase) {
    std::string xml = "    <testcase" + attribute("classname", testCase.className) +
                      attribute("name", testCase.name) +
                      attribute("time", secondsText(testCase.seconds));
    if (testCase.failures.empty()) return xml + "/>\n";
    xml += ">\n      <failure" + attribute("message", testCase.failures.front()) + ">" +
           xmlText(forms::joined(testCase.failures, "\n")) + "</failure>\n";
    return xml + "    </testcase>\n";
}

}  // namespace

std::string junitXml(const JunitSuite& suite) {
    const auto failed = std::ranges::count_if(
        suite.cases, [](const JunitCase& testCase) { return !testCase.failures.empty(); });
    double seconds = 0;
    for (const JunitCase& testCase : suite.cases) seconds += testCase.seconds;
    const std::string counts = attribute("tests", std::to_string(suite.cases.size())) +
                               attribute("failures", std::to_string(failed)) +
                               attribute("errors", "0") + attribute("skipped", "0") +
                               attribute("time", secondsText(seconds));
    std::string xml =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<testsuites" + attribute("name", suite.name) +
        counts + ">\n  <testsuite" + attribute("name", suite.name) + counts +
        attribute("timestamp", suite.timestamp) + attribute("hostname", suite.hostname) + ">\n";
    if (!suite.properties.empty()) {
        xml += "    <properties>\n";
        for (const auto& [name, value] : suite.properties)
            xml += "      <property" + attribute("name", name) + attribute("value", value) + "/>\n";
        xml += "    </properties>\n";
    }
    for (const JunitCase& testCase : suite.cases) xml += caseXml(testCase);
    return xml + "  </testsuite>\n</testsuites>\n";
}

}  // namespace station
