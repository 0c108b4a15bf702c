#pragma once
// The survey of real ports for meshcfg-mesh: one engine per port, in parallel, each reading its
// module's setup, route list and path, as the command line's survey does. It is built on the
// engine once the engine's port layers have settled; until then this build has none, and the
// window lists ports but says that it cannot survey them.

#include <memory>

#include "SurveySource.h"

// Null where this build has no survey of real ports.
std::unique_ptr<mesh::SurveySource> makeEngineSurveySource();
