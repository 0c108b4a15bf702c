#pragma once
// What surveys a mesh for a face that does not open ports itself: given the ports as the user
// named them, it reads every module's setup, route list and path and hands the survey back
// whole, one entry per port in the order given. It runs on a thread of the face's own, so it
// may take as long as the ports need; once stop is requested it ends as soon as it can, and
// the face then throws away what it returns.

#include <stop_token>
#include <string>
#include <vector>

#include "Survey.h"

namespace mesh {

class SurveySource {
  public:
    virtual ~SurveySource() = default;
    virtual Survey survey(const std::vector<std::string>& ports, std::stop_token stop) = 0;
};

}  // namespace mesh
