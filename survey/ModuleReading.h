#pragma once
// One module of a survey: its port opened, its setup, route list and path asked for in turn,
// each reply taken in any form the exchanges accept. A request left unanswered leaves its answer
// empty and the next is still asked; a port that cannot be opened or is lost, or a module that
// answers nothing, is the port's failure with its reason.

#include <stop_token>
#include <string>

#include "Session.h"
#include "Survey.h"

namespace survey {

// What each module is asked: its setup alone (what a mesh file's plan needs), or its setup,
// route list and path.
enum class Asked { kSetup, kEverything };

// The module on the port its face resolved; link gives the rate, parity and time-out per reply,
// its port is ignored. Once stop is requested no further request is written.
mesh::SurveyedPort readModule(const ports::PortTarget& port, const modlink::CommonOptions& link,
                              std::stop_token stop, Asked asked = Asked::kEverything);

// The same reading of a module behind a session that stays open, as a watcher keeps its ports:
// its notice handler is left as it is, and a port lost meanwhile is the port's failure here
// and the session's to find when it next waits.
mesh::SurveyedPort readOpenModule(modlink::Session& session, const std::string& port,
                                  std::stop_token stop, Asked asked = Asked::kEverything);

}  // namespace survey
