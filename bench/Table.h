#pragma once
// One row of the benchmark table. Every bench program prints its rows on stdout as
// "ROW|figure|value|baseline|ratio|target|met"; scripts/bench gathers them into one table.

#include <string>

struct TableRow {
    std::string figure;
    std::string value;
    std::string baseline;
    std::string ratio = "-";
    std::string target = "-";
    std::string met = "-";
};

void printRow(const TableRow& row);

// A number with a fixed count of decimals, the form every cell uses.
std::string fixed(double value, int decimals = 1);
// "1.23x": a ratio cell.
std::string times(double ratio);
std::string metText(bool met);
