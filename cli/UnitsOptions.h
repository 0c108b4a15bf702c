#pragma once
// What `units` asks of the line's record.

#include <string>

#include "UnitQueries.h"

struct UnitsOptions {
    std::string dbUrl;
    record::UnitFilter filter;
    bool csv = false;
    bool summary = false;
};
