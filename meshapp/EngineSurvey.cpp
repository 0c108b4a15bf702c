#include "EngineSurvey.h"

#include "PortDirectory.h"
#include "PortSurvey.h"

namespace meshapp {

namespace {

// At the module's own rate and parity and the command line's time-out; each survey the mesh
// window starts takes one look at the names of the ports ticked.
class EnginePortSurvey : public mesh::SurveySource {
  public:
    mesh::Survey survey(const std::vector<std::string>& ports, std::stop_token stop) override {
        return survey::surveyPorts(ports::PortDirectory().resolve(ports), modlink::CommonOptions(),
                                   stop);
    }
};

}  // namespace

std::unique_ptr<mesh::SurveySource> makeEngineSurveySource() {
    return std::make_unique<EnginePortSurvey>();
}

}  // namespace meshapp
