#pragma once
// The survey of real ports for meshcfg-mesh: one engine per port, in parallel, each reading its
// module's setup, route list and path at the module's own rate and parity, as the command line's
// mesh survey does.

#include <memory>

#include "SurveySource.h"

namespace meshapp {

std::unique_ptr<mesh::SurveySource> makeEngineSurveySource();

}  // namespace meshapp
