#include "PortSurvey.h"

#include <thread>

#include "ModuleReading.h"

namespace survey {

mesh::Survey surveyPorts(const std::vector<std::string>& ports, const CommonOptions& link,
                         std::stop_token stop, Asked asked) {
    mesh::Survey survey(ports.size());
    {
        std::vector<std::jthread> readers;
        readers.reserve(ports.size());
        for (std::size_t i = 0; i < ports.size(); ++i)
            readers.emplace_back([&, i] { survey[i] = readModule(ports[i], link, stop, asked); });
    }  // every reader joined
    return survey;
}

mesh::Survey PortSurveySource::survey(const std::vector<std::string>& ports, std::stop_token stop) {
    return surveyPorts(ports, m_link, stop);
}

}  // namespace survey
