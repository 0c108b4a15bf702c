#include "EngineSurvey.h"

std::unique_ptr<mesh::SurveySource> makeEngineSurveySource() {
    return nullptr;
}
