#pragma once
// "-p COM33-COM48" names sixteen ports. Only exactly that form is a range: device paths hold
// dashes, so anything else is one port's name as given.

#include <string>
#include <vector>

std::vector<std::string> expandPortRange(const std::string& name);
