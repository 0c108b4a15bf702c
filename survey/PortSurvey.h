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

// One entry per port, in the order given.
mesh::Survey surveyPorts(const std::vector<std::string>& ports, const CommonOptions& link,
                         std::stop_token stop = {}, Asked asked = Asked::kEverything);

// The mesh window's survey of real ports, at the module's own rate and parity and the command
// line's time-out.
class PortSurveySource : public mesh::SurveySource {
  public:
    explicit PortSurveySource(CommonOptions link = {}) : m_link(std::move(link)) {}
    mesh::Survey survey(const std::vector<std::string>& ports, std::stop_token stop) override;

  private:
    const CommonOptions m_link;
};

}  // namespace survey
