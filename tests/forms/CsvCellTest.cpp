#include <gtest/gtest.h>

#include <string>

#include "CsvCell.h"

namespace {

struct CellCase {
    const char* name;
    std::string text;
    std::string cell;
};

class CsvCell : public testing::TestWithParam<CellCase> {};

TEST_P(CsvCell, KeepsTheRowWholeAndFormulasAsText) {
    EXPECT_EQ(forms::csvTextCell(GetParam().text), GetParam().cell);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, CsvCell,
    testing::Values(
        CellCase{"Plain", "COM150", "COM150"}, CellCase{"Empty", "", ""},
        CellCase{"Comma", "a,b", "\"a,b\""}, CellCase{"Quote", "say \"hi\"", "\"say \"\"hi\"\"\""},
        CellCase{"LineBreakInside", "a\nb", "\"a\nb\""}, CellCase{"Equals", "=1+1", "\"'=1+1\""},
        CellCase{"Plus", "+1", "\"'+1\""}, CellCase{"Minus", "-1", "\"'-1\""},
        CellCase{"At", "@SUM(A1)", "\"'@SUM(A1)\""}, CellCase{"Tab", "\t=1+1", "\"'\t=1+1\""},
        CellCase{"CarriageReturn", "\r=1+1", "\"'\r=1+1\""},
        CellCase{"FormulaWithQuote", "=\"x\"", "\"'=\"\"x\"\"\""},
        CellCase{"SignInside", "sim=1", "sim=1"}, CellCase{"TabInside", "a\tb", "a\tb"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
