#pragma once
// A survey of real ports: every port read at once on a thread of its own, as the station sets
// up its units, so that a silent module holds up nobody but itself and the survey of many
// modules takes about as long as that of the slowest one.

#include <stop_token>
#include <string>
#include <vector>

#include "ModuleReading.h"
#include "Session.h"
#include "SurveySource.h"

namespace survey {

// One entry per port the face resolved, in the order given.
mesh::Survey surveyPorts(const std::vector<ports::PortTarget>& ports,
                         const modlink::CommonOptions& link, std::stop_token stop = {},
                         Asked asked = Asked::kEverything);

}  // namespace survey
