// A module is found from a program of the build tree; a missing module or entry is said in one
// line that tells what to do.
#include <gtest/gtest.h>

#include <string>

#include "ProgramModule.h"

namespace {

struct ModuleRow {
    const char* name;
    const char* module;
    const char* entry;
    bool found;
    const char* errorStart;  // the error begins with this
    const char* errorEnd;    // and ends with this
};

class ProgramModuleTest : public ::testing::TestWithParam<ModuleRow> {};

TEST_P(ProgramModuleTest, FindsTheEntryOrSaysWhatToDo) {
    const ModuleRow& row = GetParam();
    const modules::ModuleEntry entry =
        modules::loadModuleEntry(row.module, row.entry, "ports across the network");
    EXPECT_EQ(entry.address != nullptr, row.found) << entry.error;
    EXPECT_TRUE(entry.error.starts_with(row.errorStart)) << entry.error;
    EXPECT_TRUE(entry.error.ends_with(row.errorEnd)) << entry.error;
    EXPECT_EQ(entry.error.find('\n'), std::string::npos) << entry.error;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ProgramModuleTest,
    ::testing::Values(
        ModuleRow{"Found", "meshcfg-network.so", "meshcfg_network_connector", true, "", ""},
        ModuleRow{"SqliteRecord", "meshcfg-sqlite.so", "meshcfg_connect_sqlite", true, "", ""},
        ModuleRow{"OtherVersion", "meshcfg-network.so", "meshcfg_network_connector_2", false,
                  "meshcfg-network.so is not this version's module", "; reinstall the package"},
        ModuleRow{"Missing", "meshcfg-nowhere.so", "meshcfg_network_connector", false,
                  "ports across the network need meshcfg-nowhere.so, which cannot be loaded (",
                  "); reinstall the package"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
