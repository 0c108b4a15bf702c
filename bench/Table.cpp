#include "Table.h"

#include <cstdio>

void printRow(const TableRow& row) {
    std::printf("ROW|%s|%s|%s|%s|%s|%s\n", row.figure.c_str(), row.value.c_str(),
                row.baseline.c_str(), row.ratio.c_str(), row.target.c_str(), row.met.c_str());
    std::fflush(stdout);
}

std::string fixed(double value, int decimals) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

std::string times(double ratio) {
    return fixed(ratio, 2) + "x";
}

std::string metText(bool met) {
    return met ? "yes" : "NO";
}
