#pragma once
// A survey source with answers made up in advance, for the mesh window's tests: each survey
// answers with the next survey given (the last one again once they run out). Held, a survey
// waits until it is released or asked to stop, as a survey of slow ports would.

#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

#include "SurveySource.h"

class FakeSurveySource : public mesh::SurveySource {
  public:
    explicit FakeSurveySource(std::vector<mesh::Survey> answers);

    void hold();
    void release();
    int started() const;  // surveys begun so far
    std::vector<std::string> lastPorts() const;

    mesh::Survey survey(const std::vector<std::string>& ports, std::stop_token stop) override;

  private:
    mutable std::mutex m_lock;
    std::condition_variable_any m_released;
    std::vector<mesh::Survey> m_answers;
    bool m_held = false;
    int m_started = 0;
    std::vector<std::string> m_lastPorts;
};
