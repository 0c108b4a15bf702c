#include "FakeSurveySource.h"

#include <algorithm>

FakeSurveySource::FakeSurveySource(std::vector<mesh::Survey> answers)
    : m_answers(std::move(answers)) {}

void FakeSurveySource::hold() {
    const std::lock_guard lock(m_lock);
    m_held = true;
}

void FakeSurveySource::release() {
    {
        const std::lock_guard lock(m_lock);
        m_held = false;
    }
    m_released.notify_all();
}

int FakeSurveySource::started() const {
    const std::lock_guard lock(m_lock);
    return m_started;
}

std::vector<std::string> FakeSurveySource::lastPorts() const {
    const std::lock_guard lock(m_lock);
    return m_lastPorts;
}

mesh::Survey FakeSurveySource::survey(const std::vector<std::string>& ports, std::stop_token stop) {
    std::unique_lock lock(m_lock);
    const auto answer = static_cast<std::size_t>(m_started++);
    m_lastPorts = ports;
    m_released.wait(lock, stop, [this] { return !m_held; });
    if (m_answers.empty()) return {};
    return m_answers[std::min(answer, m_answers.size() - 1)];
}
