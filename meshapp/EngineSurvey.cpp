#include "EngineSurvey.h"

#include "PortSurvey.h"

namespace meshapp {

std::unique_ptr<mesh::SurveySource> makeEngineSurveySource() {
    return std::make_unique<survey::PortSurveySource>();
}

}  // namespace meshapp
