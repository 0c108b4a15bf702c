#pragma once
// Results as JUnit XML, which CI servers and many factory systems read: one test suite of test
// cases, each passed or failed with its message. Texts from ports, adapters and modules are
// written as valid XML whatever bytes they hold.

#include <string>
#include <vector>

namespace station {

struct JunitCase {
    std::string className;              // "module", "link", "unit"
    std::string name;                   // "COM203 (node 4)"
    std::vector<std::string> failures;  // none: passed
    double seconds = 0;
};

struct JunitSuite {
    std::string name;
    std::string timestamp;  // ISO 8601
    std::string hostname;
    std::vector<std::pair<std::string, std::string>> properties;
    std::vector<JunitCase> cases;
};

// The suite as a whole document, <testsuites> around it.
std::string junitXml(const JunitSuite& suite);

}  // namespace station
