#include "EngineSurvey.h"

#include "PortSurvey.h"

std::unique_ptr<mesh::SurveySource> makeEngineSurveySource() {
    return std::make_unique<survey::PortSurveySource>();
}
